// The window's workshop aids, driven as a user would: the editor following DRAW and
// the transfer, Ctrl-click on the drawing, the time estimate, saving the picture and
// resuming a failed transfer.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QFileDialog>
#include <QMouseEvent>
#include <QTextBlock>

#include "hid/simulated_controller.h"
#include "simulation/drawing.h"
#include "tests/window/window_fixture.h"
#include "window/canvas_widget.h"

namespace marloq {
namespace {

using test::Control;
using test::LineReportOf;

const char* const kContour =
    "G0 X10 Y10 Z2\n"  // 0
    "G1 Z-1\n"         // 1
    "; the outline\n"  // 2
    "G1 X50\n"         // 3
    "\n"               // 4
    "G1 Y40\n"         // 5
    "G1 Y10\n"         // 6: back over the same path
    "G0 Z2\n"          // 7
    "G0 X10 Y40\n"     // 8: travel
    "M30\n\n";

std::unique_ptr<TForm1> WindowWith(const std::string& name, const char* program) {
  return test::ShownWindow(test::WriteProgram(name, program));
}

QPushButton* Button(TForm1* form, const char* name) { return Control<QPushButton>(form, name); }

// Presses NextPos each time the run waits for it, noting the line marked then. The run
// waits in a blocking message loop, and only there: a press at any other time would
// be taken by the next wait.
void PressNextPosAtEveryWait(TForm1* form, std::vector<int>& marked) {
  auto* dispatcher = QAbstractEventDispatcher::instance();
  auto pressing = std::make_shared<bool>(false);
  QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, form, [form, &marked, pressing] {
    auto* next = Button(form, "FileButton");
    if (!form->Running() || next->text() != "NextPos" || *pressing) return;
    *pressing = true;
    marked.push_back(form->Editor()->RunLine());
    QTimer::singleShot(0, next, [next, pressing] {
      *pressing = false;
      next->click();
    });
  });
}

TEST(FollowTheLine, StepModeMarksTheLineWhereTheRunWaits) {
  auto form = WindowWith("follow.CNC", kContour);
  Button(form.get(), "Step_Run")->click();
  std::vector<int> marked;
  PressNextPosAtEveryWait(form.get(), marked);
  Button(form.get(), "LineButton")->click();
  // A wait after each move; comment and empty lines are never marked.
  EXPECT_EQ(marked, (std::vector<int>{0, 1, 3, 5, 6, 7, 8}));
  EXPECT_EQ(form->Editor()->RunLine(), 9) << "the run ended at M30";
  EXPECT_FALSE(form->Editor()->document()->isModified());
}

// A Ctrl-click on the drawing selects the line of the last block whose path passed
// nearest; a click far from any path leaves the editor alone.
TEST(FollowTheLine, CtrlClickOnTheDrawingSelectsTheBlocksLine) {
  auto form = WindowWith("pick.CNC", kContour);
  Button(form.get(), "LineButton")->click();
  const TViewState& view = form->Simulation().View;
  const int h = form->Simulation().Canvas.Height();
  QWidget* image = Control(form.get(), "Image1");
  const auto ctrlClickAt = [&](double xMm, double yMm) {
    const QPointF at(CanvasXOf(view, xMm * 100), CanvasYOf(view, h, yMm * 100));
    QMouseEvent press(QEvent::MouseButtonPress, at, image->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::ControlModifier);
    QApplication::sendEvent(image, &press);
    return form->Editor()->textCursor().selectedText().toStdString();
  };
  struct Case {
    double x, y;
    std::string line;
  };
  const Case cases[] = {
      {30, 10, "G1 X50"},
      {30, 10.2, "G1 X50"},   // beside the path, within the band
      {50, 25, "G1 Y10"},     // G1 Y40 went there first
      {30, 25, "G0 X10 Y40"}, // the travel
  };
  for (const Case& c : cases) EXPECT_EQ(ctrlClickAt(c.x, c.y), c.line) << c.x << "," << c.y << " canvas " << form->Simulation().Canvas.Width() << "x" << h << " image " << image->width() << "x" << image->height();
  form->Editor()->moveCursor(QTextCursor::Start);
  EXPECT_EQ(ctrlClickAt(-40, 200), "") << "nothing drawn there";
}

TEST(MachiningTime, IsShownBesideTheMillingLength) {
  // Travel 60 mm at 3600 mm/min is 1 s, cutting 60 mm at 600 mm/min 6 s.
  auto form = WindowWith("time.CNC", "F600\nG0 X60\nG1 X120\nM30\n\n");
  Button(form.get(), "LineButton")->click();
  EXPECT_EQ(Control<QLabel>(form.get(), "Label1")->text(), "milling length 60 mm ");
  EXPECT_EQ(Control<QLabel>(form.get(), "TimeLabel")->text(), "machining time 0:00:07");
}

TEST(SavePicture, WritesTheCanvasAsPngOrSaysWhyNot) {
  auto form = WindowWith("picture.CNC", kContour);
  Button(form.get(), "LineButton")->click();
  auto* save = form->findChild<QAction*>("SavePictureAction");
  ASSERT_NE(save, nullptr);
  EXPECT_TRUE(form->Drawing()->actions().contains(save)) << "on the drawing's own menu";
  const auto saveAs = [&](const std::filesystem::path& path) {
    test::AnswerNextDialog(form.get(), [path](QWidget* d) {
      auto* dialog = static_cast<QFileDialog*>(d);
      dialog->selectFile(QString::fromStdString(path.string()));
      static_cast<QDialog*>(dialog)->accept();
    });
    save->trigger();
  };
  const auto good = test::WindowScratch() / "picture-saved.png";
  std::filesystem::remove(good);
  saveAs(good);
  QImage saved(QString::fromStdString(good.string()));
  ASSERT_FALSE(saved.isNull());
  EXPECT_TRUE(saved.convertToFormat(QImage::Format_RGB32) ==
              form->Simulation().Canvas.Image().convertToFormat(QImage::Format_RGB32));

  const auto bad = test::WindowScratch() / "no-such-folder" / "picture.png";
  QString message;
  test::AnswerNextDialog(form.get(), [&](QWidget* d) {
    auto* dialog = static_cast<QFileDialog*>(d);
    dialog->selectFile(QString::fromStdString(bad.string()));
    // The error box comes after the file dialog closes.
    test::AnswerNextDialog(form.get(), [&](QWidget* box) {
      message = static_cast<QMessageBox*>(box)->text();
      static_cast<QMessageBox*>(box)->accept();
    });
    static_cast<QDialog*>(dialog)->accept();
  });
  save->trigger();
  EXPECT_FALSE(std::filesystem::exists(bad));
  EXPECT_TRUE(message.contains("cannot write")) << message.toStdString();
}

struct TransferAids : test::TLinkedWindow {
  // Clicks CNC and answers the resume question with the button whose text starts so.
  static void ClickCncAnswering(TForm1* form, const QString& answer) {
    test::AnswerNextDialog(form, [answer](QWidget* d) {
      auto* box = qobject_cast<QMessageBox*>(d);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->objectName(), "ResumeQuestion");
      for (QAbstractButton* b : box->buttons())
        if (b->text().startsWith(answer)) return b->click();
      box->reject();
    });
    Cnc(form)->click();
  }

