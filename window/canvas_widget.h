// The drawing on screen (Image1): the canvas while a DRAW draws it, afterwards a picture
// of a view, shown scaled into a newer view until that view's picture comes; the tool
// marker over it; and the mouse's zoom, pan and fit, reported to the window.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

#include "simulation/simulation.h"
#include "simulation/view_state.h"

namespace marloq {

class TCanvas;

class TCanvasWidget : public QWidget {
 public:
  explicit TCanvasWidget(QWidget* parent = nullptr);

  // The canvas as a run draws it, in the view the simulation has.
  void ShowLive(const TCanvas* canvas, const TViewState* view);
  bool Live() const { return live_; }
  // A finished picture and the view it was drawn for; it becomes the view shown.
  void ShowPicture(QImage picture, const TViewFrame& pictureView);
  // The view to show: until its picture comes, the last picture is shown scaled.
  void SetView(const TViewFrame& view);
  TViewFrame View() const;
  // The picture shown is the view's own (not a scaled stand-in).
  bool ShowsOwnPicture() const { return live_ || view_ == pictureView_; }
  // What the drawing shows now, as an image of the canvas' size.
  QImage Picture() const;
  // A circle of the tool's size and a cross where the tool is; drawn over the picture,
  // never into it. nullopt hides it.
  void SetToolMark(const std::optional<TToolMark>& mark);
  const std::optional<TToolMark>& ToolMark() const { return mark_; }

  std::function<void(int x, int y)> OnMouseMove;  // canvas pixels
  std::function<void(int x, int y)> OnCtrlClick;  // a left click with Ctrl held
  std::function<void()> OnResize;
  std::function<void(int x, int y, double steps)> OnZoom;  // wheel steps, up zooms in
  std::function<void(int dx, int dy, bool done)> OnDrag;   // since the press
  std::function<void()> OnFit;                             // double click or Home
  std::function<void()> OnMouseLeave;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PaintToolMark(QPainter& p) const;

  const TCanvas* canvas_ = nullptr;
  const TViewState* liveView_ = nullptr;
  bool live_ = true;
  QImage picture_;
  TViewFrame pictureView_, view_;
  std::optional<TToolMark> mark_;
  std::optional<QPoint> pressedAt_;  // a left press that may become a drag
};

}  // namespace marloq
