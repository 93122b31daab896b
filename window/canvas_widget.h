// The drawing on screen (Image1): shows the simulation's canvas and reports the mouse.
#pragma once

#include <QWidget>
#include <functional>

namespace marloq {

class TCanvas;

class TCanvasWidget : public QWidget {
 public:
  explicit TCanvasWidget(QWidget* parent = nullptr);
  void SetCanvas(const TCanvas* canvas) { canvas_ = canvas; }
  std::function<void(int x, int y)> OnMouseMove;  // canvas pixels
  std::function<void(int x, int y)> OnCtrlClick;  // a left click with Ctrl held
  std::function<void()> OnResize;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  const TCanvas* canvas_ = nullptr;
};

}  // namespace marloq
