// The drawing on screen: repaints only what the engine reports as changed.
#include "window/canvas_widget.h"

#include <QMouseEvent>
#include <QPainter>

#include "simulation/canvas.h"

namespace marloq {

TCanvasWidget::TCanvasWidget(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(1, 1);
}

void TCanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), Qt::white);
  if (canvas_) p.drawImage(event->rect().topLeft(), canvas_->Image(), event->rect());
}

void TCanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(event->position().toPoint().x(), event->position().toPoint().y());
}

void TCanvasWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier) && OnCtrlClick) {
    OnCtrlClick(event->position().toPoint().x(), event->position().toPoint().y());
    return;
  }
  QWidget::mousePressEvent(event);
}

void TCanvasWidget::resizeEvent(QResizeEvent*) {
  if (OnResize) OnResize();
}

}  // namespace marloq
