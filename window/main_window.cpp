// The main window: its controls with their captions and starting states, their
// layout, and the simulation host the DRAW button runs on.
#include "window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "hid/hid_device_controller.h"
#include "simulation/compensation.h"
#include "simulation/machining_time.h"
#include "simulation/program_text.h"
#include "transfer/latin1_text.h"
#include "window/canvas_widget.h"
#include "window/program_checker.h"
#include "window/program_drop.h"
#include "window/program_editor.h"
#include "window/share_splitter.h"
#include "window/view_redrawer.h"

namespace marloq {

namespace {

QFont PixelFont(const char* family, int pixels, bool fixedPitch) {
  QFont f(QString::fromLatin1(family));
  if (fixedPitch) f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(fixedPitch);
  f.setPixelSize(pixels);
  return f;
}

QPushButton* Button(const char* caption, QWidget* parent) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setMinimumSize(65, 30);
  return b;
}

QToolButton* Arrow(Qt::ArrowType type, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setArrowType(type);
  b->setFixedSize(25, 14);
  return b;
}

}  // namespace

TForm1::TForm1(const QStringList& arguments, THidPlatform* hidPlatform, QSettings* settings, QWidget* parent)
    : QWidget(parent), sim_(std::make_unique<TSimulation>()), settings_(settings) {
  sim_->Host = this;
  sim_->Trace.Enabled = true;  // the editor follows the run
  sim_->RecordsDraw = true;    // views of the drawing are re-drawn from what DRAW painted
  redrawer_ = std::make_unique<TViewRedrawer>();
  redrawer_->OnDone = [this](TRedrawResult& r) { ShowRedrawn(r); };
  const TWindowMemory memory = settings_ ? LoadWindowMemory(*settings_) : TWindowMemory{};
  recent_ = memory.RecentFiles;
  CreateControls();
  CreateMenus();
  CreateStatusBar();
  CreateChecker();
  SetToolTips();
  LayOutControls();
  ConnectControls();
  ConnectMenus();
  if (hidPlatform != nullptr) CreateLink(*hidPlatform);
  PlaceWindow(memory);
  FormCreate(arguments);
  if (memory.StepMode) Step_RunClick();
  SyncActions();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  setObjectName("Form1");
  Panel2 = new TShareSplitter(this);
  Image1 = new TCanvasWidget(Panel2);
  Image1->ShowLive(&sim_->Canvas, &sim_->View);
  Memo1 = new TProgramEditor(Panel2);
  Memo1->setFont(PixelFont("Courier", 17, true));
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setTabChangesFocus(false);
  DevListBox = new QListWidget(this);
  DevListBox->setGeometry(144, 400, 289, 97);
  DevListBox->hide();
  Panel1 = new QWidget(this);
  Step_Run = Button("RUN", Panel1);
  StaticText2 = new QLabel("StepModus", Panel1);
  ComboBox1 = new QComboBox(Panel1);
  for (std::string_view item : kComboBox1Items)
    ComboBox1->addItem(QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size())));
  ComboBox1->setFont(PixelFont("Sans Serif", 13, false));
  StaticText3 = new QLabel("RadiusKorrektur", Panel1);
  UpDown2Up = Arrow(Qt::UpArrow, Panel1);
  UpDown2Down = Arrow(Qt::DownArrow, Panel1);
  DR_Edit = new QLineEdit("1,0", Panel1);
  DR_Edit->setFont(PixelFont("Courier New", 18, true));
  DR_Edit->setFixedSize(55, 28);
  StaticText4 = new QLabel("Drill (mm)", Panel1);
  UpDown1Up = Arrow(Qt::UpArrow, Panel1);
  UpDown1Down = Arrow(Qt::DownArrow, Panel1);
  LineButton = Button("DRAW", Panel1);
  FileButton = Button("File", Panel1);
  Stop1 = Button("EXIT", Panel1);
  Button_CNC = Button("CNC", Panel1);
  Button_CNC->setEnabled(false);
  ProgressBar1 = new QProgressBar(Panel1);
  ProgressBar1->setFormat(QStringLiteral("line %v of %m"));
  ProgressBar1->setFixedHeight(16);
  ProgressBar1->hide();
  DrawProgress = new QProgressBar(Panel1);
  DrawProgress->setFixedHeight(16);
  DrawProgress->hide();
  StaticText1 = new QLabel("0:0:0", Panel1);
  StaticText1->setFont(PixelFont("Courier", 20, true));
  // A fixed size: a new text then repaints the label alone, not the whole row's layout.
  StaticText1->setFixedSize(251, 22);
  Label1 = new QLabel("CNC Daten", Panel1);
  Label1->setFont(PixelFont("Courier New", 16, true));
  // A long block text is cut rather than widening the window: a wider window would
  // resize the drawing, which clears it in the middle of the run.
  Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Label1->setMinimumWidth(251);
  // The time and the last-line note share the place under the buttons; the row is
  // measured to hold both whole (LayOutControls).
  TimeRow = new QWidget(Panel1);
  TimeLabel = new QLabel(TimeRow);
  TimeLabel->setFont(PixelFont("Courier New", 16, true));
  LastLineNote = new QLabel(QString::fromLatin1(kLastLineNotRun.data(), kLastLineNotRun.size()), TimeRow);
  LastLineNote->setFont(PixelFont("Sans Serif", 11, false));
  QPalette notePalette = LastLineNote->palette();
  notePalette.setColor(QPalette::WindowText, TProgramEditor::kUnrunMark);  // ties it to the editor's mark
  LastLineNote->setPalette(notePalette);
  LastLineNote->hide();
  TransferNote = new QLabel(Panel1);
  TransferNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  TransferNote->setMinimumHeight(Label1->sizeHint().height());  // the row keeps its height
  TransferNote->hide();
  Timer1 = new QTimer(this);
  Timer1->setInterval(1);
  Timer1->setSingleShot(true);
  // The controls go by the names the program uses for them (tests find them so too).
  const std::pair<QObject*, const char*> names[] = {
      {Panel2, "Panel2"},         {Image1, "Image1"},         {Memo1, "Memo1"},
      {DevListBox, "DevListBox"}, {Panel1, "Panel1"},         {Step_Run, "Step_Run"},
      {StaticText2, "StaticText2"}, {ComboBox1, "ComboBox1"}, {StaticText3, "StaticText3"},
      {UpDown2Up, "UpDown2Up"},   {UpDown2Down, "UpDown2Down"}, {DR_Edit, "DR_Edit"},
      {StaticText4, "StaticText4"}, {UpDown1Up, "UpDown1Up"}, {UpDown1Down, "UpDown1Down"},
      {LineButton, "LineButton"}, {FileButton, "FileButton"}, {Stop1, "Stop1"},
      {Button_CNC, "Button_CNC"}, {ProgressBar1, "ProgressBar1"}, {DrawProgress, "DrawProgress"},
      {StaticText1, "StaticText1"},
      {Label1, "Label1"},         {TimeRow, "TimeRow"},       {TimeLabel, "TimeLabel"},
      {TransferNote, "TransferNote"}, {LastLineNote, "LastLineNote"}, {Timer1, "Timer1"}};
  for (const auto& [control, name] : names) control->setObjectName(QString::fromLatin1(name));
}

