// Axis stepping: registration of the view's callbacks and the integer Bresenham
// primitives the line stepper is built from (set up each axis, pick the major, tick).
#pragma once

#include <cstdint>

#include "core/interpreter_state.h"

namespace marloq {

void SetMotionCallbacks(TInterpreterState& s, TCallback onArc, TCallback onBlockLoaded,
                        TCallback onLineTo, TCallback onDepthPass, TCallback onDrillBottom);

// Prepares one axis for a line from Pos to its rounded Target.
void SetupAxis(TAxis& a, uint8_t plusBit, uint8_t minusBit);

// Marks the axis with the most steps (X wins its ties, Z a Y-Z tie); returns its count.
uint32_t PickMajorAxis(TInterpreterState& s);

// One Bresenham tick of one axis: adds its step bit to bits when it steps now.
// Inline because the line stepper calls it three times per simulated step.
inline uint8_t StepAxis(TAxis& a, uint32_t majorSteps, uint8_t bits) {
  if (a.Dir == 0) return bits;
  const uint8_t bit = a.Dir & ~kMajorAxisBit;
  if (a.Dir & kMajorAxisBit) return bits | bit;
  // 64 bits: Accum and Count are each at most INT32_MAX, their sum is not.
  const int64_t accum = int64_t(a.Accum) + a.Count;
  const int64_t major = static_cast<int32_t>(majorSteps);
  if (accum > major) {
    a.Accum = static_cast<int32_t>(accum - major);
    return bits | bit;
  }
  a.Accum = static_cast<int32_t>(accum);
  return bits;
}

}  // namespace marloq
