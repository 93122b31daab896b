// The main window's handlers: program files, run control, the drill up-downs, the
// mouse read-out and the layout. During a run they only set flags and captions.
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <utility>

#include "simulation/block_driver.h"
#include "simulation/draw_sequence.h"
#include "simulation/drawing.h"
#include "simulation/file_saving.h"
#include "simulation/machining_time.h"
#include "simulation/picture_file.h"
#include "simulation/program_file.h"
#include "simulation/program_text.h"
#include "simulation/system_text.h"
#include "simulation/tool_change.h"
#include "transfer/latin1_text.h"
#include "window/canvas_widget.h"
#include "window/drill_entry.h"
#include "window/program_checker.h"
#include "window/main_window.h"
#include "window/program_editor.h"
#include "window/program_files.h"
#include "window/view_redrawer.h"
#include "window/screen_placement.h"
#include "window/status_texts.h"

namespace marloq {

namespace {

const QString kOpenTitle = QStringLiteral("Open");
const QString kSaveTitle = QStringLiteral("Save as");
const QString kFilter = QStringLiteral("CNC Daten (*.CNC *.cnc);;alle Dateien (*)");
const QString kPictureTitle = QStringLiteral("Save picture");
constexpr int kOpenDialogTag = 1, kSaveDialogTag = 2;
// How far from a click on the drawing a block's path may pass and still be found.
constexpr int kPickRadius = 24;

QString FullPath(const QString& name) { return QDir::cleanPath(QFileInfo(name).absoluteFilePath()); }

QFileDialog* FileDialog(QWidget* parent, const QString& title, QFileDialog::AcceptMode mode, const QString& preset,
                        const QString& filter, const QString& suffix) {
  auto* d = new QFileDialog(parent, title, QStringLiteral("."), filter);
  d->setOption(QFileDialog::DontUseNativeDialog);  // a window of ours, which the timer can place
  d->setAcceptMode(mode);
  d->setDefaultSuffix(suffix);
  if (!preset.isEmpty()) d->selectFile(preset);
  d->setAttribute(Qt::WA_DeleteOnClose, false);
  return d;
}

QFileDialog* ProgramDialog(QWidget* parent, const QString& title, QFileDialog::AcceptMode mode,
                           const QString& preset) {
  return FileDialog(parent, title, mode, preset, kFilter, QStringLiteral("CNC"));
}

}  // namespace

// An error before the window shows (a program named on the command line) waits for it,
// so that its box stands over the window it is about.
void TForm1::ShowError(const QString& message) {
  if (!shownOnce_) {
    pendingErrors_ << message;
    return;
  }
  QMessageBox::critical(this, QStringLiteral("Marloq"), message);
}

bool TForm1::LoadProgramFile(const QString& name) {
  std::string error;
  // Read first: a file that fails leaves the window naming the program it shows.
  const auto bytes = ReadProgramFile(name.toStdString(), error);
  if (!bytes) {
    ShowError(QString::fromStdString(error));
    return false;
  }
  const QString fullPath = FullPath(name);
  sim_->Run.ProgramFileName = fullPath.toStdString();
  programName_ = name;
  SetProgramModified(sim_->Run.ProgramModified);  // the caption names it; File clears the flag after
  {
    const QSignalBlocker quiet(Memo1);  // loading a file is not an edit
    Memo1->LoadProgram(*bytes);
  }
  Memo1->ShowRunLine(-1);
  checker_->CheckNow();
  if (transfer_) transfer_->ForgetResume();
  LineButton->setEnabled(true);
  StatusText->setText(QStringLiteral("%1 lines: DRAW (F5) draws the program").arg(Memo1->blockCount()));
  RememberRecent(recent_, fullPath);
  if (settings_) SaveRecentFiles(*settings_, recent_);
  SyncActions();
  return true;
}

bool TForm1::ExecFileDialog(QWidget* dialog, int tag) {
  timerTag_ = tag;
  Timer1->start();
  return static_cast<QFileDialog*>(dialog)->exec() == QDialog::Accepted;
}

// The save offer before an action that would drop the edits (EXIT, closing, another
// file): true when the action may go on (nothing to save, saved, or the user chose to
// discard the edits). Cancelling, in the question or in the file dialog, or a save that
// fails, cancels the action, and the edits stay in the editor.
bool TForm1::SaveNow() {
  if (!sim_->Run.ProgramModified) return true;
  saveOfferOpen_ = true;
  const bool goOn = OfferToSave();
  saveOfferOpen_ = false;
  return goOn;
}

bool TForm1::OfferToSave() {
  QMessageBox question(QMessageBox::Question, QStringLiteral("Marloq"),
                       QStringLiteral("The program has changes that are not saved."), QMessageBox::NoButton, this);
  question.setObjectName(QStringLiteral("SaveQuestion"));
  // "Save" saves where Ctrl+S does; it asks for a name only when there is none to save to.
  const bool named = !sim_->Run.ProgramFileName.empty();
  QPushButton* save = question.addButton(named ? QStringLiteral("Save") : QStringLiteral("Save\u2026"),
                                         QMessageBox::AcceptRole);
  QPushButton* discard = question.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
  question.addButton(QMessageBox::Cancel);
  question.setDefaultButton(save);
  question.exec();
  if (question.clickedButton() == discard) return true;
  if (question.clickedButton() != save) return false;
  // A write that fails has said why; the edits may still go elsewhere.
  return (named && SaveTo(QString::fromStdString(sim_->Run.ProgramFileName))) || SaveAs();
}

// Saving under another name leaves ProgramFileName, and so the log's name, alone.
bool TForm1::SaveAs() {
  std::unique_ptr<QFileDialog> d(ProgramDialog(this, kSaveTitle, QFileDialog::AcceptSave,
                                               QString::fromStdString(sim_->Run.ProgramFileName)));
  if (!ExecFileDialog(d.get(), kSaveDialogTag) || d->selectedFiles().isEmpty()) return false;
  return SaveTo(FullPath(d->selectedFiles().first()));
}

// A failed save says why and keeps the edits marked as unsaved.
bool TForm1::SaveTo(const QString& path) {
  QString error;
  if (!WriteProgramText(path, Memo1->toPlainText(), error)) {
    ShowError(error);
    return false;
  }
  SetProgramModified(false);
  return true;
}

// Ctrl+S: at once to the loaded program; without one, the save offer's "Save as".
void TForm1::SaveClick() {
  if (!sim_->Run.ProgramFileName.empty()) {
    SaveTo(QString::fromStdString(sim_->Run.ProgramFileName));
    return;
  }
  SaveAsClick();
}

// Save As…: the editor under a name of the user's choice; the loaded program stays the
// one the log is named after.
void TForm1::SaveAsClick() {
  saveOfferOpen_ = true;
  SaveAs();
  saveOfferOpen_ = false;
  if (std::exchange(closeWhileOffered_, false)) close();
}

// Every change of ProgramModified comes here: the caption marks unsaved edits with a
// '*' after the program's name.
void TForm1::SetProgramModified(bool modified) {
  sim_->Run.ProgramModified = modified;
  setWindowTitle(modified ? programName_ + QLatin1Char('*') : programName_);
}

void TForm1::FileButtonClick() {
  if (FileButton->text() != QLatin1String("File")) {
    sim_->Run.NextPosRequest = true;
    return;
  }
  if (!OfferBeforeOpening()) return;
  std::unique_ptr<QFileDialog> d(ProgramDialog(this, kOpenTitle, QFileDialog::AcceptOpen,
                                               QString::fromStdString(sim_->Run.ProgramFileName)));
  d->setFileMode(QFileDialog::ExistingFile);
  if (ExecFileDialog(d.get(), kOpenDialogTag) && !d->selectedFiles().isEmpty())
    LoadProgramFile(d->selectedFiles().first());
  SetProgramModified(false);
}

// The save offer before another program takes the editor: false when it was cancelled,
// or when the window was asked to close meanwhile (it closes now).
bool TForm1::OfferBeforeOpening() {
  const bool saved = SaveNow();
  // A close request that came while the offer was open waited for it.
  if (std::exchange(closeWhileOffered_, false) && saved) {
    close();
    return false;
  }
  return saved;
}

// A program dropped on the window opens as File opens one; not while a DRAW runs.
void TForm1::FormDragDrop(const QString& name) {
  if (running_ || !OfferBeforeOpening()) return;
  LoadProgramFile(name);
  SetProgramModified(false);
}

// File > Open Recent: as File opens a program, without the dialog. One that can no
// longer be read leaves the list.
void TForm1::OpenRecentClick(const QString& name) {
  if (FileButton->text() != QLatin1String("File") || !OfferBeforeOpening()) return;
  if (!LoadProgramFile(name)) {
    recent_.removeAll(name);
    if (settings_) SaveRecentFiles(*settings_, recent_);
  }
  SetProgramModified(false);
}

void TForm1::Memo1Change() {
  SetProgramModified(true);
  checker_->Schedule();
  // A failed transfer can be resumed only while its lines are still the program's.
  if (transfer_) transfer_->ForgetResume();
}

void TForm1::Timer1Timer() {
  Timer1->stop();
  const QString title = timerTag_ == kOpenDialogTag ? kOpenTitle : timerTag_ == kSaveDialogTag ? kSaveTitle : QString();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || !qobject_cast<QFileDialog*>(w) || w->windowTitle() != title) continue;
    const QPoint form = frameGeometry().topLeft();
    const QPoint rule(form.x() + 200, form.y() + Panel1->mapTo(this, QPoint(0, 0)).y() - 246);
    w->move(KeepOnScreen(QRect(rule, w->frameGeometry().size()), screen()->availableGeometry()));
    w->raise();
    return;
  }
}