void TForm1::LayOutControls() {
  resize(900, 597);
  auto* form = new QVBoxLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->setSpacing(0);
  form->setMenuBar(MenuBar1);
  form->addWidget(Panel2, 1);
  form->addWidget(Panel1, 0);
  form->addWidget(StatusBar1, 0);
  Panel2->setHandleWidth(10);
  Panel2->setChildrenCollapsible(false);
  Panel2->SetShare(180.0 / (700 + 180));
  auto* row = new QGridLayout(Panel1);
  row->setContentsMargins(8, 8, 8, 2);
  row->setHorizontalSpacing(10);
  row->setVerticalSpacing(1);
  auto* upDown2 = new QVBoxLayout;
  upDown2->setSpacing(0);
  upDown2->addWidget(UpDown2Up);
  upDown2->addWidget(UpDown2Down);
  auto* upDown1 = new QVBoxLayout;
  upDown1->setSpacing(0);
  upDown1->addWidget(UpDown1Up);
  upDown1->addWidget(UpDown1Down);
  auto* drill = new QHBoxLayout;
  drill->setSpacing(1);
  drill->addLayout(upDown2);
  drill->addWidget(DR_Edit);
  drill->addLayout(upDown1);
  row->addWidget(Step_Run, 0, 0);
  row->addWidget(StaticText2, 1, 0);
  row->addWidget(ComboBox1, 0, 1);
  row->addWidget(StaticText3, 1, 1);
  row->addLayout(drill, 0, 2);
  row->addWidget(StaticText4, 1, 2, Qt::AlignHCenter);
  row->addWidget(LineButton, 0, 3);
  row->addWidget(FileButton, 0, 4);
  row->addWidget(Stop1, 0, 5);
  row->addWidget(Button_CNC, 0, 6);
  // The time estimate and the progress of a transfer or of a long DRAW share the place
  // under the buttons; a progress shows only while its transfer or DRAW runs.
  row->addWidget(TimeRow, 1, 3, 1, 4);
  row->addWidget(ProgressBar1, 1, 3, 1, 4);
  row->addWidget(DrawProgress, 1, 3, 1, 4);
  row->addWidget(TransferNote, 1, 3, 1, 6);
  auto* time = new QHBoxLayout(TimeRow);
  time->setContentsMargins(0, 0, 0, 0);
  time->setSpacing(6);
  time->addWidget(LastLineNote);
  time->addWidget(TimeLabel);
  time->addStretch(1);  // what is left parts the time from Label1
  // Wide enough for the note beside a time of up to 99 hours, each whole; fixed, so
  // that no text widens the window in the middle of a run, which would clear the drawing.
  QLabel longest(QStringLiteral("machining time 99:59:59 (no F)"));
  QFont small = TimeLabel->font();
  small.setPixelSize(kSmallTimePixels);
  longest.setFont(small);
  TimeRow->setMinimumWidth(LastLineNote->sizeHint().width() + time->spacing() + longest.sizeHint().width());
  for (QWidget* button : {LineButton, FileButton, Stop1, Button_CNC})
    row->setAlignment(button, Qt::AlignLeft);  // the buttons keep their size when the row is wider
  row->addWidget(StaticText1, 0, 7);
  row->addWidget(Label1, 1, 7, 1, 2);
  row->setColumnStretch(8, 1);
}