  // A controller that notes which editor line is marked as each report comes in.
  int PlugWatchingController(const std::function<int()>& runLine, std::vector<int>& marked) {
    TSimulatedDevice d = SimulatedControllerDevice();
    d.Answer = [&marked, runLine, n = 0](const THidReport&) mutable {
      marked.push_back(runLine());
      return std::vector<THidReport>{SimulatedControllerAnswer("ok " + std::to_string(++n))};
    };
    return platform.Plug(d);
  }
};

TEST_F(TransferAids, TheLineBeingSentIsMarked) {
  std::vector<int> marked;
  TForm1* window = nullptr;
  const int id = PlugWatchingController([&] { return window->Editor()->RunLine(); }, marked);
  auto form = Open("G0 X1\n;note\nG0 X3\nM30\n");
  window = form.get();
  Cnc(form.get())->click();
  EXPECT_EQ(platform.Written(id).size(), 4u);
  EXPECT_EQ(marked, (std::vector<int>{0, 1, 2, 2})) << "the end report leaves the last line marked";
}

TEST_F(TransferAids, AFailedTransferResumesAtTheFailedLineOnly) {
  const int first = PlugSimulatedController(platform, {TSimulatedControllerBehaviour::TMode::Unplugging, 1});
  auto form = Open("G0 X1\nG0 X2\nG0 X3\nM30\n");
  Cnc(form.get())->click();
  ASSERT_EQ(Editor(form.get()), "G0 X1\nG0 X2\nG0 X3\nM30\nok 1\nError HID Line1\n");
  EXPECT_EQ(form->Editor()->RunLine(), 1) << "the failed line stays marked";

  const int second = PlugSimulatedController(platform, {});
  ASSERT_TRUE(test::PumpUntil([&] { return Cnc(form.get())->isEnabled(); }, 5000));
  EXPECT_EQ(Cnc(form.get())->text(), "RESUME CNC");
  ClickCncAnswering(form.get(), "Cancel");
  EXPECT_TRUE(platform.Written(second).empty());
  ClickCncAnswering(form.get(), "Resume from line 2");
  // Exactly the lines the failed transfer had left, and the end report; the answers
  // and the error line it appended are not sent.
  const std::vector<THidReport> expected = {LineReportOf("G0 X2\n"), LineReportOf("G0 X3\n"), LineReportOf("\n")};
  EXPECT_EQ(platform.Written(second), expected);
  EXPECT_EQ(Editor(form.get()), "G0 X1\nG0 X2\nG0 X3\nM30\nok 1\nError HID Line1\nok 1\nok 2\n");
  EXPECT_EQ(Cnc(form.get())->text(), "CNC") << "nothing left to resume";
  (void)first;
}

TEST_F(TransferAids, SendingAllAgainOrEditingTheProgramEndsTheOffer) {
  const int silent = PlugSimulatedController(platform, {TSimulatedControllerBehaviour::TMode::Silent, 0});
  auto form = Open("G0 X1\nG0 X2\nM30\n");
  form->Transfer()->SetAnswerTimeoutMs(50);
  Cnc(form.get())->click();
  ASSERT_EQ(Cnc(form.get())->text(), "RESUME CNC");
  ClickCncAnswering(form.get(), "Send all again");
  EXPECT_EQ(platform.Written(silent).size(), 2u) << "line 0 again";
  EXPECT_EQ(Cnc(form.get())->text(), "RESUME CNC");

  QTextCursor end(form->Editor()->document());
  end.movePosition(QTextCursor::End);
  end.insertText("G0 X9\n");
  EXPECT_EQ(Cnc(form.get())->text(), "CNC");
  test::AnswerNextDialog(form.get(), [](QWidget*) { ADD_FAILURE() << "no question after an edit"; });
  Cnc(form.get())->click();
  EXPECT_EQ(platform.Written(silent).size(), 3u);
}

}  // namespace
}  // namespace marloq
