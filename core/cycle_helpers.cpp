// Cycle helpers: straight moves relative to the cycle's start point S (the axes'
// Start), on a circle of radius WorkI around it, or by a given offset.
#include "core/cycle_helpers.h"

#include "core/block_reader.h"
#include "core/fmath.h"

namespace marloq {

void ReadAngleWord(TInterpreterState& s) {
  constexpr Extended kRadiansPerDegree = 0.017453292519943295L;
  // Undo the unit scale: an angle reads the same in inch and metric mode.
  s.WorkAngle = static_cast<float>(Extended(ReadRealWord(s, 'I')) / s.UnitScale * kRadiansPerDegree);
}

void BeginCycle(TInterpreterState& s) {
  s.LogEnabled = false;
  s.SavedNoPause = s.NoPause;
  s.NoPause = true;
  s.AxisX.Start = static_cast<float>(s.AxisX.Pos);
  s.AxisY.Start = static_cast<float>(s.AxisY.Pos);
  s.AxisZ.Start = static_cast<float>(s.AxisZ.Pos);
}

void ReturnToStart(TInterpreterState& s) {
  s.AxisX.Target = s.AxisX.Start;
  s.AxisY.Target = s.AxisY.Start;
  s.Callbacks.OnLineTo();
}

void MoveBy(TInterpreterState& s, float dx, float dy) {
  s.AxisX.Target += dx;
  s.AxisY.Target += dy;
  s.Callbacks.OnLineTo();
}

void CirclePointCCW(TInterpreterState& s, float angle) {
  s.AxisX.Target = static_cast<float>(s.AxisX.Start + Extended(FCos(angle)) * s.WorkI);
  s.AxisY.Target = static_cast<float>(s.AxisY.Start + Extended(FSin(angle)) * s.WorkI);
  s.Callbacks.OnLineTo();
}

void CirclePointCW(TInterpreterState& s, float angle) {
  s.AxisX.Target = static_cast<float>(s.AxisX.Start + Extended(FCos(angle)) * s.WorkI);
  s.AxisY.Target = static_cast<float>(s.AxisY.Start - Extended(FSin(angle)) * s.WorkI);
  s.Callbacks.OnLineTo();
}

}  // namespace marloq
