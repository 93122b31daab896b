// The view of the drawing: every zoom, pan, fit and resize shows the picture a headless
// DRAW gives at that view, and the tool marker stays out of every picture.
#include <gtest/gtest.h>

#include <QPushButton>
#include <optional>

#include "simulation/draw_sequence.h"
#include "simulation/headless_host.h"
#include "simulation/program_text.h"
#include "tests/window/window_fixture.h"
#include "window/canvas_widget.h"

namespace marloq {
namespace {

const char* const kProgram = "G0 X10 Y10 Z2\nG1 Z-1\nG1 X50\nG2 X50 Y40 R-15\nG1 X10 Y25\nG0 Z2\nM30\n\n";

// A DRAW at the fitted view, or a re-draw of it at another view.
QImage Headless(int w, int h, std::optional<TViewFrame> view, const TViewFrame& drawnView = {}, int drawnHeight = 0) {
  auto sim = std::make_unique<TSimulation>();
  if (view) sim->Hiding = {false, drawnView, drawnHeight};
  THeadlessHost host(sim->Run, w, h);
  sim->Host = &host;
  sim->WritesLog = false;
  sim->FixedView = view;
  sim->Canvas.Resize(w, h);
  LineButtonClick(*sim, SplitEditorLines(kProgram));
  return sim->Canvas.Image().copy();
}

TEST(DrawingView, EveryViewIsTheHeadlessPictureOfIt) {
  auto form = test::ShownWindow(test::WriteProgram("view.CNC", kProgram));
  TCanvasWidget* drawing = form->Drawing();
  test::Control<QPushButton>(form.get(), "LineButton")->click();
  const QImage drawn = drawing->Picture();
  const int w = drawn.width(), h = drawn.height();
  ASSERT_TRUE(drawn == Headless(w, h, std::nullopt));
  const TViewFrame fit = drawing->View();
  const auto settled = [&] { return test::PumpUntil([&] { return !form->Redrawing(); }, 20000); };
  const auto shown = [&](const char* what) {
    ASSERT_TRUE(settled()) << what;
    ASSERT_TRUE(drawing->ShowsOwnPicture()) << what;
    EXPECT_TRUE(drawing->Picture() == Headless(w, h, drawing->View(), fit, h)) << what;
  };

  form->Image1Zoom(200, 300, 3);
  EXPECT_NEAR(drawing->View().ViewScale, fit.ViewScale * 1.953125f, 1e-6f);
  // The world point under the mouse stays there, to the world unit the offsets round to.
  EXPECT_NEAR((200 / drawing->View().ViewScale + drawing->View().ViewOffsetX),
              (200 / fit.ViewScale + fit.ViewOffsetX), 1.0);
  shown("zoomed");
  form->Image1Drag(40, -25, false);
  form->Image1Drag(60, -30, true);
  shown("panned");
  form->Image1Fit();
  ASSERT_TRUE(settled());
  EXPECT_TRUE(drawing->Picture() == drawn) << "fit is DRAW's own picture";

  // The marker is over the picture on screen, never in it.
  ASSERT_TRUE(drawing->ToolMark().has_value());
  EXPECT_FALSE(drawing->grab().toImage().convertToFormat(drawing->Picture().format()) == drawing->Picture());

  form->resize(1000, 650);
  ASSERT_TRUE(test::PumpUntil([&] { return drawing->width() != w && !form->Redrawing(); }, 20000));
  EXPECT_TRUE(drawing->Picture() == Headless(drawing->width(), drawing->height(), std::nullopt)) << "fit again";
}

// A DRAW stopped in STEP mode shows the run as far as it went, and so does every view.
TEST(DrawingView, AStoppedDrawIsRedrawnAsFarAsItWent) {
  auto form = test::ShownWindow(test::WriteProgram("stopped.CNC", kProgram));
  auto* fileButton = test::Control<QPushButton>(form.get(), "FileButton");
  test::Control<QPushButton>(form.get(), "Step_Run")->click();
  int waits = 0;
  test::Repeatedly(form.get(), 2, [&] {
    if (!form->Running()) return false;
    if (++waits < 3) return fileButton->click(), true;
    test::Control<QPushButton>(form.get(), "Stop1")->click();
    return false;
  });
  test::Control<QPushButton>(form.get(), "LineButton")->click();
  const QImage drawn = form->Drawing()->Picture();
  ASSERT_FALSE(drawn == Headless(drawn.width(), drawn.height(), std::nullopt)) << "stopped early";
  form->Image1Zoom(100, 100, -1);
  form->Image1Fit();
  ASSERT_TRUE(test::PumpUntil([&] { return !form->Redrawing(); }, 20000));
  EXPECT_TRUE(form->Drawing()->Picture() == drawn);
}

}  // namespace
}  // namespace marloq
