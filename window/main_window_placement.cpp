// The main window's place on the screen and what it keeps between starts: it opens where
// it was last time, or where the layout puts it, always inside a screen's usable area.
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <utility>

#include "window/main_window.h"
#include "window/screen_placement.h"
#include "window/share_splitter.h"

namespace marloq {

namespace {

// The frame is known only once the window manager has put one around the window: until
// then a title bar and borders as large as most desktops draw them.
constexpr QMargins kFrameGuess(4, 32, 4, 4);
const QRect kLayoutPlace(322, 508, 900, 597);  // where the layout puts the frame, and the window's size
// Long enough for the window manager to frame the window and say how large the frame is.
constexpr int kPlacingMs = 1500;

}  // namespace

void TForm1::PlaceWindow(const TWindowMemory& memory) {
  if (memory.EditorShare) Panel2->SetShare(*memory.EditorShare);
  QList<QRect> areas;
  for (const QScreen* s : QGuiApplication::screens()) areas << s->availableGeometry();
  const QRect rule(kLayoutPlace.topLeft(), kLayoutPlace.size().grownBy(kFrameGuess));
  std::optional<QRect> remembered;
  if (memory.Geometry) remembered = memory.Geometry->marginsAdded(kFrameGuess);
  setGeometry(StartingFrame(remembered, areas, rule, screen()->availableGeometry()).marginsRemoved(kFrameGuess));
  if (memory.Maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

// Once framed: the real frame, moved and made smaller to lie inside the screen's usable
// area, and the errors that came before the window could show them.
void TForm1::FormFirstShown() {
  shownOnce_ = true;
  placing_ = true;
  KeepFrameOnScreen();
  QTimer::singleShot(kPlacingMs, this, [this] { placing_ = false; });
  if (!pendingErrors_.isEmpty())
    QTimer::singleShot(0, this, [this] {
      for (const QString& error : std::exchange(pendingErrors_, {})) ShowError(error);
    });
}

void TForm1::KeepFrameOnScreen() {
  if (!isVisible() || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) return;
  const QRect frame = frameGeometry(), client = geometry();
  const QRect area = screen()->availableGeometry();
  if (area.contains(frame)) return;
  const QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                         frame.bottom() - client.bottom());
  setGeometry(FitFrame(frame, area).marginsRemoved(margins));
}

// The window manager frames a window after it shows, and moves the window inside the
// frame: the first moves tell how large the frame is.
void TForm1::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (placing_) KeepFrameOnScreen();
}

void TForm1::RememberWindow() {
  if (!settings_) return;
  TWindowMemory m;
  m.Geometry = normalGeometry().isValid() ? normalGeometry() : geometry();
  m.Maximized = isMaximized();
  m.EditorShare = Panel2->Share();
  m.StepMode = !sim_->Run.RunMode;
  m.RecentFiles = recent_;
  SaveWindowMemory(*settings_, m);
}

}  // namespace marloq
