// Screen placement: each axis alone, first against the far edge, then the near one, so
// that the near edge wins when the frame does not fit.
#include "window/screen_placement.h"

#include <algorithm>

namespace marloq {

namespace {

int KeepWithin(int start, int length, int areaStart, int areaLength) {
  return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

long long Overlap(const QRect& a, const QRect& b) {
  const QRect both = a.intersected(b);
  return both.isEmpty() ? 0 : static_cast<long long>(both.width()) * both.height();
}

}  // namespace

QPoint KeepOnScreen(const QRect& frame, const QRect& available) {
  return {KeepWithin(frame.x(), frame.width(), available.x(), available.width()),
          KeepWithin(frame.y(), frame.height(), available.y(), available.height())};
}

QRect FitFrame(const QRect& frame, const QRect& available) {
  const QRect smaller(frame.topLeft(), frame.size().boundedTo(available.size()));
  return QRect(KeepOnScreen(smaller, available), smaller.size());
}

QRect StartingFrame(const std::optional<QRect>& remembered, const QList<QRect>& areas, const QRect& ruleFrame,
                    const QRect& openingArea) {
  if (remembered) {
    const QRect* best = nullptr;
    for (const QRect& area : areas)
      if (Overlap(*remembered, area) > (best ? Overlap(*remembered, *best) : 0)) best = &area;
    if (best) return FitFrame(*remembered, *best);
  }
  return FitFrame(ruleFrame, openingArea);
}

}  // namespace marloq
