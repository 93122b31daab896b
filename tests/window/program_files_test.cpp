// The window's program files as people handle them: Ctrl+S, the caption's '*' while the
// text is unsaved, and a program file dropped on the window.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "tests/window/window_fixture.h"

namespace marloq {
namespace {

using test::Control;

const char* const kProgram = "G0 X10 Y10 Z2\nG1 Z-1\nG1 X50\nM30\n\n";
const char* const kDropped = "G0 X5\nM30\n\n";

std::unique_ptr<TForm1> WindowWith(const std::filesystem::path& program) { return test::ShownWindow(program); }

void PressCtrlS(TForm1* form) {
  QTest::keyClick(form->Editor(), Qt::Key_S, Qt::ControlModifier);
  QApplication::processEvents();
}

// Ctrl+S saves at once; the caption marks unsaved edits with a '*' after the name, and a
// save that fails says why and keeps it. Without a program it asks for a name first.
TEST(ProgramFiles, CtrlSSavesTheProgramAndTheCaptionShowsUnsavedEdits) {
  const auto program = test::WriteProgram("ctrls.CNC", kProgram);
  auto form = WindowWith(program);
  const QString name = QString::fromStdString(program.string());
  QTest::keyClicks(form->Editor(), "G1 X99");
  EXPECT_EQ(form->windowTitle(), name + "*");
  PressCtrlS(form.get());
  EXPECT_EQ(form->windowTitle(), name);
  EXPECT_FALSE(form->Simulation().Run.ProgramModified);
  EXPECT_TRUE(test::ReadProgramBytes(program).starts_with("G1 X99G0 X10 Y10 Z2\r\n"));

  QTest::keyClicks(form->Editor(), ";");
  form->Simulation().Run.ProgramFileName = (test::WindowScratch() / "no/such/folder/x.CNC").string();
  QString message;
  test::AnswerNextDialog(form.get(), [&](QWidget* box) {
    message = static_cast<QMessageBox*>(box)->text();
    static_cast<QDialog*>(box)->accept();
  });
  PressCtrlS(form.get());
  EXPECT_TRUE(message.contains("no/such/folder")) << message.toStdString();
  EXPECT_EQ(form->windowTitle(), name + "*");
  EXPECT_TRUE(form->Simulation().Run.ProgramModified);

  auto empty = WindowWith({});
  QTest::keyClicks(empty->Editor(), "G1 X1");
  EXPECT_EQ(empty->windowTitle(), "*");
  QString offered;
  test::AnswerNextDialog(empty.get(), [&](QWidget* dialog) {
    offered = dialog->windowTitle();
    static_cast<QDialog*>(dialog)->reject();
  });
  PressCtrlS(empty.get());
  EXPECT_EQ(offered, "Save as");
  EXPECT_EQ(empty->windowTitle(), "*");
}

// Dropped as the platform delivers a drop to the window, which finds the control under
// it; true when the drop was taken.
bool DropOn(TForm1* form, QWidget* on, const QMimeData& data) {
  const QPointF at = on->mapTo(form, on->rect().center());
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QGuiApplication::sendEvent(form->windowHandle(), &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QGuiApplication::sendEvent(form->windowHandle(), &drop);
  QApplication::processEvents();
  return drop.isAccepted();
}

struct TDropCase {
  const char* name;
  bool onEditor;       // else on the drawing
  const char* file;    // dropped with its path as text too, as file managers do; or none
  const char* typed;   // before the drop, or none
  const char* answer;  // to the save offer
  bool opened;
  bool asText;  // lands in the editor as text
};

// A .CNC file (any case) dropped on the drawing or the editor opens as File opens one,
// after the save offer, which may cancel it; other drops reach the editor as text.
TEST(ProgramDrop, ADroppedProgramOpensAsFileOpensOne) {
  const TDropCase cases[] = {
      {"on the drawing", false, "dropped.cnc", nullptr, nullptr, true, false},
      {"on the editor", true, "dropped.CNC", nullptr, nullptr, true, false},
      {"edits discarded", true, "dropped.CNC", "G4", "Discard", true, false},
      {"offer cancelled", false, "dropped.CNC", "G4", "Cancel", false, false},
      {"not a program", true, "dropped.txt", nullptr, nullptr, false, true},
      {"text", true, nullptr, nullptr, nullptr, false, true},
  };
  for (const TDropCase& c : cases) {
    const auto program = test::WriteProgram("shown.CNC", kProgram);
    auto form = WindowWith(program);
    if (c.typed) QTest::keyClicks(form->Editor(), c.typed);
    if (c.answer) test::PressInNextBox(form.get(), c.answer);
    QMimeData data;
    const QString path = c.file ? QString::fromStdString(test::WriteProgram(c.file, kDropped).string()) : "G4";
    if (c.file) data.setUrls({QUrl::fromLocalFile(path)});
    data.setText(path);
    QWidget* on = c.onEditor ? form->Editor()->viewport() : Control(form.get(), "Image1");
    DropOn(form.get(), on, data);
    const QString text = form->Editor()->toPlainText();
    EXPECT_EQ(text == kDropped, c.opened) << c.name;
    const std::string shown = program.string() + (c.typed || c.asText ? "*" : "");
    EXPECT_EQ(form->windowTitle().toStdString(), c.opened ? path.toStdString() : shown) << c.name;
    EXPECT_EQ(text.contains(path), c.asText) << c.name;
  }
}

// A DRAW takes no drops: the program it runs stays in the editor.
TEST(ProgramDrop, RefusedWhileADrawRuns) {
  const auto program = test::WriteProgram("waits.CNC", "W\nG0 X1\nM30\n\n");
  auto form = WindowWith(program);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(test::WriteProgram("later.CNC", kDropped).string()))});
  bool taken = true;
  test::Repeatedly(form.get(), 2, [&] {
    if (!form->Running() || Control<QPushButton>(form.get(), "FileButton")->text() != "NextPos") return true;
    taken = DropOn(form.get(), Control(form.get(), "Image1"), data);
    Control<QPushButton>(form.get(), "Stop1")->click();
    return false;
  });
  Control<QPushButton>(form.get(), "LineButton")->click();
  QApplication::processEvents();
  EXPECT_FALSE(taken);
  EXPECT_TRUE(form->Editor()->toPlainText().startsWith("W\n"));
}

}  // namespace
}  // namespace marloq
