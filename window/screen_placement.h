// Screen placement: a window or dialog put in place by a fixed rule, or where it was
// last time, is moved back inside the part of a screen that windows may use (panels and
// docks left free), and made smaller where it does not fit.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <optional>

namespace marloq {

// The top-left corner that moves `frame` (a window's frame where the rule put it) the
// least to lie inside `available`. A frame larger than the area keeps its top-left
// corner in it: the title bar, by which it can be dragged, stays on the screen.
QPoint KeepOnScreen(const QRect& frame, const QRect& available);

// `frame` where it lies inside `available`; else no larger than the area on either
// axis and moved the least into it.
QRect FitFrame(const QRect& frame, const QRect& available);

// The frame a window opens with: where it was last time (`remembered`) on the screen
// area it overlaps most, fitted into it; without one, or off every area, `ruleFrame`
// fitted into `openingArea`, the area of the screen it opens on.
QRect StartingFrame(const std::optional<QRect>& remembered, const QList<QRect>& areas, const QRect& ruleFrame,
                    const QRect& openingArea);

}  // namespace marloq
