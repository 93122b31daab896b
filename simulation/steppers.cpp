// Steppers: integer Bresenham lines and arcs stepped by angle in the core's own
// trigonometry. The drawing lags 19 steps behind the positions through the delay line.
#include "simulation/steppers.h"

#include <cstdint>

#include "core/axis_stepping.h"
#include "core/fmath.h"
#include "simulation/block_driver.h"
#include "simulation/drawing.h"
#include "simulation/log_line.h"
#include "simulation/step_plotter.h"

namespace marloq {

namespace {

constexpr Extended kArcStepLength = 0.49L;   // world units of arc per angle increment
constexpr Extended kZSpreadFactor = 0.96775L; // Z steps spread over this share of the arc

// A position at the 32-bit limit stays there: a path that absurd numbers drive past
// the limit (a saturated target, an arc around it) stays defined.
void StepPos(int32_t& pos, uint8_t bits, uint8_t plusBit, uint8_t minusBit) {
  const int delta = ((bits & plusBit) != 0) - ((bits & minusBit) != 0);
  if ((delta > 0 && pos < INT32_MAX) || (delta < 0 && pos > INT32_MIN)) pos += delta;
}

void ApplyStep(TInterpreterState& s, uint8_t bits) {
  StepPos(s.AxisX.Pos, bits, kStepXPlus, kStepXMinus);
  StepPos(s.AxisY.Pos, bits, kStepYPlus, kStepYMinus);
  StepPos(s.AxisZ.Pos, bits, kStepZPlus, kStepZMinus);
}

Extended TargetGap(const TAxis& a) { return Extended(a.Target) - a.Pos; }

// Where the pen would point from the centre: the angle in [0, 2 pi).
float AngleFromCentre(int64_t dx, int64_t dy) {
  float a = FAngle(static_cast<float>(dx), static_cast<float>(dy));
  if (a < 0) a = static_cast<float>(Extended(a) + kTwoPi);
  return a;
}

bool OnTarget(const TAxis& a) { return FRound(a.Target) == a.Pos; }

// Z follows the arc linearly, only while logging; otherwise it moves in the closing line.
void SetupArcZ(TInterpreterState& s) {
  TAxis& z = s.AxisZ;
  z.Dir = 0;
  z.Count = 0;
  if (Extended(z.Pos) == z.Target) {
    z.Dir = kMajorAxisBit;
    return;
  }
  if (!s.LogEnabled) return;
  if (Extended(z.Pos) > z.Target) {
    z.Count = FRound(static_cast<float>(z.Pos - Extended(z.Target)));
    z.Dir = kStepZMinus;
  } else {
    z.Count = FRound(static_cast<float>(Extended(z.Target) - z.Pos));
    z.Dir = kStepZPlus;
  }
  const Extended sweep = Extended(s.WorkAngle2) - s.WorkAngle;
  const float span = static_cast<float>((sweep < 0 ? -sweep : sweep) * s.WorkRadius * kZSpreadFactor);
  s.MajorSteps = static_cast<uint32_t>(FTrunc(span));
  z.Accum = static_cast<int32_t>(s.MajorSteps / 2);
}

}  // namespace

void EmitStep(TSimulation& sim, uint8_t bits) {
  TInterpreterState& s = sim.Core;
  ApplyStep(s, bits);
  if (++sim.Guard.Steps > sim.Guard.MaxSteps) {
    sim.Guard.Tripped = true;
    s.StopRequest = true;
  }
  if (s.StepRingFill == kStepRingSize - 1) {
    PlotStep(sim, s.StepRing[s.StepRingOut]);
    s.StepRingOut = (s.StepRingOut + 1) % kStepRingSize;
  } else {
    ++s.StepRingFill;
  }
  s.StepRing[s.StepRingIn] = bits;
  s.StepRingIn = (s.StepRingIn + 1) % kStepRingSize;
}

void FlushSteps(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  while (s.StepRingFill > 0) {
    PlotStep(sim, s.StepRing[s.StepRingOut]);
    s.StepRingOut = (s.StepRingOut + 1) % kStepRingSize;
    --s.StepRingFill;
  }
}

void LineStepper(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  if (s.LogEnabled)
    AppendLog(sim, TLogLine().Text("StepLin  ").Real(TargetGap(s.AxisX), 6, 0)
                       .Real(TargetGap(s.AxisY), 6, 0).Real(TargetGap(s.AxisZ), 6, 0).View());
  SetupAxis(s.AxisX, kStepXPlus, kStepXMinus);
  SetupAxis(s.AxisY, kStepYPlus, kStepYMinus);
  SetupAxis(s.AxisZ, kStepZPlus, kStepZMinus);
  s.MajorSteps = PickMajorAxis(s);
  const uint32_t major = s.MajorSteps;
  s.AxisX.Accum = s.AxisY.Accum = s.AxisZ.Accum = static_cast<int32_t>(major / 2);
  const auto tick = [&] { return StepAxis(s.AxisZ, major, StepAxis(s.AxisY, major, StepAxis(s.AxisX, major, 0))); };
  if (sim.StepByStep || !TStepPlotter::FarFromLimits(s, major)) {
    for (uint32_t i = 0; i < major && !s.StopRequest; ++i) EmitStep(sim, tick());
    FlushSteps(sim);
  } else {
    TStepPlotter plotter(sim);
    for (uint32_t i = 0; i < major && !s.StopRequest; ++i) plotter.Emit(tick());
    plotter.Flush();
  }
  EndOfElement(sim);
}

uint8_t NextArcStep(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  uint8_t bits = 0;
  do {
    const float before = s.WorkAngle;
    const int32_t y = FRound(static_cast<float>(Extended(FSin(s.WorkAngle)) * s.WorkRadius));
    if (y != s.AxisY.Accum) {
      bits = y > s.AxisY.Accum ? kStepYPlus : kStepYMinus;
      s.AxisY.Accum = y;
    }
    const int32_t x = FRound(static_cast<float>(Extended(FCos(s.WorkAngle)) * s.WorkRadius));
    if (x != s.AxisX.Accum) {
      bits |= x > s.AxisX.Accum ? kStepXPlus : kStepXMinus;
      s.AxisX.Accum = x;
    }
    s.WorkAngle += s.AngleStep;
    if ((s.WorkAngle < s.WorkAngle2) == s.ArcClockwise) bits |= kArcEndMark;
    s.WorkAngle += s.AngleStep;
    // An increment too small to move a float angle would step for ever: end the arc
    // here and let the closing line reach the target.
    if (s.WorkAngle == before) bits |= kArcEndMark;
  } while (bits == 0);
  return bits;
}

void ArcStepper(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  TAxis& ax = s.AxisX;
  TAxis& ay = s.AxisY;
  if (s.LogEnabled)
    AppendLog(sim, TLogLine().Text("StepZir  ").Real(TargetGap(ax), 6, 0).Real(TargetGap(ay), 6, 0)
                       .Real(TargetGap(s.AxisZ), 6, 0).Text(" Radius:").Real(s.WorkRadius, 6, 0)
                       .Text(" Center:").Real(ax.Start, 6, 0).Real(ay.Start, 6, 0).View());
  // Also refuses radii that are not numbers or infinite: nothing could be stepped.
  if (!(s.WorkRadius > 0) || s.WorkRadius > 3.0e38f) return;
  const int64_t cx = FRound(ax.Start), cy = FRound(ay.Start);
  s.WorkAngle = AngleFromCentre(ax.Pos - cx, ay.Pos - cy);
  s.WorkAngle2 = AngleFromCentre(FRound(ax.Target) - cx, FRound(ay.Target) - cy);
  if (s.ArcClockwise) {
    if (s.WorkAngle2 >= s.WorkAngle) s.WorkAngle = static_cast<float>(Extended(s.WorkAngle) + kTwoPi);
  } else if (s.WorkAngle >= s.WorkAngle2) {
    s.WorkAngle2 = static_cast<float>(Extended(s.WorkAngle2) + kTwoPi);
  }
  SetupArcZ(s);
  s.AngleStep = static_cast<float>(kArcStepLength / s.WorkRadius);
  if (s.ArcClockwise) s.AngleStep = -s.AngleStep;
  ax.Accum = ay.Accum = 0;
  NextArcStep(sim);  // loads the accumulators with the start's offset from the centre
  const auto stepArc = [&](auto step) {
    while (!s.StopRequest) {
      const uint8_t v = NextArcStep(sim);
      if (v & (kStepXPlus | kStepXMinus | kStepYPlus | kStepYMinus)) step(StepAxis(s.AxisZ, s.MajorSteps, v & 15));
      if (v > 16) break;
    }
  };
  // An arc keeps within its radius of the centre, up to the pen's distance from it.
  const int64_t reach = s.WorkRadius < 0x1p29f ? 2 * int64_t(s.WorkRadius) + 4 : INT64_MAX;
  if (sim.StepByStep || !TStepPlotter::FarFromLimits(s, reach)) {
    stepArc([&](uint8_t bits) { EmitStep(sim, bits); });
    FlushSteps(sim);
  } else {
    TStepPlotter plotter(sim);
    stepArc([&](uint8_t bits) { plotter.Emit(bits); });
    plotter.Flush();
  }
  if (OnTarget(ax) && OnTarget(ay) && OnTarget(s.AxisZ)) {
    EndOfElement(sim);
    return;
  }
  if (s.LogEnabled) {
    AppendPosition(sim);
    AppendLog(sim, "Insert Line after Circle");
  }
  LineStepper(sim);
}

}  // namespace marloq