void TForm1::LineButtonClick() {
  if (running_) return;
  // A program named like its log (say x.LOG) would be overwritten by it.
  const std::string log = LogPathOf(sim_->Run.ProgramFileName);
  if (SameFile(sim_->Run.ProgramFileName, log)) {
    ShowError(QStringLiteral("The log %1 would overwrite the program itself: save the program under another "
                             "name first.").arg(QString::fromStdString(log)));
    return;
  }
  HideTransferNote();
  // The program and the choices this DRAW starts with are what a re-draw repeats.
  redrawer_->Cancel();
  drawn_.EditorLines.reset();
  Image1->ShowLive(&sim_->Canvas, &sim_->View);
  Image1->SetToolMark(std::nullopt);
  resizedInRun_ = false;
  running_ = true;
  statusLine_ = -2;
  SyncActions();
  StartRunProgress(progress_);
  nextFrame_ = nextProgress_ = std::chrono::steady_clock::now();
  untilClock_ = 0;
  const QByteArray text = Memo1->toPlainText().toLatin1();
  auto lines = std::make_shared<const std::vector<std::string>>(
      SplitEditorLines(std::string_view(text.constData(), text.size())));
  TRedrawRequest drawn;
  drawn.EditorLines = lines;
  drawn.DrillText = DrEditText();
  drawn.CompensationIndex = ComboBox1Index();
  marloq::LineButtonClick(*sim_, *lines);
  running_ = false;
  SyncActions();
  drawn_ = std::move(drawn);
  drawn_.StopAt = sim_->Guard.StoppedAt;
  drawn_.DrawnView = sim_->View.Frame();
  drawn_.DrawnHeight = sim_->Canvas.Height();
  drawnBox_ = sim_->View.Extents;
  fitted_ = true;
  // A canvas resized under the run lost what the run drew: neither its record nor its
  // picture is the DRAW's. Otherwise the picture is the fitted view's, kept for a fit.
  if (!resizedInRun_) {
    drawn_.Record = sim_->Record;
    redrawer_->Keep({sim_->Canvas.Image().copy(), drawn_.DrawnView, sim_->Trace, true});
  }
  Image1->SetToolMark(sim_->Summary.Tool);
  // A resize under the run cleared what it drew so far: the whole drawing comes again.
  if (resizedInRun_) Image1Fit();
  ShowFrame(true);
  DrawProgress->hide();
  TimeRow->setVisible(!ProgressBar1->isVisible());
  if (sim_->Trace.CurrentLine >= 0) Memo1->ShowRunLine(sim_->Trace.CurrentLine);
  ShowRunSummary(!lines->empty() && HoldsBlock(lines->back()));
  // The run went on without its log; say so once instead of failing silently.
  if (!sim_->Log.Error().empty()) StaticText1->setText(QStringLiteral("no log written"));
  StaticText1->setToolTip(sim_->Log.Error().empty() ? QStringLiteral("Tool position X Y Z in mm")
                                                    : QString::fromStdString(sim_->Log.Error()));
  ShowRunEndStatus(sim_->Log.Error());
  if (closeRequested_ && !(transfer_ && transfer_->Transferring())) close();
}

