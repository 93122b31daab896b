// Steppers: integer Bresenham lines and arcs stepped by angle in the core's own
// trigonometry. The drawing lags 19 steps behind the positions through the delay line.
#include "simulation/steppers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/arc_offsets.h"
#include "core/axis_stepping.h"
#include "core/fmath.h"
#include "core/fmath_batch.h"
#include "simulation/block_driver.h"
#include "simulation/check_pass.h"
#include "simulation/draw_record.h"
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

// The steppers' own log lines, only where they are written: a re-draw logs nothing, and
// formatting them would cost it per element.
bool Logging(const TSimulation& sim) { return sim.Core.LogEnabled && sim.Log.Open(); }

// Where the pen would point from the centre: the angle in [0, 2 pi).
float AngleFromCentre(int64_t dx, int64_t dy) {
  float a = FAngle(static_cast<float>(dx), static_cast<float>(dy));
  if (a < 0) a = static_cast<float>(Extended(a) + kTwoPi);
  return a;
}

// False for an angle that stands still, and for one that is not a number.
bool Advanced(float before, float after) { return before < after || before > after; }

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

// The bits of one pass of NextArcStep's loop from the rounded sine and cosine.
uint8_t ArcPassBits(TInterpreterState& s, float sine, float cosine) {
  uint8_t bits = 0;
  const int32_t y = FRound(static_cast<float>(double(sine) * s.WorkRadius));  // the exact product
  if (y != s.AxisY.Accum) {
    bits = y > s.AxisY.Accum ? kStepYPlus : kStepYMinus;
    s.AxisY.Accum = y;
  }
  const int32_t x = FRound(static_cast<float>(double(cosine) * s.WorkRadius));
  if (x != s.AxisX.Accum) {
    bits |= x > s.AxisX.Accum ? kStepXPlus : kStepXMinus;
    s.AxisX.Accum = x;
  }
  return bits;
}

// How many passes from WorkAngle may take their angles as a0 + 2 i d: while every sum
// of NextArcStep stays inside the binade of a0 (a float spacing u), adding the step
// moves an angle by the same d, the step rounded to a multiple of u, unless the step
// lies exactly halfway between two (then the rounding alternates). 0 when not.
int EvenlySpacedPasses(const TInterpreterState& s, int most, float& d) {
  const float a0 = s.WorkAngle, step = s.AngleStep;
  if (!(a0 >= 0x1p-14f && a0 < 0x1p20f) || step == 0) return 0;
  int exponent;
  std::frexp(a0, &exponent);
  const double low = std::ldexp(1.0, exponent - 1), high = 2 * low, u = std::ldexp(1.0, exponent - 24);
  const double units = step / u;  // exact: a power of two apart
  if (units - std::floor(units) == 0.5) return 0;
  d = (a0 + step) - a0;  // exact: both in the binade
  if (d == 0) return 0;
  const double margin = std::fabs(step) + u;
  const double room = d > 0 ? (high - margin - a0) / (2.0 * d) : (a0 - margin - low) / (-2.0 * d);
  return static_cast<int>(std::clamp(std::floor(room), 0.0, double(most)));
}

// The passes from WorkAngle whose angles are evenly spaced, each a0 + i * spacing
// exactly, up to `most` and up to the one that ends the arc (then `ends`); 0 when the
// next angles are not evenly spaced.
int EvenArcPasses(const TInterpreterState& s, int most, float& spacing, bool& ends) {
  float d = 0;
  int n = EvenlySpacedPasses(s, most, d);
  if (n < 4) return 0;
  // The pass that ends the arc: the first whose middle angle a0 + (2 i + 1) d is past
  // WorkAngle2; estimated, then settled by the float comparison itself.
  const float a0 = s.WorkAngle;
  const auto ends_at = [&](int i) { return (a0 + static_cast<float>(2 * i + 1) * d < s.WorkAngle2) == s.ArcClockwise; };
  const double estimate = std::ceil((double(s.WorkAngle2) - a0 - d) / (2.0 * d));
  int end = static_cast<int>(std::clamp(estimate, 0.0, double(n)));
  while (end > 0 && ends_at(end - 1)) --end;
  while (end < n && !ends_at(end)) ++end;
  ends = end < n;
  spacing = 2 * d;
  return ends ? end + 1 : n;
}

