// The main window's menu bar and keys: every action goes through the handler of the
// button it stands for, and is greyed out exactly when that button is.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

#include "window/canvas_widget.h"
#include "window/main_window.h"

namespace marloq {

namespace {

QAction* Action(QMenu* menu, const QString& text, const QList<QKeySequence>& keys, const char* name) {
  QAction* a = menu->addAction(text);
  a->setShortcuts(keys);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

constexpr int kRecentPathPixels = 480;

bool Reads(const QPushButton* button, const char* caption) {
  return button->isEnabled() && button->text() == QLatin1String(caption);
}

}  // namespace

void TForm1::CreateMenus() {
  MenuBar1 = new QMenuBar(this);
  MenuBar1->setObjectName(QStringLiteral("MenuBar1"));
  QMenu* file = MenuBar1->addMenu(QStringLiteral("&File"));
  OpenAction = Action(file, QStringLiteral("&Open\u2026"), {QKeySequence::Open}, "OpenAction");
  RecentMenu = file->addMenu(QStringLiteral("Open &Recent"));
  RecentMenu->setObjectName(QStringLiteral("RecentMenu"));
  file->addSeparator();
  SaveAction = Action(file, QStringLiteral("&Save"), {QKeySequence(Qt::CTRL | Qt::Key_S)}, "SaveAction");
  SaveAsAction = Action(file, QStringLiteral("Save &As\u2026"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
                        "SaveAsAction");
  SavePictureAction = Action(file, QStringLiteral("Save &Picture\u2026"),
                             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}, "SavePictureAction");
  file->addSeparator();
  ExitAction = Action(file, QStringLiteral("E&xit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}, "ExitAction");
  QMenu* run = MenuBar1->addMenu(QStringLiteral("&Run"));
  DrawAction = Action(run, QStringLiteral("&DRAW"), {QKeySequence(Qt::Key_F5)}, "DrawAction");
  StopAction = Action(run, QStringLiteral("&STOP"), {QKeySequence(Qt::Key_Escape)}, "StopAction");
  NextPosAction = Action(run, QStringLiteral("&NextPos"), {QKeySequence(Qt::Key_F10)}, "NextPosAction");
  run->addSeparator();
  StepAction = Action(run, QStringLiteral("Single S&tep (RUN/STEP)"), {QKeySequence(Qt::Key_F6)}, "StepAction");
  StepAction->setCheckable(true);
  QMenu* view = MenuBar1->addMenu(QStringLiteral("&View"));
  ZoomInAction = Action(view, QStringLiteral("Zoom &In"),
                        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, "ZoomInAction");
  ZoomOutAction = Action(view, QStringLiteral("Zoom &Out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, "ZoomOutAction");
  FitAction = Action(view, QStringLiteral("&Fit"), {QKeySequence(Qt::CTRL | Qt::Key_0)}, "FitAction");
  view->addSeparator();
  NextFindingAction = Action(view, QStringLiteral("&Next Finding"), {QKeySequence(Qt::Key_F8)}, "NextFindingAction");
  PrevFindingAction = Action(view, QStringLiteral("&Previous Finding"), {QKeySequence(Qt::SHIFT | Qt::Key_F8)},
                             "PrevFindingAction");
  QMenu* help = MenuBar1->addMenu(QStringLiteral("&Help"));
  ShortcutsAction = Action(help, QStringLiteral("&Keyboard Shortcuts"), {QKeySequence(Qt::Key_F1)}, "ShortcutsAction");
  AboutAction = Action(help, QStringLiteral("&About Marloq"), {}, "AboutAction");
  // The picture is saved from the drawing's own menu too.
  Image1->addAction(SavePictureAction);
  Image1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TForm1::ConnectMenus() {
  connect(OpenAction, &QAction::triggered, this, [this] {
    if (Reads(FileButton, "File")) FileButtonClick();
  });
  connect(RecentMenu, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  connect(SaveAction, &QAction::triggered, this, [this] { SaveClick(); });
  connect(NextFindingAction, &QAction::triggered, this, [this] { GoToFinding(true); });
  connect(PrevFindingAction, &QAction::triggered, this, [this] { GoToFinding(false); });
  connect(SaveAsAction, &QAction::triggered, this, [this] { SaveAsClick(); });
  connect(SavePictureAction, &QAction::triggered, this, [this] { SavePictureClick(); });
  connect(ExitAction, &QAction::triggered, this, [this] {
    if (Reads(Stop1, "EXIT")) Stop1Click();
  });
  connect(DrawAction, &QAction::triggered, this, [this] {
    if (LineButton->isEnabled()) LineButtonClick();
  });
  connect(StopAction, &QAction::triggered, this, [this] {
    if (Reads(Stop1, "STOP")) Stop1Click();
  });
  connect(NextPosAction, &QAction::triggered, this, [this] {
    if (Reads(FileButton, "NextPos")) FileButtonClick();
  });
  connect(StepAction, &QAction::triggered, this, [this] { Step_RunClick(); });
  connect(ZoomInAction, &QAction::triggered, this, [this] { ZoomAboutCentre(1); });
  connect(ZoomOutAction, &QAction::triggered, this, [this] { ZoomAboutCentre(-1); });
  connect(FitAction, &QAction::triggered, this, [this] { Image1Fit(); });
  connect(ShortcutsAction, &QAction::triggered, this, [this] { ShowShortcuts(); });
  connect(AboutAction, &QAction::triggered, this, [this] { ShowAbout(); });
}

// Called wherever a button's caption or enabling changes, and when a run starts or ends.
void TForm1::SyncActions() {
  const bool fileOpens = Reads(FileButton, "File");
  OpenAction->setEnabled(fileOpens);
  RecentMenu->setEnabled(fileOpens && !recent_.isEmpty());
  ExitAction->setEnabled(Reads(Stop1, "EXIT"));
  DrawAction->setEnabled(LineButton->isEnabled());
  StopAction->setEnabled(Reads(Stop1, "STOP"));
  NextPosAction->setEnabled(Reads(FileButton, "NextPos"));
  StepAction->setChecked(Step_Run->text() == QLatin1String("STEP"));
  SavePictureAction->setEnabled(!running_);
  const bool viewable = !running_ && drawn_.EditorLines != nullptr;
  for (QAction* a : {ZoomInAction, ZoomOutAction, FitAction}) a->setEnabled(viewable);
  FileButton->setToolTip(FileButton->text() == QLatin1String("File") ? QStringLiteral("Open a program (Ctrl+O)")
                                                                      : QStringLiteral("Go on to the next position (F10)"));
  Stop1->setToolTip(Stop1->text() == QLatin1String("STOP") ? QStringLiteral("Stop the run (Esc)")
                                                           : QStringLiteral("Close Marloq (Ctrl+Q)"));
}

void TForm1::FillRecentMenu() {
  RecentMenu->clear();
  for (int i = 0; i < recent_.size(); ++i) {
    const QString name = recent_[i];
    // &1 to &9, then 1&0: a key for each.
    const QString key = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
    // The whole path, as two programs may share a name; a long one loses its middle.
    const QString shown = RecentMenu->fontMetrics().elidedText(name, Qt::ElideMiddle, kRecentPathPixels);
    QAction* a = RecentMenu->addAction(key + QLatin1Char(' ') + QString(shown).replace(QLatin1Char('&'), "&&"));
    a->setToolTip(name);
    a->setStatusTip(name);
    connect(a, &QAction::triggered, this, [this, name] { OpenRecentClick(name); });
  }
  RecentMenu->addSeparator();
  connect(RecentMenu->addAction(QStringLiteral("&Clear Menu")), &QAction::triggered, this, [this] {
    recent_.clear();
    if (settings_) SaveRecentFiles(*settings_, recent_);
    SyncActions();
  });
}

// The keys of the menus as they are bound, and the drawing's mouse.
void TForm1::ShowShortcuts() {
  const auto row = [](const QString& keys, const QString& what) {
    return QStringLiteral("<tr><td>%1</td><td width=16></td><td>%2</td></tr>").arg(keys, what);
  };
  QString rows;
  for (QAction* menu : MenuBar1->actions())
    for (QAction* a : menu->menu()->actions())
      if (!a->shortcuts().isEmpty()) {
        QStringList keys;
        for (const QKeySequence& k : a->shortcuts()) keys << k.toString(QKeySequence::NativeText);
        rows += row(keys.join(QStringLiteral(", ")), a->text().remove(QLatin1Char('&')));
      }
  rows += QStringLiteral("<tr><td colspan=3><b>On the drawing</b></td></tr>");
  const std::pair<const char*, const char*> mouse[] = {{"Wheel", "Zoom about the mouse"},
                                                       {"Drag", "Pan"},
                                                       {"Double click, Home", "Fit"},
                                                       {"Ctrl+click", "Select the line drawn there"},
                                                       {"Right click", "Save Picture\u2026"}};
  for (const auto& [keys, what] : mouse) rows += row(QString::fromUtf8(keys), QString::fromUtf8(what));
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Keyboard Shortcuts"),
                  QStringLiteral("<table cellspacing=0 cellpadding=2>%1</table>").arg(rows), QMessageBox::Close, this);
  box.setObjectName(QStringLiteral("ShortcutsBox"));
  box.exec();
}

void TForm1::ShowAbout() {
  QMessageBox::about(this, QStringLiteral("About Marloq"),
                     QStringLiteral("<b>Marloq %1</b><p>Shows what a CNC milling program will do before it reaches "
                                    "the machine, and sends it to the milling controller.</p>")
                         .arg(QStringLiteral(MARLOQ_VERSION)));
}

}  // namespace marloq
