// The drawing on screen: during a run it repaints only what the engine reports as
// changed; a picture of an older view is laid into the new one by the same transform
// the engine uses, so the stand-in lines up with the re-draw that replaces it.
#include "window/canvas_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "simulation/canvas.h"

namespace marloq {

namespace {
constexpr int kCrossReach = 9;           // pixels each way from the tool's centre
constexpr double kWheelStep = 120.0;     // angle units of one notch
const QColor kMarkColor(0, 150, 60);     // apart from the drawing's red, blue and black
}  // namespace

TCanvasWidget::TCanvasWidget(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);  // Home fits once the drawing was clicked
  setMinimumSize(1, 1);
}

void TCanvasWidget::ShowLive(const TCanvas* canvas, const TViewState* view) {
  canvas_ = canvas;
  liveView_ = view;
  live_ = true;
  picture_ = QImage();
  update();
}

void TCanvasWidget::ShowPicture(QImage picture, const TViewFrame& pictureView) {
  if (live_) view_ = pictureView;
  live_ = false;
  picture_ = std::move(picture);
  pictureView_ = pictureView;
  update();
}

void TCanvasWidget::SetView(const TViewFrame& view) {
  view_ = view;
  update();
}

TViewFrame TCanvasWidget::View() const {
  if (live_) return liveView_ ? liveView_->Frame() : TViewFrame{};
  return view_;
}

QImage TCanvasWidget::Picture() const {
  if (live_) return canvas_ ? canvas_->Image().copy() : QImage();
  return picture_;
}

void TCanvasWidget::SetToolMark(const std::optional<TToolMark>& mark) {
  const auto same = [](const TToolMark& a, const TToolMark& b) {
    return a.X == b.X && a.Y == b.Y && a.Radius == b.Radius;
  };
  if (mark.has_value() == mark_.has_value() && (!mark || same(*mark, *mark_))) return;
  mark_ = mark;
  update();
}

void TCanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect r = event->rect();
  if (live_ || view_ == pictureView_) {
    p.fillRect(r, Qt::white);
    const QImage* image = live_ ? (canvas_ ? &canvas_->Image() : nullptr) : &picture_;
    if (image) p.drawImage(r.topLeft(), *image, r);
  } else {
    // A picture pixel (px, py) is world (px / s0 + ox0, (H0 - py) / s0 + oy0); shown at
    // ((X - ox) * s, H - (Y - oy) * s).
    p.fillRect(rect(), Qt::white);
    const double k = double(view_.ViewScale) / pictureView_.ViewScale;
    const double dx = (double(pictureView_.ViewOffsetX) - view_.ViewOffsetX) * view_.ViewScale;
    const double dy = height() - picture_.height() * k - (double(pictureView_.ViewOffsetY) - view_.ViewOffsetY) * view_.ViewScale;
    if (std::isfinite(k) && std::isfinite(dx) && std::isfinite(dy)) {
      p.setTransform(QTransform(k, 0, 0, k, dx, dy));
      p.drawImage(0, 0, picture_);
      p.resetTransform();
    }
  }
  if (mark_) PaintToolMark(p);
}

void TCanvasWidget::PaintToolMark(QPainter& p) const {
  const TViewFrame v = View();
  const double x = (double(mark_->X) - v.ViewOffsetX) * v.ViewScale;
  const double y = height() - (double(mark_->Y) - v.ViewOffsetY) * v.ViewScale;
  const double r = double(mark_->Radius) * v.ViewScale;
  if (!std::isfinite(x) || !std::isfinite(y) || std::abs(x) > 1e6 || std::abs(y) > 1e6) return;
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kMarkColor, 2));
  p.setBrush(Qt::NoBrush);
  if (std::isfinite(r) && r < 1e6) p.drawEllipse(QPointF(x, y), r, r);
  p.drawLine(QPointF(x - kCrossReach, y), QPointF(x + kCrossReach, y));
  p.drawLine(QPointF(x, y - kCrossReach), QPointF(x, y + kCrossReach));
}

void TCanvasWidget::leaveEvent(QEvent* event) {
  if (OnMouseLeave) OnMouseLeave();
  QWidget::leaveEvent(event);
}

void TCanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (pressedAt_ && (event->buttons() & Qt::LeftButton) && OnDrag)
    OnDrag(at.x() - pressedAt_->x(), at.y() - pressedAt_->y(), false);
  if (OnMouseMove) OnMouseMove(at.x(), at.y());
}

void TCanvasWidget::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier) && OnCtrlClick) {
    OnCtrlClick(at.x(), at.y());
    return;
  }
  if (event->button() == Qt::LeftButton) pressedAt_ = at;
  QWidget::mousePressEvent(event);
}

void TCanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && pressedAt_) {
    const QPoint at = event->position().toPoint();
    const QPoint from = *pressedAt_;
    pressedAt_.reset();
    if (OnDrag) OnDrag(at.x() - from.x(), at.y() - from.y(), true);
  }
  QWidget::mouseReleaseEvent(event);
}

void TCanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnFit) OnFit();
}

void TCanvasWidget::wheelEvent(QWheelEvent* event) {
  const QPoint at = event->position().toPoint();
  const double steps = event->angleDelta().y() / kWheelStep;
  if (steps != 0 && OnZoom) OnZoom(at.x(), at.y(), steps);
  event->accept();
}

void TCanvasWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Home && OnFit) return OnFit();
  QWidget::keyPressEvent(event);
}

void TCanvasWidget::resizeEvent(QResizeEvent*) {
  if (OnResize) OnResize();
}

}  // namespace marloq