void TForm1::ConnectControls() {
  connect(LineButton, &QPushButton::clicked, this, [this] { LineButtonClick(); });
  connect(FileButton, &QPushButton::clicked, this, [this] { FileButtonClick(); });
  connect(Stop1, &QPushButton::clicked, this, [this] { Stop1Click(); });
  connect(Step_Run, &QPushButton::clicked, this, [this] { Step_RunClick(); });
  connect(UpDown1Up, &QToolButton::clicked, this, [this] { UpDown1Click(true); });
  connect(UpDown1Down, &QToolButton::clicked, this, [this] { UpDown1Click(false); });
  connect(UpDown2Up, &QToolButton::clicked, this, [this] { UpDown2Click(true); });
  connect(UpDown2Down, &QToolButton::clicked, this, [this] { UpDown2Click(false); });
  connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Memo1Change(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(Button_CNC, &QPushButton::clicked, this, [this] { Button_CNCClick(); });
  connect(DevListBox, &QListWidget::itemClicked, this, [this] { DevListBoxClick(); });
  connect(DR_Edit, &QLineEdit::editingFinished, this, [this] { DR_EditDone(); });
  Image1->OnMouseMove = [this](int x, int y) { Image1MouseMove(x, y); };
  Image1->OnResize = [this] { FormResize(); };
  Image1->OnZoom = [this](int x, int y, double steps) { Image1Zoom(x, y, steps); };
  Image1->OnDrag = [this](int dx, int dy, bool done) { Image1Drag(dx, dy, done); };
  Image1->OnFit = [this] { Image1Fit(); };
  Image1->OnCtrlClick = [this](int x, int y) { Image1CtrlClick(x, y); };
  // The window and every control that takes drops of its own (the editor's text area)
  // hand a dropped program to FormDragDrop.
  auto* drop = new TProgramDrop(this);
  drop->Accepting = [this] { return !running_; };
  drop->Open = [this](const QString& name) { FormDragDrop(name); };
  setAcceptDrops(true);
  for (QWidget* control : findChildren<QWidget*>())
    if (control->acceptDrops()) control->installEventFilter(drop);
  installEventFilter(drop);
}

void TForm1::FormCreate(const QStringList& arguments) {
  ComboBox1->setCurrentIndex(1);
  sim_->View.ViewScale = 1.0f;
  LineButton->setEnabled(false);
  sim_->Run = TRunControl{};
  sim_->Core.StopRequest = false;
  // A program that cannot be opened is said once the window shows; the window opens empty.
  if (arguments.size() > 1) LoadProgramFile(arguments[1]);
}

// Every control says what it does, and its key where it has one.
void TForm1::SetToolTips() {
  const std::pair<QWidget*, const char*> tips[] = {
      {Step_Run, "RUN: the DRAW runs through; STEP: it stops after every element until NextPos (F6 toggles)"},
      {StaticText2, "RUN runs through, STEP stops after every element (F6 toggles)"},
      {ComboBox1, "Radius compensation side a G4? block takes: Links (H41), keine (H40), Rechts (H42)"},
      {StaticText3, "Radius compensation side a G4? block takes"},
      {UpDown2Up, "Drill diameter \u00b11 mm: up"},
      {UpDown2Down, "Drill diameter \u00b11 mm: down"},
      {UpDown1Up, "Drill diameter \u00b10.1 mm: up"},
      {UpDown1Down, "Drill diameter \u00b10.1 mm: down"},
      {DR_Edit, "Drill diameter in mm, 0.0 to 29.9: type it and press Enter, or use the arrows \u00b11 mm and "
                "\u00b10.1 mm; the next DRAW cuts with it"},
      {StaticText4, "Drill diameter in mm: the width of the red band"},
      {LineButton, "Draw the program: run it, write its log and show the milling length (F5)"},
      {Button_CNC, "Send the program to the milling controller line by line"},
      {StaticText1, "Tool position X Y Z in mm during a run; the mouse over the drawing in mm"},
      {Label1, "The block being run; after the run, the milling length"},
      {LastLineNote, "The editor's last line is never run: end the program with an empty line"},
      {DrawProgress, "How far the DRAW is: the share of the program's lines reached"},
      {ProgressBar1, "The line on its way to the milling controller"},
      {Image1, "Wheel: zoom (Ctrl++ Ctrl+-); drag: pan; double click or Home: fit (Ctrl+0);\n"
               "Ctrl+click: the line drawn there; right click: save the picture"},
      {Memo1, "The program; its last line is never run"}};
  for (const auto& [control, tip] : tips) control->setToolTip(QString::fromUtf8(tip));
}

std::string TForm1::Label1Text() const { return label1Pending_ ? pendingLabel1_ : ToLatin1(Label1->text()); }
std::string TForm1::StaticText1Text() const {
  return staticText1Pending_ ? pendingStaticText1_ : ToLatin1(StaticText1->text());
}

// A run sets Label1 for every block and StaticText1 for every millimetre; the labels
// show the last of them at the next frame.
void TForm1::SetLabel1Text(std::string_view t) {
  if (!running_) return Label1->setText(FromLatin1(t));
  pendingLabel1_.assign(t);
  label1Pending_ = true;
}

void TForm1::SetStaticText1Text(std::string_view t) {
  if (!running_) return StaticText1->setText(FromLatin1(t));
  pendingStaticText1_.assign(t);
  staticText1Pending_ = true;
}

// Clicks meant for NextPos may still come when the run has ended or its wait is over:
// File stays disabled until it has read "File" for a moment.
void TForm1::SetFileButtonCaption(std::string_view c) {
  const bool wasNextPos = FileButton->text() == QLatin1String("NextPos");
  FileButton->setText(FromLatin1(c));
  if (c == "File" && wasNextPos) {
    FileButton->setEnabled(false);
    QTimer::singleShot(kCaptionSettles, this, [this] {
      FileButton->setEnabled(true);
      SyncActions();
    });
  } else {
    FileButton->setEnabled(true);
  }
  SyncActions();
}

// The run ends at a double click's first click on STOP; the time of the change lets
// Stop1Click tell its second click from an EXIT.
void TForm1::SetStop1Caption(std::string_view c) {
  if (c == "EXIT" && Stop1->text() == QLatin1String("STOP")) exitShownAt_ = std::chrono::steady_clock::now();
  Stop1->setText(FromLatin1(c));
  SyncActions();
}

void TForm1::SetLineButtonEnabled(bool enabled) {
  LineButton->setEnabled(enabled);
  SyncActions();
}
int TForm1::ComboBox1Index() const { return ComboBox1->currentIndex(); }
void TForm1::SetComboBox1Index(int index) { ComboBox1->setCurrentIndex(index); }
// The drill as last applied: a typing not yet confirmed with Enter is not the drill.
std::string TForm1::DrEditText() const { return drillText_; }
void TForm1::SetDrEditText(std::string_view t) {
  drillText_.assign(t);
  DR_Edit->setText(FromLatin1(t));
}
int TForm1::CanvasWidth() const { return sim_->Canvas.Width(); }
int TForm1::CanvasHeight() const { return sim_->Canvas.Height(); }

void TForm1::CanvasChanged(const TDirtyRect& d) {
  Image1->update(QRect(d.Left, d.Top, d.Right - d.Left, d.Bottom - d.Top));
}

// About sixty frames a second: the screen's pace, and what the window can show without
// slowing the run it shows.
constexpr auto kFrameInterval = std::chrono::milliseconds(16);
constexpr auto kMarkInterval = std::chrono::milliseconds(100);
// The progress bar repaints itself at once when it changes: a few times a second is
// what a reader can follow.
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
// A DRAW shorter than this ends before its progress would be read.
constexpr double kShowProgressAfterSeconds = 0.5;

// A fast run reaches a message point every microsecond or so: the clock is read at
// every kClockEvery-th, which puts a frame at most a few microseconds late.
bool TForm1::FrameDue() {
  if (!running_) return true;
  if (--untilClock_ > 0) return false;
  untilClock_ = kClockEvery;
  const auto now = std::chrono::steady_clock::now();
  if (now < nextFrame_) return false;
  nextFrame_ = now + kFrameInterval;
  return true;
}

void TForm1::ProcessMessages() {
  ShowFrame(false);
  Image1->SetToolMark(std::nullopt);  // the run goes on: the tool is no longer there
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TForm1::WaitForMessages() {
  ShowFrame(true);
  Image1->SetToolMark(ToolMarkOf(sim_->Core));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// What a run changed since the last frame, handed to the widgets at once; the canvas'
// changes came through CanvasChanged just before. Moving the run-line mark repaints the
// editor's text, so while the run goes on it moves a few times a second only: nobody
// reads faster, and a wait or the end shows the exact line (all).
void TForm1::ShowFrame(bool all) {
  if (label1Pending_) Label1->setText(FromLatin1(pendingLabel1_));
  if (staticText1Pending_) StaticText1->setText(FromLatin1(pendingStaticText1_));
  label1Pending_ = staticText1Pending_ = false;
  const auto now = std::chrono::steady_clock::now();
  if (all || now >= nextMarkMove_) {
    FollowRunLine();
    ShowRunStatus();
    nextMarkMove_ = now + kMarkInterval;
  }
  if (running_) ShowDrawProgress();
}

void TForm1::ShowDrawProgress() {
  const auto now = std::chrono::steady_clock::now();
  if (now < nextProgress_) return;
  nextProgress_ = now + kProgressInterval;
  UpdateRunProgress(progress_, *sim_);
  if (SecondsRunning(progress_) < kShowProgressAfterSeconds) return;
  DrawProgress->setRange(0, std::max(progress_.Lines, 1));
  DrawProgress->setValue(std::min(progress_.LinesReached, progress_.Lines));
  // The bar shows the share of lines; its text, which must fit one short line, the rest.
  DrawProgress->setFormat(QStringLiteral("%p % of the lines, %1 blocks, %2")
                              .arg(progress_.Blocks)
                              .arg(QString::fromStdString(DurationText(SecondsRunning(progress_)))));
  if (!DrawProgress->isVisible()) {
    TimeRow->hide();
    DrawProgress->show();
  }
}

// The editor marks the line of the block being run; it moves only when the line does.
void TForm1::FollowRunLine() {
  if (sim_->Trace.Recording && sim_->Trace.CurrentLine != Memo1->RunLine())
    Memo1->ShowRunLine(sim_->Trace.CurrentLine);
}

}  // namespace marloq