// The angles of the next passes summed one by one as NextArcStep sums them, only for a
// few passes (across a binade's edge, say): then evenly spaced angles may take over again.
int SummedArcPasses(const TInterpreterState& s, float* angles, bool* ends, int most) {
  constexpr int kPassesSummed = 8;
  most = std::min(most, kPassesSummed);
  int n = 0;
  angles[0] = s.WorkAngle;
  do {
    const float mid = angles[n] + s.AngleStep;
    angles[n + 1] = mid + s.AngleStep;
    ends[n] = (mid < s.WorkAngle2) == s.ArcClockwise || !Advanced(angles[n], angles[n + 1]);
  } while (!ends[n++] && n < most);
  return n;
}

}  // namespace

int ArcPassAngles(const TInterpreterState& s, float* angles, bool* ends, int most, float& spacing) {
  bool ended = false;
  const int n = EvenArcPasses(s, most, spacing, ended);
  if (n == 0) {
    spacing = 0;
    return SummedArcPasses(s, angles, ends, most);
  }
  for (int i = 0; i <= n; ++i) angles[i] = s.WorkAngle + static_cast<float>(i) * spacing;  // all exact
  for (int i = 0; i < n; ++i) ends[i] = false;
  ends[n - 1] = ended;
  return n;
}

namespace {

// The arc's steps as NextArcStep gives them, a stretch of passes at a time: the angles
// are the same float sums worked out ahead, their sines and cosines all at once.
template <typename Step>
void StepArcInStretches(TInterpreterState& s, Step step) {
  constexpr int kStretch = 64;
  float angles[kStretch + 1], sines[kStretch], cosines[kStretch];
  bool ends[kStretch];
  while (!s.StopRequest) {
    float spacing;
    const int n = ArcPassAngles(s, angles, ends, kStretch, spacing);
    FSinCos(angles, sines, cosines, n);
    for (int i = 0; i < n; ++i) {
      const uint8_t bits = ArcPassBits(s, sines[i], cosines[i]) | (ends[i] ? kArcEndMark : 0);
      if (bits == 0) continue;  // NextArcStep goes on without returning
      if (bits & (kStepXPlus | kStepXMinus | kStepYPlus | kStepYMinus))
        step(StepAxis(s.AxisZ, s.MajorSteps, bits & 15));
      if (bits > 16 || s.StopRequest) {
        s.WorkAngle = angles[i + 1];
        return;
      }
    }
    s.WorkAngle = angles[n];
  }
}

// An arc's steps while Z stands still, a stretch of passes at a time.
void StepPlanarArc(TInterpreterState& s, TStepPlotter& plotter) {
  constexpr int kStretch = 256;
  float angles[kStretch + 1];
  int32_t xs[kStretch], ys[kStretch];
  bool ends[kStretch];
  while (!s.StopRequest) {
    // The radius is below 2^29 here.
    float spacing;
    bool ended;
    if (const int n = EvenArcPasses(s, kStretch, spacing, ended); n > 0) {
      FRoundArcOffsets(s.WorkAngle, spacing, s.WorkRadius, xs, ys, n);
      const int taken = plotter.EmitArcPasses(xs, ys, n, s.AxisX.Accum, s.AxisY.Accum);
      s.WorkAngle += static_cast<float>(taken) * spacing;  // exact
      if (taken < n || ended) return;
      continue;
    }
    const int n = SummedArcPasses(s, angles, ends, kStretch);
    FRoundOffsets(angles, s.WorkRadius, xs, ys, n);
    const int taken = plotter.EmitArcPasses(xs, ys, n, s.AxisX.Accum, s.AxisY.Accum);
    s.WorkAngle = angles[taken];
    if (taken < n || ends[n - 1]) return;
  }
}

// Ticks of a line from here on whose plots change nothing, up to `left`, when one
// axis or two move; then they can be taken at once (SkipQuietTicks).
uint32_t QuietTicks(const TSimulation& sim, const TStepPlotter& plotter, uint32_t left) {
  const TInterpreterState& s = sim.Core;
  const TAxis* const axes[3] = {&s.AxisX, &s.AxisY, &s.AxisZ};
  // The guard looks at every step that reaches its checkpoint: skips stop short of it.
  int64_t quiet = std::min<int64_t>(left, int64_t(sim.Guard.NextStepCheck - 1 - sim.Guard.Steps));
  int minors = 0;
  for (const TAxis* axis : axes) minors += axis->Dir != 0 && !(axis->Dir & kMajorAxisBit);
  for (int a = 0; a < 3 && quiet > 0; ++a) {
    const TAxis& axis = *axes[a];
    if (axis.Dir == 0) continue;
    const int dir = (axis.Dir & 0x15) != 0 ? 1 : -1;  // a plus bit: 1, 4 or 16
    const int64_t room = plotter.Room(a, dir);
    if (axis.Dir & kMajorAxisBit) {
      quiet = std::min(quiet, room);
      continue;
    }
    // Which ticks step both minor axes takes stepping them: with two, only the ticks
    // before either steps are taken at once.
    const int64_t steps = minors > 1 ? 0 : room;
    // The minor axis makes its (steps + 1)-th step at the first tick k with
    // Accum + k * Count - 1 >= (steps + 1) * MajorSteps.
    const int64_t need = (steps + 1) * int64_t(s.MajorSteps) + 1 - axis.Accum;
    quiet = std::min(quiet, (need + axis.Count - 1) / axis.Count - 1);
  }
  return static_cast<uint32_t>(std::max<int64_t>(quiet, 0));
}

// The same ticks as StepAxis would make them, k at once: the major axis k steps, the
// minor axis one step each time its accumulator passes MajorSteps.
void SkipQuietTicks(TSimulation& sim, TStepPlotter& plotter, uint32_t k) {
  TInterpreterState& s = sim.Core;
  TAxis* const axes[3] = {&s.AxisX, &s.AxisY, &s.AxisZ};
  int64_t moves[3] = {0, 0, 0};
  TStepCounts kinds;
  kinds.Axes[1] = k;
  for (int a = 0; a < 3; ++a) {
    TAxis& axis = *axes[a];
    if (axis.Dir == 0) continue;
    const int dir = (axis.Dir & 0x15) != 0 ? 1 : -1;
    if (axis.Dir & kMajorAxisBit) {
      moves[a] = int64_t(k) * dir;
      continue;
    }
    const int64_t total = axis.Accum + int64_t(k) * axis.Count;
    const int64_t overflows = total >= 1 ? (total - 1) / int64_t(s.MajorSteps) : 0;
    axis.Accum = static_cast<int32_t>(total - overflows * int64_t(s.MajorSteps));
    moves[a] = overflows * dir;
    kinds.Axes[2] += static_cast<uint64_t>(overflows);
    kinds.Axes[1] -= static_cast<uint64_t>(overflows);
  }
  plotter.EmitQuiet(k, moves, kinds);
}

}  // namespace

