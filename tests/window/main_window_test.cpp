// The main window driven as a user would: load, DRAW, STEP and NextPos, STOP, a W
// wait in RUN mode, the drill up-downs, the save offer, Ctrl+S, drops, and failing files.
#include "window/main_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QAction>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <thread>
#include <vector>

#include "simulation/draw_sequence.h"
#include "simulation/headless_host.h"
#include "simulation/program_file.h"
#include "simulation/program_text.h"
#include "tests/window/window_fixture.h"
#include "window/canvas_widget.h"
#include "window/program_checker.h"
#include "window/program_editor.h"
#include "window/program_files.h"
#include "window/screen_placement.h"

namespace marloq {
namespace {

using test::Control;

const char* const kProgram = "G0 X10 Y10 Z2\nG1 Z-1\nG1 X50\nG2 X50 Y40 R-15\nG1 X10\nG1 Y10\nG0 Z2\nM30\n\n";

std::unique_ptr<TForm1> WindowWith(const std::filesystem::path& program) { return test::ShownWindow(program); }

std::string LogOf(const std::filesystem::path& program) {
  std::ifstream in(std::filesystem::path(program).replace_extension(".LOG"), std::ios::binary);
  std::string log((std::istreambuf_iterator<char>(in)), {});
  return log.substr(log.find('\n') + 1);  // the first line names the program's folder
}

// Dropped as the platform drops: on the window, which finds the control under it; true
// when the drop was taken.
bool DropOn(TForm1* form, QWidget* on, const QMimeData& data) {
  const QPoint at = on->mapTo(form, on->rect().center());
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QGuiApplication::sendEvent(form->windowHandle(), &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QGuiApplication::sendEvent(form->windowHandle(), &drop);
  QApplication::processEvents();
  return drop.isAccepted();
}

TEST(MainWindow, StartsWithTheProgramOfTheFirstArgument) {
  const auto program = test::WriteProgram("start.CNC", kProgram);
  auto form = WindowWith(program);
  EXPECT_EQ(form->windowTitle().toStdString(), program.string());
  EXPECT_TRUE(Control<QPushButton>(form.get(), "LineButton")->isEnabled());
  EXPECT_EQ(form->Editor()->toPlainText().toStdString(), kProgram);
  EXPECT_EQ(Control<QComboBox>(form.get(), "ComboBox1")->currentText(), "keine");
  TForm1 empty(QStringList{"marloq", "/no/such/file.CNC"});
  EXPECT_FALSE(Control<QPushButton>(&empty, "LineButton")->isEnabled());
  EXPECT_EQ(empty.windowTitle(), "");
}

TEST(MainWindow, DrawGivesTheHeadlessLogAndPicture) {
  // A block text far wider than the window: shown, it must not widen the window, whose
  // resize would clear the drawing in the middle of the run.
  const std::string text = "N123456789 G1 X20 Y10 Z-1 F300 S1000 M3 T1 D2 R5 I1 J2 K3 L4 P5 Q6 U7 V8 W9 A1 B2 C3 E4 H5 O6\n" +
                           std::string(kProgram);
  const auto program = test::WriteProgram("same.CNC", text);
  auto form = WindowWith(program);
  const int w = form->Simulation().Canvas.Width(), h = form->Simulation().Canvas.Height();
  Control<QPushButton>(form.get(), "LineButton")->click();
  ASSERT_EQ(form->Simulation().Canvas.Width(), w);
  const std::string windowLog = LogOf(program);
  const QImage windowPicture = form->Simulation().Canvas.Image();

  auto sim = std::make_unique<TSimulation>();
  THeadlessHost host(sim->Run, w, h);
  sim->Host = &host;
  sim->Run.ProgramFileName = program.string();
  sim->Canvas.Resize(w, h);
  LineButtonClick(*sim, SplitEditorLines(text));
  EXPECT_EQ(windowLog, LogOf(program));
  EXPECT_TRUE(windowPicture == sim->Canvas.Image());
  EXPECT_EQ(Control<QLabel>(form.get(), "Label1")->text().toStdString(), host.Label1Text());
}

TEST(MainWindow, StepModeWaitsForNextPosAfterEveryElement) {
  const auto program = test::WriteProgram("step.CNC", kProgram);
  auto form = WindowWith(program);
  auto* fileButton = Control<QPushButton>(form.get(), "FileButton");
  Control<QPushButton>(form.get(), "Step_Run")->click();
  EXPECT_EQ(Control<QPushButton>(form.get(), "Step_Run")->text(), "STEP");
  int presses = 0, marked = 0;
  auto* position = Control<QLabel>(form.get(), "StaticText1");
  test::Repeatedly(form.get(), 2, [&] {
    if (!form->Running()) return false;
    EXPECT_EQ(fileButton->text(), "NextPos");
    // A wait shows what the run did up to it, whatever the frames left pending.
    EXPECT_EQ(position->text().toStdString(), form->StaticText1Text());
    const TDirtyRect pending = form->Simulation().Canvas.TakeDirty();
    EXPECT_FALSE(pending.Left < pending.Right && pending.Top < pending.Bottom) << "canvas not shown";
    // In a wait (not a frame of the run going on) the marker shows where the tool is.
    if (const auto& mark = form->Drawing()->ToolMark()) {
      ++marked;
      EXPECT_TRUE(mark->X == form->Simulation().Core.AxisX.Pos && mark->Y == form->Simulation().Core.AxisY.Pos);
    }
    ++presses;
    fileButton->click();
    return true;
  });
  Control<QPushButton>(form.get(), "LineButton")->click();
  EXPECT_GE(presses, 6) << "one press per element";
  EXPECT_GE(marked, 1);
  EXPECT_NE(LogOf(program).find("milling length"), std::string::npos);
  EXPECT_EQ(fileButton->text(), "File");
}

TEST(MainWindow, StopEndsTheRunRestoresTheCaptionsAndADoubleClickStaysAStop) {
  const auto program = test::WriteProgram("stop.CNC", "W\nG0 X10 Y10 Z2\nG1 Z-1\nG1 X50\nM30\n\n");
  auto form = WindowWith(program);
  auto* stop = Control<QPushButton>(form.get(), "Stop1");
  test::Repeatedly(form.get(), 2, [&] {
    // The W block waits in RUN mode: the File button reads "NextPos" until STOP.
    if (!form->Running() || Control<QPushButton>(form.get(), "FileButton")->text() != "NextPos") return true;
    EXPECT_EQ(stop->text(), "STOP");
    QMimeData later;
    later.setUrls({QUrl::fromLocalFile(QString::fromStdString(test::WriteProgram("later.CNC", kProgram).string()))});
    EXPECT_FALSE(DropOn(form.get(), Control(form.get(), "Image1"), later)) << "a DRAW takes no drops";
    stop->click();
    return false;
  });
  Control<QPushButton>(form.get(), "LineButton")->click();
  const std::string log = LogOf(program);
  EXPECT_NE(log.find("Wait a tick"), std::string::npos);
  EXPECT_EQ(log.find("G1X50"), std::string::npos) << "nothing runs after STOP";
  EXPECT_EQ(stop->text(), "EXIT");
  EXPECT_EQ(Control<QPushButton>(form.get(), "FileButton")->text(), "File");
  EXPECT_TRUE(Control<QPushButton>(form.get(), "LineButton")->isEnabled());
  // The second click of a double click on STOP lands on EXIT: it ends the run, not the
  // program; half a second later EXIT takes clicks again.
  stop->click();
  EXPECT_TRUE(form->isVisible());
  std::this_thread::sleep_for(std::chrono::milliseconds(550));
  stop->click();
  EXPECT_FALSE(form->isVisible());
}

// The window handles clicks once a frame; STOP ends the run before the next one.
TEST(MainWindow, StopEndsARunModeDrawWithinAFrame) {
  std::string text = "G0 Z-1\n";
  for (int i = 0; i < 100; ++i) text += i % 2 ? "G1 X0\n" : "G1 X300\n";
  const auto program = test::WriteProgram("stopframe.CNC", text + "M30\n\n");
  auto form = WindowWith(program);
  int framesAfterStop = -1;
  test::Repeatedly(form.get(), 0, [&] {
    if (!form->Running()) return framesAfterStop < 0;
    if (framesAfterStop++ < 0) Control<QPushButton>(form.get(), "Stop1")->click();
    return true;
  });
  Control<QPushButton>(form.get(), "LineButton")->click();
  EXPECT_EQ(framesAfterStop, 0);
  EXPECT_TRUE(form->Simulation().Summary.Stopped);
  EXPECT_LT(form->Simulation().Summary.Blocks, 10u);
}

// Blocks that move nothing still reach a message point: STOP works in a subprogram that
// calls itself; and a guard that ends a DRAW says so under the buttons.
TEST(MainWindow, StopAndTheGuardsEndALoopThatMovesNothing) {
  const auto program = test::WriteProgram("loop.CNC", "N1\nL1\nM30\n\n");
  auto form = WindowWith(program);
  test::Repeatedly(form.get(), 20, [&] {
    if (!form->Running()) return true;
    Control<QPushButton>(form.get(), "Stop1")->click();
    return false;
  });
  Control<QPushButton>(form.get(), "LineButton")->click();
  EXPECT_TRUE(form->Simulation().Summary.Stopped);
  EXPECT_FALSE(form->Simulation().Guard.Tripped());

  form->Simulation().Guard.MaxBlocks = 5000;
  Control<QPushButton>(form.get(), "LineButton")->click();
  EXPECT_EQ(Control<QLabel>(form.get(), "TimeLabel")->text().toStdString(), "stopped: more than 5000 blocks");
}

struct UpDownCase {
  const char* from;
  const char* button;
  const char* to;
};

// DRAW says so when the editor's last line holds a block, beside the time; the two never
// overlap and each is shown whole. The note goes while a transfer's progress takes the
// time's place.
TEST(MainWindow, DrawSaysWhenTheLastLineHoldsABlock) {
  const std::pair<const char*, bool> cases[] = {
      {"F600\nG0 X60\nM30\n", true}, {"G0 X60\nG1 X99\nM30", true} /* the long "(no F)" time */,
      {"F600\nG0 X60\nM30\n; end", false}};
  for (const auto& [program, said] : cases) {
    auto form = WindowWith(test::WriteProgram("last.CNC", program));
    Control<QPushButton>(form.get(), "LineButton")->click();
    auto* note = Control<QLabel>(form.get(), "LastLineNote");
    auto* time = Control<QLabel>(form.get(), "TimeLabel");
    QApplication::processEvents();
    EXPECT_EQ(note->isVisible(), said) << program;
    EXPECT_TRUE(time->isVisible() && time->text().startsWith("machining time ")) << program;
    if (said) {
      EXPECT_LT(note->geometry().right(), time->x()) << program;
    }
    EXPECT_GE(note->width(), note->sizeHint().width()) << program;
    EXPECT_GE(time->width(), time->sizeHint().width()) << program;
    form->ShowTransferProgress(1, 3);
    EXPECT_FALSE(note->isVisible()) << program;
    form->ShowTransferProgress(0, 0);
    EXPECT_EQ(note->isVisible(), said) << program;
  }
}

// Keys act through the buttons' handlers and are greyed out with them: F5 starts no DRAW
// while one runs, Esc stops it, Ctrl+Q offers the save; the status bar says how it ended.
TEST(MainWindow, KeysGoThroughTheButtonsAndTheirGuards) {
  const auto program = test::WriteProgram("keys.CNC", "W\nG0 X10 Y10 Z2\nG1 Z-1\nG1 X50\nM30\n\n");
  auto form = WindowWith(program);
  const auto action = [&](const char* name) { return form->findChild<QAction*>(name); };
  EXPECT_FALSE(action("StopAction")->isEnabled());
  int draws = 0;
  test::Repeatedly(form.get(), 2, [&] {
    if (!form->Running() || Control<QPushButton>(form.get(), "FileButton")->text() != "NextPos") return true;
    EXPECT_FALSE(action("DrawAction")->isEnabled());
    EXPECT_FALSE(action("OpenAction")->isEnabled()) << "File reads NextPos";
    EXPECT_TRUE(action("NextPosAction")->isEnabled());
    EXPECT_FALSE(action("ExitAction")->isEnabled());
    QTest::keyClick(form->Editor(), Qt::Key_F5);
    ++draws;
    QTest::keyClick(form->Editor(), Qt::Key_Escape);
    return false;
  });
  QTest::keyClick(form->Editor(), Qt::Key_F5);
  EXPECT_EQ(draws, 1);
  EXPECT_EQ(LogOf(program).find("G1X50"), std::string::npos) << "Esc stopped the run";
  EXPECT_EQ(LogOf(program).find("Log of:", 1), std::string::npos) << "F5 started no second DRAW";
  EXPECT_TRUE(Control<QLabel>(form.get(), "StatusText")->text().startsWith("Stopped at line 1 "));
  EXPECT_TRUE(action("DrawAction")->isEnabled() && action("ExitAction")->isEnabled());
  QTest::keyClick(form->Editor(), Qt::Key_X);
  test::PressInNextBox(form.get(), "Cancel");
  QTest::keyClick(form->Editor(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_TRUE(form->isVisible()) << "Ctrl+Q offered the save, and Cancel kept the window";
}

// After a STEP-mode run File stays disabled for a moment: the clicks meant for NextPos
// open no dialog.
TEST(MainWindow, FileTakesNoClickMeantForNextPos) {
  auto form = WindowWith(test::WriteProgram("late.CNC", kProgram));
  Control<QPushButton>(form.get(), "Step_Run")->click();
  auto* file = Control<QPushButton>(form.get(), "FileButton");
  test::Repeatedly(form.get(), 1, [&] {
    if (form->Running()) file->click();
    return form->Running() || file->text() != "File";
  });
  QWidget* dialog = nullptr;
  QObject watch;
  test::AnswerNextDialog(&watch, [&](QWidget* d) { dialog = d, d->close(); });
  Control<QPushButton>(form.get(), "LineButton")->click();
  file->click();
  QApplication::processEvents();
  EXPECT_EQ(dialog, nullptr);
  EXPECT_FALSE(file->isEnabled());
  EXPECT_TRUE(test::PumpUntil([&] { return file->isEnabled(); }, 2000)) << "File again after a moment";
}

// A program named on the command line that cannot be opened is said over the window,
// which opens empty.
TEST(MainWindow, CommandLineProgramThatCannotBeOpenedIsSaid) {
  const auto large = test::WindowScratch() / "large.CNC";
  std::ofstream(large).close();
  std::filesystem::resize_file(large, (64u << 20) + 1);  // sparse: no disk taken
  const std::pair<std::filesystem::path, const char*> cases[] = {
      {test::WindowScratch() / "missing.CNC", "No such file or directory"},
      {test::WindowScratch(), "is a folder"},
      {large, "file too large (65 MB, at most 64 MB)"}};
  for (const auto& [path, reason] : cases) {
    QString message;
    QObject watch;
    test::AnswerNextDialog(&watch, [&](QWidget* box) {
      message = static_cast<QMessageBox*>(box)->text();
      EXPECT_TRUE(static_cast<QMessageBox*>(box)->parentWidget()->isVisible()) << "over the window";
      static_cast<QDialog*>(box)->accept();
    });
    auto form = WindowWith(path);
    ASSERT_TRUE(test::PumpUntil([&] { return !message.isEmpty(); }, 2000)) << path;
    EXPECT_TRUE(message.contains(QString::fromStdString(path.string())) && message.contains(reason))
        << message.toStdString();
    EXPECT_EQ(form->windowTitle(), "");
    EXPECT_FALSE(Control<QPushButton>(form.get(), "LineButton")->isEnabled());
  }
  std::filesystem::remove(large);
}

// A typed drill is taken as the up-downs would leave it; anything else goes back to the
// drill as it was, saying why. A typing not yet confirmed is not the drill.
TEST(MainWindow, DrillFieldTakesATypedDiameter) {
  const std::pair<const char*, const char*> cases[] = {
      {"6,35", "6,4"}, {"6.3", "6,3"}, {" 12 ", "12,0"}, {",5", "0,5"}, {"29,9", "29,9"}, {"0", "0,0"},
      {"29,95", nullptr}, {"30", nullptr}, {"-1", nullptr}, {"abc", nullptr}, {"", nullptr}, {"1,2,3", nullptr}};
  TForm1 form(QStringList{"marloq"});
  auto* field = Control<QLineEdit>(&form, "DR_Edit");
  for (const auto& [typed, taken] : cases) {
    form.SetDrEditText("1,0");
    field->setText(typed);
    EXPECT_EQ(form.DrEditText(), "1,0") << typed;
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text().toStdString(), taken ? taken : "1,0") << typed;
    EXPECT_EQ(form.DrEditText(), field->text().toStdString()) << typed;
  }
  EXPECT_TRUE(form.findChild<QStatusBar*>("StatusBar1")->currentMessage().contains("not a diameter"));
}

// The editor keeps its share of the width as the window grows, and never becomes
// narrower than its line numbers and 12 characters.
TEST(MainWindow, EditorKeepsItsShareAndRoomForItsLineNumbers) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "G1 X1\n";
  auto form = WindowWith(test::WriteProgram("long.CNC", text));
  auto* splitter = Control<QSplitter>(form.get(), "Panel2");
  splitter->setSizes({870, 10});
  QApplication::processEvents();
  const QFontMetrics metrics(form->Editor()->font());
  EXPECT_GE(form->Editor()->width(), metrics.horizontalAdvance(QStringLiteral("100000")) + 12 * metrics.horizontalAdvance('X'));
  splitter->setSizes({600, 290});  // as a drag leaves it
  const double share = double(form->Editor()->width()) / splitter->width();
  form->resize(1800, 900);
  QApplication::processEvents();
  EXPECT_NEAR(double(form->Editor()->width()) / splitter->width(), share, 0.02);
}

TEST(MainWindow, DrillUpDownsKeepTheirLimits) {
  const UpDownCase cases[] = {
      {"29,8", "UpDown1Up", "29,9"}, {"29,9", "UpDown1Up", "29,9"}, {"0,0", "UpDown1Down", "0,0"},
      {"0,1", "UpDown1Down", "0,0"}, {"1,5", "UpDown2Down", "0,5"}, {"0,9", "UpDown2Down", "0,9"},
      {"28,5", "UpDown2Up", "29,5"}, {"29,0", "UpDown2Up", "29,0"},
  };
  TForm1 form(QStringList{"marloq"});
  for (const auto& c : cases) {
    form.SetDrEditText(c.from);
    Control<QToolButton>(&form, c.button)->click();
    EXPECT_EQ(Control<QLineEdit>(&form, "DR_Edit")->text().toStdString(), c.to) << c.from << " " << c.button;
  }
}

// The save offer of a close: Cancel keeps the window and its edits, also when the window
// manager asks to close again while the offer is open; Save writes the program at once.
TEST(MainWindow, SaveOfferOfACloseCancelsOrSavesAtOnce) {
  const auto program = test::WriteProgram("edited.CNC", kProgram);
  auto form = WindowWith(program);
  form->Editor()->appendPlainText("G1 X99");
  test::PressInNextBox(form.get(), "Cancel", [&] {
    form->close();  // the window manager's close, while the offer is open
    EXPECT_TRUE(QApplication::activeModalWidget()) << "the offer answers first";
  });
  form->close();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->Editor()->toPlainText().contains("G1 X99"));
  EXPECT_TRUE(form->Simulation().Run.ProgramModified) << "the next close offers again";
  EXPECT_EQ(test::ReadProgramBytes(program), kProgram) << "cancelled: the file is unchanged";
  test::PressInNextBox(form.get(), "Save");
  form->close();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(test::ReadProgramBytes(program).ends_with("G1 X99\r\n")) << "saved where Ctrl+S saves";
}

// File with edits asks first: Save saves at once and Discard drops the edits, each going
// on to the open dialog; Cancel opens nothing.
TEST(MainWindow, FileWithEditsOffersToSaveFirst) {
  struct Case {
    const char* press;
    std::vector<QString> dialogs;
    bool saved, modifiedAfter;
  };
  for (const Case& c : {Case{"Save", {"Open"}, true, false}, Case{"Discard", {"Open"}, false, false},
                        Case{"Cancel", {}, false, true}}) {
    const auto program = test::WriteProgram("file.CNC", kProgram);
    auto form = WindowWith(program);
    form->Editor()->appendPlainText("G1 X99");
    std::vector<QString> dialogs;
    test::PressInNextBox(form.get(), c.press, [&] {
      test::AnswerNextDialog(form.get(), [&](QWidget* dialog) {
        dialogs.push_back(dialog->windowTitle());
        static_cast<QDialog*>(dialog)->reject();
      });
    });
    Control<QPushButton>(form.get(), "FileButton")->click();
    EXPECT_EQ(dialogs, c.dialogs) << c.press;
    EXPECT_EQ(test::ReadProgramBytes(program) != kProgram, c.saved) << c.press;
    EXPECT_EQ(form->Simulation().Run.ProgramModified, c.modifiedAfter) << c.press;
    EXPECT_EQ(form->windowTitle().toStdString(), program.string() + (c.modifiedAfter ? "*" : ""))
        << "the same program";
  }
}

// Ctrl+S saves at once and the caption's '*' goes; a failed save says why and keeps it.
// Without a program Ctrl+S asks for a name, as the save offer does.
TEST(MainWindow, CtrlSSavesAndTheCaptionShowsUnsavedEdits) {
  const auto program = test::WriteProgram("ctrls.CNC", kProgram);
  auto form = WindowWith(program);
  QString dialog;
  const auto answerNext = [&](TForm1* f) {
    test::AnswerNextDialog(f, [&](QWidget* d) { dialog = d->windowTitle(), d->close(); });
  };
  QTest::keyClicks(form->Editor(), "G1 X99");
  EXPECT_EQ(form->windowTitle().toStdString(), program.string() + "*");
  QTest::keyClick(form->Editor(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(form->windowTitle().toStdString(), program.string());
  EXPECT_TRUE(test::ReadProgramBytes(program).starts_with("G1 X99G0 X10 Y10 Z2\r\n"));
  QTest::keyClicks(form->Editor(), ";");
  form->Simulation().Run.ProgramFileName = "/no/such/folder/ctrls.CNC";
  answerNext(form.get());
  QTest::keyClick(form->Editor(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(dialog, "Marloq");
  EXPECT_EQ(form->windowTitle().toStdString(), program.string() + "*");
  auto empty = WindowWith({});
  QTest::keyClicks(empty->Editor(), "G1");
  EXPECT_EQ(empty->windowTitle(), "*");
  answerNext(empty.get());
  QTest::keyClick(empty->Editor(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(dialog, "Save as");
}

// A .CNC file (any case) dropped on the drawing or the editor opens as File opens one,
// after the save offer, which may cancel it; other drops on the editor land there as text.
TEST(MainWindow, DroppedProgramOpensAsFileOpensOne) {
  const struct {
    const char* control;
    const char* file;
    const char* answer;  // to the save offer, after an edit
    bool opened;
  } cases[] = {{"Image1", "dropped.cnc", nullptr, true},
               {"Memo1", "dropped.CNC", "Discard", true},
               {"Image1", "dropped.CNC", "Cancel", false},
               {"Memo1", "dropped.txt", nullptr, false}};
  for (const auto& c : cases) {
    const auto program = test::WriteProgram("shown.CNC", kProgram);
    auto form = WindowWith(program);
    if (c.answer) QTest::keyClicks(form->Editor(), "G4"), test::PressInNextBox(form.get(), c.answer);
    const QString path = QString::fromStdString(test::WriteProgram(c.file, "G0 X5\nM30\n\n").string());
    QMimeData data;  // as file managers drag a file: its URL, and its path as text
    data.setUrls({QUrl::fromLocalFile(path)});
    data.setText(path);
    DropOn(form.get(), Control(form.get(), c.control), data);
    const QString text = form->Editor()->toPlainText();
    EXPECT_EQ(text == "G0 X5\nM30\n\n", c.opened) << c.file << " " << c.control;
    EXPECT_EQ(form->windowTitle(), c.opened ? path : QString::fromStdString(program.string()) + "*") << c.file;
    EXPECT_EQ(text.contains(path), !c.opened && !c.answer) << c.file;  // a drop not taken, as text
  }
}

// The dialog's rule moved the least into the screen's usable area (a frame too large
// keeps its title bar in view); then the real dialog, with the window low on the screen.
TEST(MainWindow, FileDialogIsKeptOnTheScreen) {
  const QRect area(0, 30, 1280, 770);  // a panel of 30 at the top
  const std::pair<QRect, QPoint> cases[] = {{{100, 100, 600, 400}, {100, 100}}, {{900, 600, 600, 400}, {680, 400}},
                                            {{-50, -246, 600, 400}, {0, 30}}, {{500, 500, 1400, 900}, {0, 30}}};
  for (const auto& [frame, kept] : cases) EXPECT_EQ(KeepOnScreen(frame, area), kept) << frame.x() << "," << frame.y();
  auto form = WindowWith({});
  const QRect available = form->screen()->availableGeometry();
  form->move(available.right() - 300, available.bottom() - 200);
  QRect frame;
  test::Repeatedly(form.get(), 5, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || form->findChild<QTimer*>("Timer1")->isActive()) return true;
    frame = dialog->frameGeometry();
    dialog->reject();
    return false;
  });
  Control<QPushButton>(form.get(), "FileButton")->click();
  EXPECT_TRUE(available.contains(frame)) << frame.x() << "," << frame.y();
}

TEST(MainWindow, RunPressedDuringARunSwitchesToSingleStep) {
  const auto program = test::WriteProgram("switch.CNC", kProgram);
  auto form = WindowWith(program);
  auto* fileButton = Control<QPushButton>(form.get(), "FileButton");
  auto* stepRun = Control<QPushButton>(form.get(), "Step_Run");
  bool switched = false;
  // At every pass of the event loop: a RUN-mode run has only a frame or two.
  test::Repeatedly(form.get(), 0, [&] {
    if (!form->Running()) return !switched;  // until the run has been switched and is over
    if (!switched) {
      stepRun->click();
      switched = true;
      EXPECT_EQ(fileButton->text(), "NextPos") << "at once";
    } else {
      fileButton->click();
    }
    return form->Running();
  });
  Control<QPushButton>(form.get(), "LineButton")->click();
  EXPECT_TRUE(switched);
  EXPECT_EQ(stepRun->text(), "STEP");
  EXPECT_NE(LogOf(program).find("milling length"), std::string::npos);
}

TEST(MainWindow, ClosingDuringARunStopsItThenCloses) {
  const auto program = test::WriteProgram("closing.CNC", "W\nG1 X50\nM30\n\n");
  auto form = WindowWith(program);
  test::Repeatedly(form.get(), 2, [&] {
    if (!form->Running()) return true;
    form->close();
    EXPECT_TRUE(form->isVisible()) << "the run stops first";
    return false;
  });
  Control<QPushButton>(form.get(), "LineButton")->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(LogOf(program).find("G1X50"), std::string::npos);
}

TEST(MainWindow, LogThatCannotBeWrittenIsReportedInTheStatusText) {
  const auto program = test::WriteProgram("nolog.CNC", kProgram);
  auto form = WindowWith(program);
  form->Simulation().Run.ProgramFileName = "/no/such/folder/nolog.CNC";
  Control<QPushButton>(form.get(), "LineButton")->click();
  EXPECT_EQ(Control<QLabel>(form.get(), "StaticText1")->text(), "no log written");
  EXPECT_TRUE(Control<QLabel>(form.get(), "StaticText1")->toolTip().contains("/no/such/folder/nolog.LOG"));
  EXPECT_TRUE(Control<QLabel>(form.get(), "Label1")->text().startsWith("milling length")) << "the run went on";
}

TEST(MainWindow, FailedLoadKeepsTheNameOfTheProgramShown) {
  const auto program = test::WriteProgram("kept.CNC", kProgram);
  auto form = WindowWith(program);
  QString message;
  test::AnswerNextDialog(form.get(), [&](QWidget* box) {
    message = static_cast<QMessageBox*>(box)->text();
    static_cast<QDialog*>(box)->accept();
  });
  form->LoadProgramFile(QString::fromStdString(test::WindowScratch().string()));  // a folder
  EXPECT_TRUE(message.contains("folder")) << message.toStdString();
  EXPECT_EQ(form->windowTitle().toStdString(), program.string());
  EXPECT_EQ(form->Simulation().Run.ProgramFileName, program.string());
}

// A program named like its log: DRAW says so and writes nothing.
TEST(MainWindow, DrawRefusesALogThatWouldOverwriteTheProgram) {
  const auto program = test::WriteProgram("self.LOG", kProgram);
  auto form = WindowWith(program);
  QString message;
  test::AnswerNextDialog(form.get(), [&](QWidget* box) {
    message = static_cast<QMessageBox*>(box)->text();
    static_cast<QDialog*>(box)->accept();
  });
  Control<QPushButton>(form.get(), "LineButton")->click();
  EXPECT_TRUE(message.contains("would overwrite the program")) << message.toStdString();
  EXPECT_EQ(test::ReadProgramBytes(program), kProgram);
}

TEST(ProgramFiles, UneditedProgramIsSavedBackByteForByte) {
  std::string bytes = "N10 G1 X1 ; \xe4\xf6\xfc\tend\r\nN20\r\n\r\nM30\r\n";
  const auto program = test::WriteProgram("bytes.CNC", bytes);
  std::string reason;
  const auto read = ReadProgramFile(program.string(), reason);
  ASSERT_TRUE(read) << reason;
  TProgramEditor editor;
  editor.LoadProgram(*read);
  const QString text = editor.toPlainText();
  QString error;
  const auto copy = test::WindowScratch() / "copy.CNC";
  ASSERT_TRUE(WriteProgramText(QString::fromStdString(copy.string()), text, error));
  EXPECT_EQ(test::ReadProgramBytes(copy), bytes);
  // A target that cannot be written leaves nothing half-written and says why.
  EXPECT_FALSE(WriteProgramText(QString::fromStdString((test::WindowScratch() / "no/such/dir.CNC").string()), text, error));
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace marloq

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

namespace marloq {
namespace {

// The check runs off the GUI thread: its findings come once typing pauses, are marked
// where they are, and F8 selects them in turn; an edit that mends them clears the marks.
TEST(MainWindow, EditorMarksWhatTheCheckFinds) {
  auto form = WindowWith(test::WriteProgram("check.CNC", "G0 X0 Y0\nX10 Y10 F300\nM02\n\n"));
  auto* count = Control<QLabel>(form.get(), "FindingsCount");
  const auto settled = [&](const char* text) {
    for (int i = 0; i < 500 && count->text() != text; ++i) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return count->text().toStdString();
  };
  EXPECT_EQ(settled("2 findings (F8)"), "2 findings (F8)");
  std::vector<std::pair<int, int>> marks;
  for (const TFinding& f : form->Editor()->Findings()) marks.emplace_back(f.Line, f.Column);
  EXPECT_EQ(marks, (std::vector<std::pair<int, int>>{{2, 1}, {2, 9}}));
  QTest::keyClick(form->Editor(), Qt::Key_F8);
  QTest::keyClick(form->Editor(), Qt::Key_F8);
  EXPECT_EQ(form->Editor()->textCursor().selectedText(), "F300");
  QTest::keyClick(form->Editor(), Qt::Key_Delete);
  form->Editor()->moveCursor(QTextCursor::StartOfBlock);
  QTest::keyClicks(form->Editor(), "G0 ");
  EXPECT_EQ(settled("no findings"), "no findings");
  EXPECT_TRUE(form->Editor()->Findings().empty());
}

// The check takes the editor's lines block by block; DRAW takes the whole plain text.
TEST(MainWindow, CheckReadsTheLinesDrawReads) {
  for (const QString& text : {QString(), QStringLiteral("\n"), QStringLiteral("G1\nM02"), QStringLiteral("G1\nM02\n\n"),
                              QStringLiteral("G1\u00a0X5\nX\u2028Y\u2029\u00e4\u20ac\n")}) {
    QTextDocument document(text);
    const QByteArray bytes = document.toPlainText().toLatin1();
    EXPECT_EQ(TProgramChecker::LinesOf(document), SplitEditorLines(std::string_view(bytes.constData(), bytes.size())))
        << text.toStdString();
  }
}

}  // namespace
}  // namespace marloq
