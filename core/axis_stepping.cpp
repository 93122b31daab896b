// Axis stepping: callback registration and the per-line set-up of the Bresenham
// stepping; the tick itself is inline in the header.
#include "core/axis_stepping.h"

#include "core/fmath.h"

namespace marloq {

void SetMotionCallbacks(TInterpreterState& s, TCallback onArc, TCallback onBlockLoaded,
                        TCallback onLineTo, TCallback onDepthPass, TCallback onDrillBottom) {
  s.Callbacks = TMotionCallbacks{onArc, onBlockLoaded, onLineTo, onDepthPass, onDrillBottom};
}

void SetupAxis(TAxis& a, uint8_t plusBit, uint8_t minusBit) {
  a.Dir = 0;
  const int64_t d = int64_t(a.Pos) - FRound(a.Target);
  // A move beyond 2^31 steps is cut to that: absurd targets stay defined.
  a.Count = static_cast<int32_t>(d < 0 ? (-d > INT32_MAX ? INT32_MAX : -d)
                                       : (d > INT32_MAX ? INT32_MAX : d));
  if (d < 0) a.Dir = plusBit;
  if (d > 0) a.Dir = minusBit;
}

uint32_t PickMajorAxis(TInterpreterState& s) {
  TAxis& x = s.AxisX;
  TAxis& y = s.AxisY;
  TAxis& z = s.AxisZ;
  TAxis& major = (x.Count >= y.Count && x.Count >= z.Count) ? x : (y.Count > z.Count ? y : z);
  major.Dir |= kMajorAxisBit;
  return static_cast<uint32_t>(major.Count);
}

}  // namespace marloq
