// Screen placement: each axis alone, first against the far edge, then the near one, so
// that the near edge wins when the frame does not fit.
#include "window/screen_placement.h"

#include <algorithm>

namespace marloq {

namespace {

int KeepWithin(int start, int length, int areaStart, int areaLength) {
  return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

}  // namespace

QPoint KeepOnScreen(const QRect& frame, const QRect& available) {
  return {KeepWithin(frame.x(), frame.width(), available.x(), available.width()),
          KeepWithin(frame.y(), frame.height(), available.y(), available.height())};
}

}  // namespace marloq
