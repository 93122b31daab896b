// Offset path: the small pieces both compensated roads (lines and arcs) are built from:
// targets set in the core's precision, the element's Z, and the corner arc at tool radius.
#pragma once

#include <cstdint>

#include "core/block_codes.h"
#include "core/fmath.h"
#include "simulation/simulation.h"

namespace marloq {

// The lookahead is G2 or G3.
inline bool NextIsArc(const TInterpreterState& s) {
  return (s.NextBlock.Code & ~1u) == kG2;
}

// x and y are evaluated in extended precision; the targets store them as floats.
inline void SetXYTarget(TInterpreterState& s, Extended x, Extended y) {
  s.AxisX.Target = static_cast<float>(x);
  s.AxisY.Target = static_cast<float>(y);
}

// The XY target rounds to where the pen stands: a move there would draw nothing.
inline bool XYTargetAtPen(const TInterpreterState& s) {
  return FRound(s.AxisX.Target) == s.AxisX.Pos && FRound(s.AxisY.Target) == s.AxisY.Pos;
}

// Every compensated element carries the current block's Z along with it.
void StepLineInElement(TSimulation& sim);
void StepArcInElement(TSimulation& sim);

// A transition arc of tool radius around the programmed corner P, from the pen to the
// XY target, logged with its text ("Insert Circle after Line", "... after Circle").
void InsertCornerArc(TSimulation& sim, float px, float py, const char* message);

}  // namespace marloq
