// Sending the program from the window to a simulated milling controller: the reports
// that go out, the answers in the editor, and every way a transfer ends.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include "hid/hid_device.h"
#include "hid/milling_controller.h"
#include "hid/simulated_controller.h"
#include "tests/window/window_fixture.h"

namespace marloq {
namespace {

using test::Control;
using test::LineReportOf;

// A controller whose output reports are R bytes long, answering each report with the
// input reports answer() gives.
TSimulatedDevice Controller(uint16_t outputLength, std::function<std::vector<THidReport>()> answer,
                            const char* product = kControllerProductString, uint16_t inputLength = 65) {
  TSimulatedDevice d = SimulatedControllerDevice();
  d.ProductString = product;
  d.Preparsed.Caps.InputReportByteLength = inputLength;
  d.Preparsed.Caps.OutputReportByteLength = outputLength;
  d.Answer = [answer = std::move(answer)](const THidReport&) { return answer(); };
  return d;
}

// An answer of exactly these data bytes.
THidReport InputReport(const std::string& data) {
  THidReport r(data.size() + 1, 0);
  std::copy(data.begin(), data.end(), r.begin() + 1);
  return r;
}

struct TransferWindow : test::TLinkedWindow {};

TEST_F(TransferWindow, SendsAllLinesButTheLastThenTheEndReport) {
  const int id = PlugSimulatedController(platform, {});
  auto form = Open("G0 X1\nG1 X2 ; cut\nM30");
  ASSERT_TRUE(Cnc(form.get())->isEnabled());
  Cnc(form.get())->click();
  const std::vector<THidReport> expected = {LineReportOf("G0 X1\n", 65), LineReportOf("G1 X2 \n", 65),
                                            LineReportOf("\n", 65)};
  EXPECT_EQ(platform.Written(id), expected);
  EXPECT_EQ(Editor(form.get()), "G0 X1\nG1 X2 ; cut\nM30\nok 1\nok 2\n");
  EXPECT_EQ(Cnc(form.get())->text(), "CNC");
  EXPECT_FALSE(Control<QProgressBar>(form.get(), "ProgressBar1")->isVisible());
}

TEST_F(TransferWindow, AnEditorOfOneLineSendsNothing) {
  const char* programs[] = {"G0 X1", "G0 X1\n", ""};
  const int id = PlugSimulatedController(platform, {});
  for (const char* program : programs) {
    auto form = Open(program);
    Cnc(form.get())->click();
    EXPECT_EQ(platform.Written(id).size(), 0u) << program;
    EXPECT_EQ(Editor(form.get()), program);
  }
}

struct LineCase {
  std::string line;
  uint16_t outputLength;
  std::string sent;  // the report's text; empty when the line cannot go out
  const char* reason = "";  // then shown under the buttons
};

TEST_F(TransferWindow, LinesGoOutCutAndWithoutTheirComments) {
  const std::string c63(63, 'X'), c64(64, 'Y'), c300(300, 'Z');
  const LineCase cases[] = {
      {"G0 X100 ;comment", 65, "G0 X100 \n"},  // L = 9
      {";only a comment", 65, "\n"},
      {"", 65, "\n"},
      {c63, 65, c63 + "\n"},                  // L = 64 fits
      {c64 + ";x", 65, "", "line 0 does not fit one report (65 characters, at most 64)"},  // L = 65 does not
      {c300, 300, std::string(255, 'Z')},     // cut to 255, no line feed
      {c300, 255, "", "line 0 does not fit one report (255 characters, at most 254)"},  // R of 256 needed
      {std::string(254, 'A'), 300, std::string(254, 'A') + "\n"},
      {"G1 X1;a;b", 65, "G1 X1\n"},
  };
  for (const auto& c : cases) {
    const int id = platform.Plug(Controller(c.outputLength, [] { return std::vector<THidReport>{InputReport("ok\n")}; }));
    auto form = Open(c.line + "\nM30\n");
    Cnc(form.get())->click();
    const std::vector<THidReport> written = platform.Written(id);
    if (c.sent.empty()) {
      EXPECT_EQ(written.size(), 0u) << c.line;
      EXPECT_EQ(Editor(form.get()), c.line + "\nM30\nError HID Line0\n");
      const auto* note = Control<QLabel>(form.get(), "TransferNote");
      EXPECT_EQ(note->text(), c.reason);
      EXPECT_EQ(note->isVisible(), *c.reason != '\0') << c.line;
    } else {
      EXPECT_EQ(written, (std::vector{LineReportOf(c.sent, c.outputLength), LineReportOf("\n", c.outputLength)}))
          << c.line;
      EXPECT_EQ(Editor(form.get()), c.line + "\nM30\nok\n");
    }
    form.reset();
    platform.Unplug(id);
  }
}

struct AnswerCase {
  std::string data;  // the input report's bytes after its report ID
  std::string answerText, editorLine;
};

TEST_F(TransferWindow, AnswersAreCutAtTheirFirstLineFeed) {
  const std::string zeros(61, '\0');
  const AnswerCase cases[] = {
      {"ab\n" + zeros, "ab", "ab"},
      {"abc", "abc", "abc"},
      {"one\ntwo\n", "one", "one"},
      {std::string(300, 'w'), std::string(255, 'w'), std::string(255, 'w')},
      {"ok" + zeros, "ok" + zeros, "ok"},  // the editor's line ends at the first NUL
      {"ok\r\n", "ok\r", "ok"},           // and takes no carriage return
      {"", "", ""},
  };
  for (const auto& c : cases) {
    const auto reply = [a = c.data] { return std::vector<THidReport>{InputReport(a)}; };
    const int id = platform.Plug(Controller(65, reply, kControllerProductString, 400));
    auto form = Open("G0 X1\nM30\n");
    Cnc(form.get())->click();
    EXPECT_EQ(form->Transfer()->AnswerText(), c.answerText);
    EXPECT_EQ(Editor(form.get()), "G0 X1\nM30\n" + c.editorLine + "\n");
    form.reset();
    platform.Unplug(id);
  }
}

TEST_F(TransferWindow, AnyClaimedDeviceMayAnswer) {
  const int pendant = platform.Plug(Controller(9, [] { return std::vector<THidReport>{}; }, "Pendant"));
  const int id = PlugSimulatedController(platform, {TSimulatedControllerBehaviour::TMode::Silent, 0});
  auto form = Open("G0 X1\nM30\n");
  test::Repeatedly(form.get(), 5, [&] {
    if (platform.Written(id).empty()) return true;
    platform.SendInput(pendant, InputReport("from the pendant\n"));
    return false;
  });
  Cnc(form.get())->click();
  EXPECT_EQ(Editor(form.get()), "G0 X1\nM30\nfrom the pendant\n");
  EXPECT_EQ(platform.Written(id).size(), 2u) << "the line and the end report";
}

TEST_F(TransferWindow, TheFirstOfTwoControllersIsSelectedAndEitherRemovalDisablesCnc) {
  for (int removed = 0; removed < 2; ++removed) {
    TSimulatedHidPlatform two;
    const int other = two.Plug(Controller(9, [] { return std::vector<THidReport>{}; }, "Keyboard"));
    const int first = PlugSimulatedController(two, {});
    const int second = PlugSimulatedController(two, {});
    TForm1 form(QStringList{"marloq"}, &two);
    form.show();
    QApplication::processEvents();
    ASSERT_NE(form.Transfer()->SelectedDevice(), nullptr);
    EXPECT_EQ(form.Transfer()->SelectedDevice()->PnPInfo().DevicePath, two.DevicePath(first));
    auto* list = Control<QListWidget>(&form, "DevListBox");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "Keyboard");
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_TRUE(Cnc(&form)->isEnabled());
    two.Unplug(removed == 0 ? first : second);
    test::PumpUntil([&] { return !Cnc(&form)->isEnabled(); }, 5000);
    EXPECT_FALSE(Cnc(&form)->isEnabled()) << "removed " << removed;
    (void)other;
  }
}

// Ways a transfer ends before its last answer: each leaves the error line with the
// index of the unanswered line, and nothing is sent after it.
TEST_F(TransferWindow, SilentControllerTimesOut) {
  const int id = PlugSimulatedController(platform, {TSimulatedControllerBehaviour::TMode::Silent, 0});
  auto form = Open("G0 X1\nG0 X2\nM30\n");
  form->Transfer()->SetAnswerTimeoutMs(200);
  Cnc(form.get())->click();
  EXPECT_EQ(platform.Written(id).size(), 1u);
  EXPECT_EQ(Editor(form.get()), "G0 X1\nG0 X2\nM30\nError HID Line0\n");
}

TEST_F(TransferWindow, ControllerUnpluggedDuringTheWait) {
  const int id = PlugSimulatedController(platform, {TSimulatedControllerBehaviour::TMode::Unplugging, 1});
  auto form = Open("G0 X1\nG0 X2\nG0 X3\nM30\n");
  Cnc(form.get())->click();
  EXPECT_EQ(platform.Written(id).size(), 2u);
  EXPECT_EQ(Editor(form.get()), "G0 X1\nG0 X2\nG0 X3\nM30\nok 1\nError HID Line1\n");
  EXPECT_FALSE(Cnc(form.get())->isEnabled());
  EXPECT_EQ(Cnc(form.get())->text(), "RESUME CNC") << "offered once a controller is back";
}

TEST_F(TransferWindow, ASecondClickStopsTheTransferInsteadOfStartingOne) {
  const int id = PlugSimulatedController(platform, {TSimulatedControllerBehaviour::TMode::Silent, 0});
  auto form = Open("G0 X1\nG0 X2\nM30\n");
  auto* progress = Control<QProgressBar>(form.get(), "ProgressBar1");
  test::Repeatedly(form.get(), 5, [&] {
    if (platform.Written(id).empty()) return true;
    EXPECT_EQ(Cnc(form.get())->text(), "STOP CNC");
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->text(), "line 1 of 2");
    Cnc(form.get())->click();
    return false;
  });
  Cnc(form.get())->click();
  EXPECT_EQ(platform.Written(id).size(), 1u);
  EXPECT_EQ(Editor(form.get()), "G0 X1\nG0 X2\nM30\nError HID Line0\n");
  EXPECT_EQ(Cnc(form.get())->text(), "RESUME CNC");
  EXPECT_TRUE(Cnc(form.get())->isEnabled());
}

TEST_F(TransferWindow, ClosingTheWindowEndsTheTransferThenCloses) {
  const int id = PlugSimulatedController(platform, {TSimulatedControllerBehaviour::TMode::Silent, 0});
  auto form = Open("G0 X1\nG0 X2\nM30\n");
  test::Repeatedly(form.get(), 5, [&] {
    if (platform.Written(id).empty()) return true;
    test::PressInNextBox(form.get(), "Discard");  // no save
    form->close();
    EXPECT_TRUE(form->isVisible()) << "the transfer ends first";
    return false;
  });
  Cnc(form.get())->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(platform.Written(id).size(), 1u);
  EXPECT_EQ(form->Transfer()->SelectedDevice(), nullptr) << "given back at close";
  EXPECT_EQ(platform.Readers(id), 0) << "reading stopped at close";
}

}  // namespace
}  // namespace marloq