void EmitStep(TSimulation& sim, uint8_t bits) {
  TInterpreterState& s = sim.Core;
  ApplyStep(s, bits);
  if (++sim.Guard.Steps >= sim.Guard.NextStepCheck) StepCheckpoint(sim);
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
  if (sim.Check) return CheckLine(sim);
  const TStretchScope stretch(sim, TStretchKind::Line);
  TInterpreterState& s = sim.Core;
  if (Logging(sim))
    AppendLog(sim, TLogLine().Text("StepLin  ").Real(TargetGap(s.AxisX), 6, 0)
                       .Real(TargetGap(s.AxisY), 6, 0).Real(TargetGap(s.AxisZ), 6, 0).View());
  SetupAxis(s.AxisX, kStepXPlus, kStepXMinus);
  SetupAxis(s.AxisY, kStepYPlus, kStepYMinus);
  SetupAxis(s.AxisZ, kStepZPlus, kStepZMinus);
  s.MajorSteps = PickMajorAxis(s);
  const uint32_t major = s.MajorSteps;
  s.AxisX.Accum = s.AxisY.Accum = s.AxisZ.Accum = static_cast<int32_t>(major / 2);
  const auto tick = [&] { return StepAxis(s.AxisZ, major, StepAxis(s.AxisY, major, StepAxis(s.AxisX, major, 0))); };
  // Every axis of a line moves at most as far as its 32-bit target, so no position
  // reaches the limits where the plain stepping stops it: any line may take the fast way.
  if (sim.StepByStep) {
    for (uint32_t i = 0; i < major && !s.StopRequest; ++i) EmitStep(sim, tick());
    FlushSteps(sim);
  } else {
    // Between plots that change something a line's ticks are taken at once.
    constexpr uint32_t kWorthSkipping = 4;
    // While asking finds nothing to skip (three axes stepping together), ask less often.
    constexpr uint32_t kMostBetweenAsks = 1024;
    TStepPlotter plotter(sim);
    uint32_t betweenAsks = 1;
    for (uint32_t i = 0; i < major && !s.StopRequest;) {
      const uint32_t quiet = QuietTicks(sim, plotter, major - i);
      if (quiet >= kWorthSkipping) {
        SkipQuietTicks(sim, plotter, quiet);
        i += quiet;
        betweenAsks = 1;
        continue;
      }
      // The quiet ticks and the one that ends them, one by one; then ask again.
      const uint32_t n = std::max(quiet + 1, betweenAsks);
      betweenAsks = std::min(2 * betweenAsks, kMostBetweenAsks);
      for (uint32_t k = 0; k < n && i < major && !s.StopRequest; ++k, ++i) plotter.Emit(tick());
    }
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
    // An increment too small to move a float angle (or an angle that is not a number)
    // would step for ever: end the arc here and let the closing line reach the target.
    if (!Advanced(before, s.WorkAngle)) bits |= kArcEndMark;
  } while (bits == 0);
  return bits;
}