void TForm1::ShowRunSummary(bool lastLineNotRun) {
  const QString text = QString::fromStdString(MachiningTimeText(sim_->Summary.Time));
  // A guard's stop matters more than the time of a run that never ended, and more than
  // the line it never reached.
  const std::string guardStop = GuardStopText(sim_->Guard);
  TimeLabel->setText(guardStop.empty() ? text : QString::fromStdString(guardStop));
  LastLineNote->setVisible(lastLineNotRun && guardStop.empty());
  QFont font = TimeLabel->font();
  // The longer text, or the time beside the note, in the same place.
  font.setPixelSize(guardStop.empty() && !lastLineNotRun ? 16 : kSmallTimePixels);
  TimeLabel->setFont(font);
  TimeLabel->setToolTip(QStringLiteral("%1%2: cutting at the programmed feed, travel at %3 mm/min")
                            .arg(text, sim_->Summary.Stopped ? QStringLiteral(" up to the stop") : QString())
                            .arg(kRapidFeed));
}

void TForm1::Stop1Click() {
  if (Stop1->text() == QLatin1String("STOP")) {
    RequestStop(*sim_);
    return;
  }
  // The second click of a double click on STOP, which ended the run: not an EXIT.
  if (std::chrono::steady_clock::now() - exitShownAt_ < kCaptionSettles) return;
  close();
}

