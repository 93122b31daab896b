// The main window (Form1): drawing, editor and the control row; it hosts the DRAW
// simulation, loads and saves program files and sends the program over the USB link.
#pragma once

#include <QString>
#include <QWidget>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "simulation/run_progress.h"
#include "simulation/simulation.h"
#include "simulation/simulation_host.h"
#include "simulation/view_redraw.h"
#include "transfer/program_transfer.h"
#include "window/window_memory.h"

class QComboBox;
class QMenu;
class QMenuBar;
class QSettings;
class QStatusBar;
class QLabel;
class QLineEdit;
class QListWidget;
class QAction;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTimer;
class QToolButton;

namespace marloq {

class TCanvasWidget;
class TProgramEditor;
class TShareSplitter;
class THidDeviceController;
class THidPlatform;
class TViewRedrawer;
class TProgramChecker;
struct TCheckReport;

class TForm1 : public QWidget, public TSimulationHost, public TTransferHost {
 public:
  // Without a HID platform the window has no USB link and CNC stays disabled. Without
  // settings it remembers nothing between starts: it opens by the placement rule.
  explicit TForm1(const QStringList& arguments, THidPlatform* hidPlatform = nullptr, QSettings* settings = nullptr,
                  QWidget* parent = nullptr);
  ~TForm1() override;

  // Handlers, named after their controls and events.
  // False, with the reason shown, when the file could not be read.
  bool LoadProgramFile(const QString& name);
  bool SaveNow();
  void LineButtonClick();
  void FileButtonClick();
  void Stop1Click();
  void Step_RunClick();
  void UpDown1Click(bool up);
  void UpDown2Click(bool up);
  void Memo1Change();
  void Timer1Timer();
  void Image1MouseMove(int x, int y);
  void Image1CtrlClick(int x, int y);
  void SavePictureClick();
  void SaveClick();
  void SaveAsClick();
  void DR_EditDone();
  void OpenRecentClick(const QString& name);
  void FormDragDrop(const QString& name);
  void FormResize();
  void FormActivate();
  // The view of the drawing: wheel steps zoom about (x, y), a drag pans, fit shows the
  // whole drawing as DRAW does; each view is drawn again for its region and scale.
  void Image1Zoom(int x, int y, double steps);
  void Image1Drag(int dx, int dy, bool done);
  void Image1Fit();
  void Button_CNCClick();
  void DevListBoxClick();

  // The simulation host.
  std::string Label1Text() const override;
  void SetLabel1Text(std::string_view text) override;
  std::string StaticText1Text() const override;
  void SetStaticText1Text(std::string_view text) override;
  void SetFileButtonCaption(std::string_view caption) override;
  void SetStop1Caption(std::string_view caption) override;
  void SetLineButtonEnabled(bool enabled) override;
  int ComboBox1Index() const override;
  void SetComboBox1Index(int index) override;
  std::string DrEditText() const override;
  void SetDrEditText(std::string_view text) override;
  int CanvasWidth() const override;
  int CanvasHeight() const override;
  void CanvasChanged(const TDirtyRect& dirty) override;
  bool FrameDue() override;
  void ProcessMessages() override;
  void WaitForMessages() override;

  // The transfer host.
  std::vector<std::string> EditorLines() const override;
  void AppendEditorLine(std::string_view text, TAppended kind) override;
  void SetButtonCncEnabled(bool enabled) override;
  void SetButtonCncCaption(std::string_view caption) override;
  void ShowDevListBox(const std::vector<std::string>& items, int selected) override;
  void ShowTransferProgress(int line, int lines) override;
  void ShowTransferFailure(std::string_view reason) override;

  // For tests and the screenshot: the simulation behind the window.
  const TSimulation& Simulation() const { return *sim_; }
  TSimulation& Simulation() { return *sim_; }
  TProgramEditor* Editor() const { return Memo1; }
  bool Running() const { return running_; }
  // The USB link's handlers, or null without a link.
  TProgramTransfer* Transfer() const { return transfer_.get(); }
  TCanvasWidget* Drawing() const { return Image1; }
  // A re-draw of the view is on its way.
  bool Redrawing() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void CreateControls();
  void CreateMenus();
  void CreateStatusBar();
  void SetToolTips();
  void LayOutControls();
  void ConnectControls();
  void ConnectMenus();
  void FormCreate(const QStringList& arguments);
  // Menus and keys act through the buttons' handlers and are greyed out with them.
  void SyncActions();
  void FillRecentMenu();
  void ShowShortcuts();
  void ShowAbout();
  // Place, size, splitter and RUN/STEP: where they were last time, on the screen.
  void PlaceWindow(const TWindowMemory& memory);
  void FormFirstShown();
  void KeepFrameOnScreen();
  void RememberWindow();
  // The program check: started after edits and loads, its report shown in the editor
  // and counted in the status bar; F8 and Shift+F8 walk the findings.
  void CreateChecker();
  void ShowFindings(const TCheckReport& report);
  void GoToFinding(bool forward);
  void ShowRunStatus();
  void ShowRunEndStatus(const std::string& logError);
  bool ExecFileDialog(QWidget* dialog, int tag);
  bool OfferToSave();
  bool OfferBeforeOpening();
  bool SaveAs();
  bool SaveTo(const QString& path);
  void SetProgramModified(bool modified);
  void ShowError(const QString& message);
  void CreateLink(THidPlatform& platform);
  void FormClose();
  void FollowRunLine();
  void ShowFrame(bool all);
  void ShowDrawProgress();
  void ShowRunSummary(bool lastLineNotRun);
  void HideTransferNote();
  bool AskResume(bool& resume);
  void GoToView(const TViewFrame& view, bool fitted);
  void ShowRedrawn(TRedrawResult& result);
  void KeepDrawingForView();
  TViewFrame FittedView() const;
  void ZoomAboutCentre(double steps);

