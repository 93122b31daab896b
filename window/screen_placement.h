// Screen placement: a window put in place by a fixed rule is moved back inside the
// part of its screen that windows may use (panels and docks left free).
#pragma once

#include <QPoint>
#include <QRect>

namespace marloq {

// The top-left corner that moves `frame` (a window's frame where the rule put it) the
// least to lie inside `available`. A frame larger than the area keeps its top-left
// corner in it: the title bar, by which it can be dragged, stays on the screen.
QPoint KeepOnScreen(const QRect& frame, const QRect& available);

}  // namespace marloq