void TForm1::Step_RunClick() {
  if (Step_Run->text() == QLatin1String("STEP")) {
    Step_Run->setText(QStringLiteral("RUN"));
    sim_->Run.RunMode = true;
    SyncActions();
    return;
  }
  Step_Run->setText(QStringLiteral("STEP"));
  sim_->Run.RunMode = false;
  if (!LineButton->isEnabled() && running_) SetFileButtonCaption("NextPos");
  SyncActions();
}

void TForm1::UpDown2Click(bool up) {
  const float v = DrillValue(*sim_);
  if (up && v < 29) SetDrEditText(FormatSystem("%1.1Lf", Extended(v) + 1));
  if (!up && v >= 1) SetDrEditText(FormatSystem("%1.1Lf", Extended(v) - 1));
}

void TForm1::UpDown1Click(bool up) {
  const float v = DrillValue(*sim_);
  if (up && v < 29.81f) SetDrEditText(FormatSystem("%1.1Lf", Extended(v) + 0.1L));
  if (!up && v > 0) SetDrEditText(FormatSystem("%1.1Lf", Extended(v) - 0.1L));
}

// Typed into the drill field: applied as the up-downs would leave it, or back to the
// drill as it was, with the reason in the status bar.
void TForm1::DR_EditDone() {
  const QString typed = DR_Edit->text();
  if (const auto tenths = TypedDrillTenths(ToLatin1(typed))) {
    SetDrEditText(FormatSystem("%1.1Lf", *tenths / 10.0L));
    return;
  }
  SetDrEditText(drillText_);
  StatusBar1->showMessage(QStringLiteral("Drill: \"%1\" is not a diameter from %2 to %3 mm")
                              .arg(typed, QString::fromStdString(FormatSystem("%1.1Lf", 0.0L)),
                                   QString::fromStdString(FormatSystem("%1.1Lf", kMaxDrillTenths / 10.0L))),
                          kStatusMessageMs);
}

// StaticText1 reads the mouse as the layout always did; the status bar only once a DRAW's
// extents have set the view, as before that a position would mean nothing.
void TForm1::Image1MouseMove(int x, int y) {
  StaticText1->setText(QString::fromStdString(MouseReadout(Image1->View(), sim_->Canvas.Height(), x, y)));
  if (drawn_.EditorLines || (running_ && sim_->Guard.Pass >= 2))
    MousePosition->setText(MousePositionText(MousePositionOf(Image1->View(), sim_->Canvas.Height(), x, y)));
}

void TForm1::Image1CtrlClick(int x, int y) {
  if (!Image1->ShowsOwnPicture()) return;  // the picture of this view is still coming
  const int32_t line = LineNearest(Image1->Live() ? sim_->Trace : shownPicks_, x, y, kPickRadius);
  if (line >= 0) Memo1->SelectLine(line);
}

void TForm1::SavePictureClick() {
  if (running_) return;  // the picture is not finished, and a run takes no dialogs
  QString preset;
  if (!sim_->Run.ProgramFileName.empty()) {
    const QFileInfo program(QString::fromStdString(sim_->Run.ProgramFileName));
    preset = program.dir().filePath(program.completeBaseName() + QStringLiteral(".png"));
  }
  std::unique_ptr<QFileDialog> d(FileDialog(this, kPictureTitle, QFileDialog::AcceptSave, preset,
                                            QStringLiteral("PNG picture (*.png)"), QStringLiteral("png")));
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return;
  const std::string path = FullPath(d->selectedFiles().first()).toStdString();
  std::string error;
  if (SameFile(path, sim_->Run.ProgramFileName))
    ShowError(QStringLiteral("The picture would overwrite the program %1.").arg(QString::fromStdString(path)));
  else if (!SavePicture(Image1->Picture(), path, error))
    ShowError(QString::fromStdString(error));
}

void TForm1::closeEvent(QCloseEvent* event) {
  // The window manager may ask while a save offer is open: the offer answers first.
  if (saveOfferOpen_) {
    closeWhileOffered_ = true;
    event->ignore();
    return;
  }
  const bool transferring = transfer_ && transfer_->Transferring();
  if (running_ || transferring) {
    // Stop the run and the transfer first; whichever handler ends last closes the
    // window.
    RequestStop(*sim_);
    if (transferring) transfer_->RequestStop();
    closeRequested_ = true;
    event->ignore();
    return;
  }
  closeWhileOffered_ = false;
  if (!SaveNow()) {
    closeWhileOffered_ = false;
    event->ignore();  // the edits stay, and so does the window
    return;
  }
  RememberWindow();
  FormClose();
  event->accept();
}

}  // namespace marloq