  std::unique_ptr<TSimulation> sim_;
  std::unique_ptr<THidDeviceController> HID;
  std::unique_ptr<TProgramTransfer> transfer_;
  bool running_ = false;
  // During a run, texts reach their labels once per frame, in ShowFrame.
  std::string pendingLabel1_, pendingStaticText1_;
  bool label1Pending_ = false, staticText1Pending_ = false;
  std::chrono::steady_clock::time_point nextFrame_, nextMarkMove_, nextProgress_;
  std::chrono::steady_clock::time_point exitShownAt_;  // when Stop1 last turned from STOP to EXIT
  static constexpr int kClockEvery = 16;
  int untilClock_ = 0;
  TRunProgress progress_;
  bool closeRequested_ = false;
  QSettings* settings_ = nullptr;  // the desktop's settings; null: nothing is remembered
  QStringList recent_;             // the programs opened last, the latest first
  bool shownOnce_ = false;
  bool placing_ = false;           // shown just now: the frame may still be moved onto the screen
  QStringList pendingErrors_;      // errors before the window was shown, said once it is
  std::string drillText_ = "1,0";  // the drill as last applied; the field may hold a typing
  int statusLine_ = -2;            // the run line the status bar shows
  static constexpr int kStatusMessageMs = 6000;  // how long a passing message stays
  // How long after a button's caption changed a click is still taken for the one before.
  static constexpr auto kCaptionSettles = std::chrono::milliseconds(500);
  static constexpr int kSmallTimePixels = 12;    // the time beside the note, or a guard's longer stop
  bool saveOfferOpen_ = false;      // a save offer's dialog is open
  bool closeWhileOffered_ = false;  // and the window was asked to close meanwhile
  int timerTag_ = 0;
  // The last DRAW's program and choices, to draw it again for another view; no program
  // until the first DRAW.
  TRedrawRequest drawn_;
  TPathBox drawnBox_;
  bool fitted_ = true;           // the view shown is the one that fits the drawing
  bool resizedInRun_ = false;    // the canvas was cleared under a run
  TViewFrame dragFrom_;
  bool dragging_ = false;
  TBlockTrace shownPicks_;       // of the re-drawn picture shown
  std::unique_ptr<TViewRedrawer> redrawer_;
  std::unique_ptr<TProgramChecker> checker_;
  QString programName_;  // the loaded program's name as passed in: the caption

  TShareSplitter* Panel2 = nullptr;
  TCanvasWidget* Image1 = nullptr;
  TProgramEditor* Memo1 = nullptr;
  QListWidget* DevListBox = nullptr;
  QWidget* Panel1 = nullptr;
  QPushButton* Step_Run = nullptr;
  QLabel* StaticText2 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* StaticText3 = nullptr;
  QToolButton* UpDown2Up = nullptr;
  QToolButton* UpDown2Down = nullptr;
  QLineEdit* DR_Edit = nullptr;
  QLabel* StaticText4 = nullptr;
  QToolButton* UpDown1Up = nullptr;
  QToolButton* UpDown1Down = nullptr;
  QPushButton* LineButton = nullptr;
  QPushButton* FileButton = nullptr;
  QPushButton* Stop1 = nullptr;
  QPushButton* Button_CNC = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QProgressBar* DrawProgress = nullptr;
  QLabel* StaticText1 = nullptr;
  QLabel* Label1 = nullptr;
  QWidget* TimeRow = nullptr;      // under the buttons: the last-line note and the time
  QLabel* TimeLabel = nullptr;
  QLabel* TransferNote = nullptr;  // why the last transfer failed, over the row's second line
  QLabel* LastLineNote = nullptr;  // the editor's last line held a block, left of the time
  QMenuBar* MenuBar1 = nullptr;
  QMenu* RecentMenu = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* StatusText = nullptr;     // the run's line, then how it ended and where the tool is
  QLabel* MousePosition = nullptr;  // the mouse over the drawing, in mm
  QLabel* FindingsCount = nullptr;  // what the program check found
  QAction* OpenAction = nullptr;
  QAction* SaveAction = nullptr;
  QAction* SaveAsAction = nullptr;
  QAction* SavePictureAction = nullptr;
  QAction* ExitAction = nullptr;
  QAction* DrawAction = nullptr;
  QAction* StopAction = nullptr;
  QAction* NextPosAction = nullptr;
  QAction* StepAction = nullptr;
  QAction* ZoomInAction = nullptr;
  QAction* ZoomOutAction = nullptr;
  QAction* FitAction = nullptr;
  QAction* NextFindingAction = nullptr;
  QAction* PrevFindingAction = nullptr;
  QAction* ShortcutsAction = nullptr;
  QAction* AboutAction = nullptr;
  QTimer* Timer1 = nullptr;
};

}  // namespace marloq
