// Motion blocks: set the axis targets from the block records or words, then step.
#include "simulation/motion_blocks.h"

#include "core/arc_geometry.h"
#include "core/block_reader.h"
#include "core/cycle_helpers.h"
#include "core/fmath.h"
#include "simulation/compensated_arc.h"
#include "simulation/compensated_line.h"
#include "simulation/drawing.h"
#include "simulation/steppers.h"

namespace marloq {

namespace {

constexpr float kHomeHeight = 132.0f;  // in the current unit before scaling: 132 mm in metric

int32_t Nint(Extended v) { return RoundHalfEven(v); }

void TargetCurrentBlock(TInterpreterState& s) {
  s.AxisX.Target = s.CurBlock.X;
  s.AxisY.Target = s.CurBlock.Y;
  s.AxisZ.Target = s.CurBlock.Z;
}

}  // namespace

void MoveLinear(TSimulation& sim) {
  if (sim.Core.CompLeft || sim.Core.CompRight) return CompensatedMoveLinear(sim);
  TargetCurrentBlock(sim.Core);
  LineStepper(sim);
}

void MoveCircular(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  if (s.CompLeft || s.CompRight) return CompensatedMoveCircular(sim);
  ArcCentre(s, kArcOfCurrentBlock, s.WorkI, s.WorkJ, s.WorkRadius);
  s.AxisX.Start = s.PrevBlock.X + s.WorkI;
  s.AxisY.Start = s.PrevBlock.Y + s.WorkJ;
  TargetCurrentBlock(s);
  ArcStepper(sim);
}

void ReturnHome(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  s.NextBlock.X = 0;
  s.NextBlock.Y = 0;
  s.NextBlock.Z = kHomeHeight * s.UnitScale;
  s.RelativeMode = false;
  s.CompLeft = s.CompRight = false;
  s.AxisX.Target = 0;
  s.AxisY.Target = 0;
  s.AxisZ.Target = 13200;  // 132 mm whatever the unit mode
  LineStepper(sim);
}

void OutlineRectangle(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  const float sides[2] = {ReadRealWord(s, 'X'), ReadRealWord(s, 'Y')};
  ReadAngleWord(s);
  float a = s.WorkAngle;
  s.AxisZ.Target = -1;
  for (int side = 0; side < 4; ++side) {
    const float length = sides[side % 2];
    s.AxisX.Target = static_cast<float>(s.AxisX.Target + Nint(Extended(FCos(a)) * length));
    s.AxisY.Target = static_cast<float>(s.AxisY.Target + Nint(Extended(FSin(a)) * length));
    LineStepper(sim);
    a = static_cast<float>(Extended(a) + kHalfPi);
  }
}

void OutlineCircle(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  s.ArcClockwise = true;
  s.WorkRadius = ReadRealWord(s, 'R');
  const int32_t cx = s.AxisX.Pos, cy = s.AxisY.Pos;
  s.AxisX.Start = static_cast<float>(cx);
  s.AxisY.Start = static_cast<float>(cy);
  MovePenTo(sim, static_cast<int32_t>(int64_t(cx) + Nint(s.WorkRadius)), cy);
  s.AxisZ.Target = s.CurBlock.Z;
  ArcStepper(sim);
  MovePenTo(sim, FRound(s.AxisX.Start), FRound(s.AxisY.Start));
}

void OutlineCentredRectangle(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  ReadAngleWord(s);
  const float a = s.WorkAngle;
  const float w = ReadRealWord(s, 'X'), h = ReadRealWord(s, 'Y');
  const int64_t mx = s.AxisX.Pos, my = s.AxisY.Pos;
  const int64_t ux = Nint(Extended(FCos(a)) * w / 2), uy = Nint(Extended(FSin(a)) * w / 2);
  // Negated in 64 bits: a half side that saturates at INT32_MIN has no 32-bit negative.
  const int64_t vx = -int64_t(Nint(Extended(FSin(a)) * h / 2));
  const int64_t vy = Nint(Extended(FCos(a)) * h / 2);
  const auto clamp = [](int64_t v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v));
  };
  const auto lineTo = [&](int64_t x, int64_t y) {
    s.AxisX.Target = static_cast<float>(x);
    s.AxisY.Target = static_cast<float>(y);
    LineStepper(sim);
  };
  s.AxisZ.Target = -1;
  MovePenTo(sim, clamp(mx - ux - vx), clamp(my - uy - vy));
  LineStepper(sim);
  lineTo(mx - ux + vx, my - uy + vy);
  lineTo(mx + ux + vx, my + uy + vy);
  lineTo(mx + ux - vx, my + uy - vy);
  lineTo(mx - ux - vx, my - uy - vy);
  MovePenTo(sim, clamp(mx), clamp(my));
}

}  // namespace marloq
