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
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
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
#include "window/program_drop.h"
#include "window/program_editor.h"
#include "window/view_redrawer.h"
#include "window/side_note.h"

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

TForm1::TForm1(const QStringList& arguments, THidPlatform* hidPlatform, QWidget* parent)
    : QWidget(parent), sim_(std::make_unique<TSimulation>()) {
  sim_->Host = this;
  sim_->Trace.Enabled = true;  // the editor follows the run
  redrawer_ = std::make_unique<TViewRedrawer>();
  redrawer_->OnDone = [this](TRedrawResult& r) { ShowRedrawn(r); };
  CreateControls();
  LayOutControls();
  ConnectControls();
  if (hidPlatform != nullptr) CreateLink(*hidPlatform);
  FormCreate(arguments);
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  setObjectName("Form1");
  Panel2 = new QSplitter(Qt::Horizontal, this);
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
  DR_Edit->setReadOnly(true);
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
  TimeLabel = new QLabel(Panel1);
  TimeLabel->setFont(PixelFont("Courier New", 16, true));
  TimeLabel->setContentsMargins(0, 0, 16, 0);  // apart from Label1 beside it
  // A long estimate is cut rather than widening the window; its tool tip has it whole.
  TimeLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  TransferNote = new QLabel(Panel1);
  TransferNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  TransferNote->setMinimumHeight(Label1->sizeHint().height());  // the row keeps its height
  TransferNote->hide();
  LastLineNote = new TSideNote(QString::fromLatin1(kLastLineNotRun.data(), kLastLineNotRun.size()), TimeLabel, Panel1);
  LastLineNote->setFont(PixelFont("Sans Serif", 12, false));
  QPalette notePalette = LastLineNote->palette();
  notePalette.setColor(QPalette::WindowText, TProgramEditor::kUnrunMark);  // ties it to the editor's mark
  LastLineNote->setPalette(notePalette);
  LastLineNote->setToolTip(LastLineNote->text() + QStringLiteral(": the editor's last line is never run; "
                                                                  "end the program with an empty line"));
  // Right-click on the drawing, or the shortcut anywhere in the window.
  SavePictureAction = new QAction(QString::fromUtf8("Save picture\u2026"), this);
  SavePictureAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  addAction(SavePictureAction);
  Image1->addAction(SavePictureAction);
  // Zoom about the drawing's centre and fit, from anywhere in the window.
  const std::pair<QKeySequence, double> zooms[] = {{QKeySequence(Qt::CTRL | Qt::Key_Plus), 1},
                                                   {QKeySequence(Qt::CTRL | Qt::Key_Equal), 1},
                                                   {QKeySequence(Qt::CTRL | Qt::Key_Minus), -1},
                                                   {QKeySequence(Qt::CTRL | Qt::Key_0), 0}};
  for (const auto& [keys, steps] : zooms) {
    auto* zoom = new QAction(this);
    zoom->setShortcut(keys);
    addAction(zoom);
    connect(zoom, &QAction::triggered, this, [this, steps] { steps == 0 ? Image1Fit() : ZoomAboutCentre(steps); });
  }
  Image1->setContextMenuPolicy(Qt::ActionsContextMenu);
  SaveAction = new QAction(QStringLiteral("Save"), this);
  SaveAction->setShortcut(QKeySequence::Save);
  addAction(SaveAction);
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
      {Label1, "Label1"},         {TimeLabel, "TimeLabel"},   {TransferNote, "TransferNote"},
      {LastLineNote, "LastLineNote"},
      {SavePictureAction, "SavePictureAction"}, {SaveAction, "SaveAction"},
      {Timer1, "Timer1"}};
  for (const auto& [control, name] : names) control->setObjectName(QString::fromLatin1(name));
}

void TForm1::LayOutControls() {
  setGeometry(322, 508, 900, 597);
  auto* form = new QVBoxLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->setSpacing(0);
  form->addWidget(Panel2, 1);
  form->addWidget(Panel1, 0);
  Panel2->setHandleWidth(10);
  Panel2->setChildrenCollapsible(false);
  Panel2->setStretchFactor(0, 1);  // the drawing absorbs a resize, the editor keeps its width
  Panel2->setStretchFactor(1, 0);
  Memo1->setMinimumWidth(90);
  Panel2->setSizes({700, 180});
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
  row->addWidget(TimeLabel, 1, 3, 1, 4, Qt::AlignRight);
  row->addWidget(ProgressBar1, 1, 3, 1, 4);
  row->addWidget(DrawProgress, 1, 3, 1, 4);
  row->addWidget(TransferNote, 1, 3, 1, 6);
  // The last-line note shares the time's place, from the left; where the two would meet,
  // the time, on top, stays whole.
  row->addWidget(LastLineNote, 1, 3, 1, 4, Qt::AlignLeft);
  TimeLabel->setAutoFillBackground(true);
  TimeLabel->raise();
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
  connect(SavePictureAction, &QAction::triggered, this, [this] { SavePictureClick(); });
  connect(SaveAction, &QAction::triggered, this, [this] { SaveClick(); });
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
  if (arguments.size() > 1 && QFileInfo(arguments[1]).isFile()) LoadProgramFile(arguments[1]);
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

void TForm1::SetFileButtonCaption(std::string_view c) { FileButton->setText(FromLatin1(c)); }

// The run ends at a double click's first click on STOP; the time of the change lets
// Stop1Click tell its second click from an EXIT.
void TForm1::SetStop1Caption(std::string_view c) {
  if (c == "EXIT" && Stop1->text() == QLatin1String("STOP")) exitShownAt_ = std::chrono::steady_clock::now();
  Stop1->setText(FromLatin1(c));
}

void TForm1::SetLineButtonEnabled(bool enabled) { LineButton->setEnabled(enabled); }
int TForm1::ComboBox1Index() const { return ComboBox1->currentIndex(); }
void TForm1::SetComboBox1Index(int index) { ComboBox1->setCurrentIndex(index); }
std::string TForm1::DrEditText() const { return ToLatin1(DR_Edit->text()); }
void TForm1::SetDrEditText(std::string_view t) { DR_Edit->setText(FromLatin1(t)); }
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
    TimeLabel->hide();
    DrawProgress->show();
  }
}

// The editor marks the line of the block being run; it moves only when the line does.
void TForm1::FollowRunLine() {
  if (sim_->Trace.Recording && sim_->Trace.CurrentLine != Memo1->RunLine())
    Memo1->ShowRunLine(sim_->Trace.CurrentLine);
}

}  // namespace marloq