void ArcStepper(TSimulation& sim) {
  if (sim.Check) return CheckArc(sim);
  const TStretchScope stretch(sim, TStretchKind::Arc);
  TInterpreterState& s = sim.Core;
  TAxis& ax = s.AxisX;
  TAxis& ay = s.AxisY;
  if (Logging(sim))
    AppendLog(sim, TLogLine().Text("StepZir  ").Real(TargetGap(ax), 6, 0).Real(TargetGap(ay), 6, 0)
                       .Real(TargetGap(s.AxisZ), 6, 0).Text(" Radius:").Real(s.WorkRadius, 6, 0)
                       .Text(" Center:").Real(ax.Start, 6, 0).Real(ay.Start, 6, 0).View());
  // Only a radius <= 0 stops the arc before it starts. An infinite one (or one that is
  // not a number) gives an angle that does not advance: no steps, then the closing line.
  if (s.WorkRadius <= 0) return;
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
    if ((s.AxisZ.Dir & ~kMajorAxisBit) == 0) StepPlanarArc(s, plotter);
    else StepArcInStretches(s, [&](uint8_t bits) { plotter.Emit(bits); });
    plotter.Flush();
  }
  if (OnTarget(ax) && OnTarget(ay) && OnTarget(s.AxisZ)) {
    EndOfElement(sim);
    return;
  }
  if (Logging(sim)) {
    AppendPosition(sim);
    AppendLog(sim, "Insert Line after Circle");
  }
  LineStepper(sim);
}

}  // namespace marloq
