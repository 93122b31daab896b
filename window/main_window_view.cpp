// The main window's view of the drawing: zoom, pan and fit, and what a resize does.
// Every view gets a picture of its own, re-drawn on a worker by the last DRAW's program
// and choices; meanwhile the drawing shows the last picture scaled into it.
#include <algorithm>
#include <cmath>

#include "simulation/block_trace.h"
#include "simulation/drawing.h"
#include "simulation/extents.h"
#include "simulation/view_frame.h"
#include "window/canvas_widget.h"
#include "window/main_window.h"
#include "window/view_redrawer.h"

namespace marloq {

namespace {
constexpr double kZoomPerStep = 1.25;
}  // namespace

bool TForm1::Redrawing() const { return redrawer_ && redrawer_->Busy(); }

TViewFrame TForm1::FittedView() const { return FitView(drawnBox_, sim_->Canvas.Width(), sim_->Canvas.Height()); }

void TForm1::Image1Zoom(int x, int y, double steps) {
  if (running_ || !drawn_.EditorLines) return;
  const TViewFrame from = Image1->View();
  const float lowest = FittedView().ViewScale * kMinZoomOfFit;
  const float scale = std::clamp(static_cast<float>(from.ViewScale * std::pow(kZoomPerStep, steps)),
                                 std::min(lowest, from.ViewScale), std::max(kMaxViewScale, from.ViewScale));
  if (scale == from.ViewScale) return;
  GoToView(ZoomedView(from, sim_->Canvas.Height(), x, y, scale), false);
}

void TForm1::ZoomAboutCentre(double steps) {
  Image1Zoom(sim_->Canvas.Width() / 2, sim_->Canvas.Height() / 2, steps);
}

void TForm1::Image1Drag(int dx, int dy, bool done) {
  if (running_ || !drawn_.EditorLines) return;
  if (!dragging_) {
    if (dx == 0 && dy == 0) return;  // a click, not a drag
    dragging_ = true;
    dragFrom_ = Image1->View();
  }
  const TViewFrame to = PannedView(dragFrom_, dx, dy);
  if (!done) {
    KeepDrawingForView();
    Image1->SetView(to);  // the picture follows the mouse; its re-draw waits for the drop
    return;
  }
  dragging_ = false;
  GoToView(to, false);
}

void TForm1::Image1Fit() {
  if (running_ || !drawn_.EditorLines) return;
  GoToView(FittedView(), true);
}

// From here on the drawing shows pictures of views, not the canvas the run drew on.
void TForm1::KeepDrawingForView() {
  if (Image1->Live()) Image1->ShowPicture(sim_->Canvas.Image().copy(), sim_->View.Frame());
}

void TForm1::GoToView(const TViewFrame& view, bool fitted) {
  KeepDrawingForView();
  Image1->SetView(view);
  fitted_ = fitted;
  shownPicks_ = TBlockTrace{};
  TRedrawRequest request = drawn_;
  request.Width = sim_->Canvas.Width();
  request.Height = sim_->Canvas.Height();
  request.View = view;
  redrawer_->Request(std::move(request));
}

void TForm1::ShowRedrawn(TRedrawResult& result) {
  if (running_ || !(result.View == Image1->View()) || result.Picture.size() != Image1->size()) return;
  Image1->ShowPicture(std::move(result.Picture), result.View);
  shownPicks_ = std::move(result.Picks);
}

void TForm1::FormResize() {
  const int oldWidth = sim_->Canvas.Width(), oldHeight = sim_->Canvas.Height();
  if (oldWidth == Image1->width() && oldHeight == Image1->height()) return;
  if (running_ || !drawn_.EditorLines) {
    // Under a run the drawing is lost and the run draws on; DRAW draws it whole again.
    resizedInRun_ = running_;
    sim_->Canvas.Resize(Image1->width(), Image1->height());
    ClearTrace(sim_->Trace);
    ClearCanvas(*sim_);
    sim_->Canvas.TakeDirty();
    Image1->update();
    return;
  }
  KeepDrawingForView();
  const TViewFrame from = Image1->View();
  sim_->Canvas.Resize(Image1->width(), Image1->height());
  GoToView(fitted_ ? FittedView() : ResizedView(from, oldWidth, oldHeight, Image1->width(), Image1->height()),
           fitted_);
}

}  // namespace marloq
