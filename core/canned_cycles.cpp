// Canned cycles: each works around the start point S saved by BeginCycle and moves
// only through the cycle helpers, so the view draws them like any other line.
#include "core/canned_cycles.h"

#include "core/block_reader.h"
#include "core/cycle_helpers.h"
#include "core/fmath.h"

namespace marloq {

namespace {

constexpr Extended kStrokeSpacing = 1.8L;    // strokes and rounds, in tool radii
constexpr Extended kSpiralPitch = 0.25L;     // spiral growth per radian, in tool radii
constexpr Extended kSpiralAngleStep = 0.0628L;  // about a hundred points per turn

bool WithinMoveLimit(Extended moves) { return moves <= Extended(kMaxCycleMoves); }

// Passes from D, 0 counting as one, and one more for a finishing depth J.
int64_t PassCount(int32_t d, float finish) {
  int64_t n = d == 0 ? 1 : d;
  if (finish != 0) ++n;
  return n;
}

// A vector of the given length in the direction a.
void Polar(float a, float length, float& x, float& y) {
  x = static_cast<float>(Extended(FCos(a)) * length);
  y = static_cast<float>(Extended(FSin(a)) * length);
}

// G82 and G83 begin alike: the angle from I, and the vector A of length X along it.
float BeginAlongAngle(TInterpreterState& s, float& ax, float& ay) {
  BeginCycle(s);
  ReadAngleWord(s);
  const float theta = s.WorkAngle;
  s.WorkI = ReadRealWord(s, 'X');
  Polar(theta, s.WorkI, ax, ay);
  return theta;
}

// The vector B of length WorkJ across the direction theta, to its left.
void Sideways(TInterpreterState& s, float theta, float& bx, float& by) {
  s.WorkAngle = static_cast<float>(Extended(theta) + kHalfPi);
  Polar(s.WorkAngle, s.WorkJ, bx, by);
}

void DrillHole(TInterpreterState& s) {
  s.MoveClass = kMovePlunge;
  s.AxisZ.Target = s.AxisZ.Aux;
  s.Callbacks.OnLineTo();
  s.Callbacks.OnDrillBottom();
  s.MoveClass = kMoveRetract;
  s.AxisZ.Target = s.AxisZ.Start;
  s.Callbacks.OnLineTo();
}

void RetractToStart(TInterpreterState& s) {
  s.MoveClass = kMoveRetract;
  s.AxisZ.Target = s.AxisZ.Start;
  ReturnToStart(s);
  s.MoveClass = kMoveOrdinary;
}

// The next depth of a pocket: the full depth Z on the last pass.
void NextPassDepth(TInterpreterState& s, int64_t passesLeft, float depthStep) {
  if (passesLeft == 0) s.AxisZ.Target = static_cast<float>(Extended(s.AxisZ.Start) - s.AxisZ.Aux);
  else s.AxisZ.Target = static_cast<float>(Extended(s.AxisZ.Target) - depthStep);
}

// G85: clockwise outwards from the centre until the radius reaches WorkRadius.
void Spiral(TInterpreterState& s) {
  s.WorkAngle2 = 1.0f;  // phi
  s.WorkAngle = static_cast<float>(ToolRadiusOf(s) * kSpiralPitch);
  do {
    s.WorkAngle2 = static_cast<float>(s.WorkAngle2 + kSpiralAngleStep);
    s.WorkI = static_cast<float>(Extended(s.WorkAngle) * s.WorkAngle2);
    if (s.WorkI >= s.WorkRadius) {
      s.WorkI = s.WorkRadius;
      s.WorkAngle2 = static_cast<float>(Extended(s.WorkRadius) / s.WorkAngle);
    }
    CirclePointCCW(s, -s.WorkAngle2);
  } while (s.WorkI != s.WorkRadius);
}

// G86: one round of corners at half diagonal WorkI, turned by theta, corner direction
// delta, in the order (+,+), (+,-), (-,-), (-,+), (+,+).
void PocketRound(TInterpreterState& s, float theta, float delta) {
  const Extended t = theta, d = delta;
  CirclePointCW(s, static_cast<float>(-t - d));
  CirclePointCW(s, static_cast<float>(d - t + kTwoPi));
  CirclePointCW(s, static_cast<float>(kPiExtended - t - d));
  CirclePointCW(s, static_cast<float>(kPiExtended + d - t));
  CirclePointCW(s, static_cast<float>(-t - d));
}

}  // namespace

TCycleRefusal SlotOutline(TInterpreterState& s) {
  const int32_t passes = ReadIntWord(s, 'D');
  if (passes > 0 && !WithinMoveLimit(Extended(passes) * 7)) return TCycleRefusal::TooManyMoves;
  float ax, ay, bx, by;
  const float theta = BeginAlongAngle(s, ax, ay);
  s.WorkJ = static_cast<float>(Extended(ReadRealWord(s, 'Y')) / 2 - ToolRadiusOf(s));
  if (s.WorkJ < 0) s.WorkJ = 0;
  Sideways(s, theta, bx, by);
  const float z = ReadRealWord(s, 'Z');
  if (passes > 0) {
    const int32_t step = FRound(static_cast<float>(Extended(FAbs(z)) / passes));
    for (int32_t i = 0; i < passes; ++i) {
      s.MoveClass = kMovePlunge;
      s.AxisZ.Target = static_cast<float>(Extended(s.AxisZ.Target) - step);
      ReturnToStart(s);
      s.MoveClass = kMoveOrdinary;
      MoveBy(s, bx, by);
      MoveBy(s, ax, ay);
      MoveBy(s, -2 * bx, -2 * by);
      MoveBy(s, -ax, -ay);
      s.MoveClass = kMoveReturnStroke;
      ReturnToStart(s);
      s.MoveClass = kMoveOrdinary;
    }
  }
  s.AxisZ.Target = s.AxisZ.Start;
  ReturnToStart(s);
  return TCycleRefusal::None;
}

TCycleRefusal ParallelStrokes(TInterpreterState& s) {
  const float r = ToolRadiusOf(s);
  if (r == 0) return TCycleRefusal::NoToolRadius;
  const float width = ReadRealWord(s, 'Y');
  if (width < 0) return TCycleRefusal::NegativeWidth;
  const float spacings = static_cast<float>(width / (r * kStrokeSpacing));
  if (!WithinMoveLimit((Extended(spacings) + 2) * 3)) return TCycleRefusal::TooManyMoves;
  float ax, ay, bx, by;
  const float theta = BeginAlongAngle(s, ax, ay);
  s.WorkJ = width;
  int32_t n = FTrunc(spacings) + 1;
  s.WorkJ = static_cast<float>(Extended(s.WorkJ) / n);
  Sideways(s, theta, bx, by);
  for (;;) {
    s.MoveClass = kMoveOrdinary;
    MoveBy(s, ax, ay);
    s.MoveClass = kMoveReturnStroke;
    MoveBy(s, -ax, -ay);
    s.MoveClass = kMoveOrdinary;
    if (n == 0) break;
    --n;
    MoveBy(s, bx, by);
  }
  ReturnToStart(s);
  return TCycleRefusal::None;
}

TCycleRefusal HolePattern(TInterpreterState& s) {
  // Read as the unsigned count it is: a J that wrapped negative is billions of holes.
  uint32_t holes = static_cast<uint32_t>(ReadIntWord(s, 'J'));
  if (holes == 0) holes = 1;
  if (!WithinMoveLimit(Extended(holes) * 4)) return TCycleRefusal::TooManyMoves;
  const auto n = static_cast<int32_t>(holes);
  BeginCycle(s);
  ReadAngleWord(s);
  s.AxisZ.Aux = static_cast<float>(Extended(s.AxisZ.Start) - ReadRealWord(s, 'Z'));
  s.WorkI = ReadRealWord(s, 'R');
  if (s.WorkI != 0) {
    // A bolt circle of radius R around S.
    s.WorkAngle2 = static_cast<float>(Extended(kTwoPi) / n);
    for (int32_t i = 0; i < n; ++i) {
      CirclePointCCW(s, s.WorkAngle);
      DrillHole(s);
      s.MoveClass = kMoveOrdinary;
      s.WorkAngle = static_cast<float>(Extended(s.WorkAngle) + s.WorkAngle2);
    }
  } else {
    // The first hole where the tool stands, every further one X from S in direction I.
    s.WorkI = ReadRealWord(s, 'X');
    for (int32_t left = n;;) {
      DrillHole(s);
      s.MoveClass = kMoveOrdinary;
      if (--left == 0) break;
      CirclePointCCW(s, s.WorkAngle);
    }
  }
  ReturnToStart(s);
  return TCycleRefusal::None;
}

TCycleRefusal CircularPocket(TInterpreterState& s) {
  const float r = ToolRadiusOf(s);
  if (r == 0) return TCycleRefusal::NoToolRadius;
  const float z = ReadRealWord(s, 'Z'), finish = ReadRealWord(s, 'J'), radius = ReadRealWord(s, 'R');
  const int32_t d = ReadIntWord(s, 'D');
  const float depthStep = static_cast<float>((Extended(z) - finish) / (d == 0 ? 1 : d));
  int64_t n = PassCount(d, finish);
  const float pathRadius = static_cast<float>(Extended(radius) - r - n);
  if (pathRadius > 0 && n > 0) {
    const Extended points = (Extended(pathRadius) + n) / float(r * kSpiralPitch) / kSpiralAngleStep + 2;
    if (!WithinMoveLimit(Extended(n) * (points + 4))) return TCycleRefusal::TooManyMoves;
  }
  BeginCycle(s);
  s.AxisZ.Aux = z;
  s.WorkI = finish;
  s.WorkJ = depthStep;
  s.WorkRadius = pathRadius;
  if (s.WorkRadius <= 0) return TCycleRefusal::None;
  s.ArcClockwise = true;
  while (n > 0) {
    --n;
    ReturnToStart(s);
    NextPassDepth(s, n, s.WorkJ);
    s.Callbacks.OnDepthPass();
    s.MoveClass = kMovePlunge;
    ReturnToStart(s);
    s.MoveClass = kMoveOrdinary;
    s.WorkRadius = static_cast<float>(Extended(s.WorkRadius) + 1);
    Spiral(s);
    s.Callbacks.OnArc();  // the full circle at the pocket's radius
  }
  RetractToStart(s);
  return TCycleRefusal::None;
}

TCycleRefusal RectangularPocket(TInterpreterState& s) {
  const float r = ToolRadiusOf(s);
  if (r == 0) return TCycleRefusal::NoToolRadius;
  const float z = ReadRealWord(s, 'Z'), finish = ReadRealWord(s, 'J');
  const float length = ReadRealWord(s, 'X'), width = ReadRealWord(s, 'Y');
  const int32_t d = ReadIntWord(s, 'D');
  const float depthStep = static_cast<float>((Extended(z) - finish) / (d == 0 ? 1 : d));
  int64_t n = PassCount(d, finish);
  // The half sizes of the path of the tool centre.
  const float halfLength = static_cast<float>(Extended(length) / 2 - r);
  const float halfWidth = static_cast<float>(Extended(width) / 2 - r);
  const bool fits = !(halfLength < 0 || halfWidth < 0);
  const float cycleStep = static_cast<float>(kStrokeSpacing * r);
  const float halfDiagonal = static_cast<float>(
      Extended(FSqrt(static_cast<float>(Extended(FSqr(halfLength)) + FSqr(halfWidth)))) - n);
  if (fits && n > 0) {
    const Extended rounds = (Extended(halfDiagonal) + n) / cycleStep + 2;
    if (!WithinMoveLimit(Extended(n) * (rounds * 5 + 3))) return TCycleRefusal::TooManyMoves;
  }
  BeginCycle(s);
  ReadAngleWord(s);
  const float theta = s.WorkAngle;
  s.AxisZ.Aux = z;
  s.AxisY.Aux = depthStep;
  s.CycleStep = r;
  s.WorkJ = halfLength;
  s.WorkI = halfWidth;
  if (fits) {
    s.WorkAngle2 = FAngle(s.WorkJ, s.WorkI);  // the direction of the corner
    s.CycleStep = cycleStep;
    s.WorkRadius = halfDiagonal;
    while (n > 0) {
      --n;
      NextPassDepth(s, n, s.AxisY.Aux);
      ReturnToStart(s);
      s.WorkI = 0;
      s.WorkRadius = static_cast<float>(Extended(s.WorkRadius) + 1);
      do {
        s.WorkI = static_cast<float>(Extended(s.WorkI) + s.CycleStep);
        if (s.WorkI > s.WorkRadius) s.WorkI = s.WorkRadius;
        PocketRound(s, theta, s.WorkAngle2);
      } while (s.WorkI != s.WorkRadius);
      s.Callbacks.OnDepthPass();
    }
  }
  RetractToStart(s);
  return TCycleRefusal::None;
}

}  // namespace marloq
