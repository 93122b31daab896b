// Screen placement: the file dialog's placement rule, kept inside the usable area of
// the window's screen.
#include "window/screen_placement.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QScreen>
#include <QTimer>

#include "tests/window/window_fixture.h"

namespace marloq {
namespace {

struct TPlacementCase {
  QRect Frame;
  QPoint Kept;
};

TEST(ScreenPlacement, AFrameIsMovedTheLeastIntoTheArea) {
  const QRect area(0, 30, 1280, 770);  // a panel of 30 at the top
  const TPlacementCase cases[] = {
      {{100, 100, 600, 400}, {100, 100}},    // inside: not moved
      {{900, 100, 600, 400}, {680, 100}},    // past the right edge
      {{100, 600, 600, 400}, {100, 400}},    // past the bottom
      {{-50, -246, 600, 400}, {0, 30}},      // above the top and left, under the panel
      {{1200, 700, 600, 400}, {680, 400}},   // past a corner
      {{500, 500, 1400, 900}, {0, 30}},      // too large: its top-left corner in view
  };
  for (const TPlacementCase& c : cases)
    EXPECT_EQ(KeepOnScreen(c.Frame, area), c.Kept) << c.Frame.x() << "," << c.Frame.y();
}

// The window low on the screen puts the dialog's rule below it; the timer brings the
// dialog back up.
TEST(ScreenPlacement, TheFileDialogStaysOnTheScreen) {
  auto form = test::ShownWindow({});
  const QRect available = form->screen()->availableGeometry();
  form->move(available.right() - 300, available.bottom() - 200);
  QApplication::processEvents();
  QRect frame;
  test::Repeatedly(form.get(), 5, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || form->findChild<QTimer*>("Timer1")->isActive()) return true;
    frame = dialog->frameGeometry();
    dialog->reject();
    return false;
  });
  test::Control<QPushButton>(form.get(), "FileButton")->click();
  EXPECT_TRUE(available.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                         << frame.height();
}

}  // namespace
}  // namespace marloq
