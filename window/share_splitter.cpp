// Share splitter: the share is taken again whenever the widths are not the ones this
// splitter last gave (a drag, widths set from outside), but not before it has laid its
// widgets out once: until the window has its size, widths mean nothing. A width held at
// its least by the splitter itself does not become the share.
#include "window/share_splitter.h"

#include <algorithm>
#include <cmath>

namespace marloq {

TShareSplitter::TShareSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
  connect(this, &QSplitter::splitterMoved, this, [this] {
    share_ = Share();
    laidOut_ = sizes();
  });
}

double TShareSplitter::Share() const {
  const QList<int> now = sizes();
  if (laidOut_.isEmpty() || now == laidOut_ || now.size() != 2 || now[0] + now[1] <= 0) return share_;
  return double(now[1]) / (now[0] + now[1]);
}

void TShareSplitter::SetShare(double share) {
  share_ = std::clamp(share, 0.0, 1.0);
  LayOut();
}

void TShareSplitter::resizeEvent(QResizeEvent* event) {
  if (count() != 2) return QSplitter::resizeEvent(event);
  share_ = Share();
  LayOut();
}

void TShareSplitter::LayOut() {
  if (count() != 2) return;
  const int total = std::max(width() - handleWidth(), 0);
  const int second = static_cast<int>(std::lround(share_ * total));
  setSizes({total - second, second});
  laidOut_ = sizes();
}

}  // namespace marloq
