// Compensated lines (G0, G1 under G41/G42): where the offset line ends, decided one
// block ahead, and the corner arcs around outer corners and into offset arcs.
#include "simulation/compensated_line.h"

#include "core/arc_geometry.h"
#include "core/block_reader.h"
#include "core/fmath.h"
#include "simulation/offset_path.h"

namespace marloq {

namespace {

constexpr const char* kCircleAfterLine = "Insert Circle after Line";

// Headings come from FAngle, good to a few float ulps: a turn this close to a full
// reversal cannot be told from one, and its FTan would put the tool light years away.
constexpr Extended kReversalTolerance = 4e-6L;

// The turn runs straight back along the line: half of it sits on a pole of FTan.
bool IsReversal(float delta) {
  const Extended halfTurns = Extended(delta) / kPiExtended;
  const Extended nearest = static_cast<Extended>(RoundHalfEven(halfTurns));
  if (static_cast<int64_t>(nearest) % 2 == 0) return false;
  const Extended off = Extended(delta) - nearest * kPiExtended;
  return (off < 0 ? -off : off) <= kReversalTolerance;
}

// Whether a point `reach` from P along some direction may lie past the axes' 32-bit
// positions, where no step can take the tool.
bool BeyondPositionRange(const TBlockRecord& P, Extended reach) {
  constexpr Extended kPositionLimit = 2147483647.0L;
  const Extended x = P.X < 0 ? -Extended(P.X) : Extended(P.X), y = P.Y < 0 ? -Extended(P.Y) : Extended(P.Y);
  return (reach < 0 ? -reach : reach) + (x > y ? x : y) > kPositionLimit;
}

// Inner corner, straight continuation or first offset move: T is the corner factor.
void InnerCorner(TSimulation& sim, float o, float T) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord &S = s.PrevBlock, &P = s.CurBlock, &N = s.NextBlock;
  if (FRound(S.X) == s.AxisX.Pos && FRound(S.Y) == s.AxisY.Pos) {
    // The pen still stands on the programmed start: offset at right angles to S-N.
    s.AxisX.Aux = N.X - S.X;
    s.AxisY.Aux = N.Y - S.Y;
    const float vv = SquaredLength(s.AxisX.Aux, s.AxisY.Aux);
    const float k = vv != 0 ? static_cast<float>(o / Extended(FSqrt(vv))) : o;
    SetXYTarget(s, P.X + Extended(k) * s.AxisY.Aux, P.Y - Extended(k) * s.AxisX.Aux);
  } else {
    const Extended sinT = FSin(P.Heading), cosT = FCos(P.Heading);
    SetXYTarget(s, P.X + Extended(o) * (sinT + T * cosT), P.Y + Extended(o) * (T * sinT - cosT));
  }
  StepLineInElement(sim);
}

// The corner turns away from the offset side: to the offset end of this line, then
// around the corner to the offset start of the next element.
void OuterCorner(TSimulation& sim, float o) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord& P = s.CurBlock;
  s.ArcClockwise = s.CompLeft;
  SetXYTarget(s, P.X + Extended(o) * FSin(P.Heading), P.Y - Extended(o) * FCos(P.Heading));
  StepLineInElement(sim);
  const float thetaN = s.NextBlock.Heading;
  SetXYTarget(s, P.X + Extended(o) * FSin(thetaN), P.Y - Extended(o) * FCos(thetaN));
  if (FRound(P.Z) != s.AxisZ.Pos) return;
  InsertCornerArc(sim, P.X, P.Y, kCircleAfterLine);
}

void CornerRoad(TSimulation& sim, float o) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord &S = s.PrevBlock, &N = s.NextBlock;
  const float delta = static_cast<float>(Extended(N.Heading) - s.CurBlock.Heading);
  if (delta == 0) return InnerCorner(sim, o, 0);
  // Straight back: to S, or along the line beyond it.
  if ((N.X == S.X && N.Y == S.Y) || IsReversal(delta)) return InnerCorner(sim, o, delta);
  const float T = FTan(static_cast<float>(Extended(delta) / 2));
  if ((s.CompLeft && T < 0) || (s.CompRight && T > 0)) return OuterCorner(sim, o);
  // Offset lines that meet beyond the position range turn back within a rounding too.
  if (BeyondPositionRange(s.CurBlock, Extended(T) * o)) return InnerCorner(sim, o, delta);
  InnerCorner(sim, o, T);
}

// The offset line ends where it meets the next offset arc, or at its plain offset end
// followed by a corner arc to the arc's offset start.
void LineToArcJoin(TSimulation& sim, float o) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord &S = s.PrevBlock, &P = s.CurBlock;
  ReadBlockText(s, s.NextBlock.TextPos);
  ArcCentre(s, kArcOfLookahead, s.WorkI, s.WorkJ, s.WorkRadius);
  const float I = s.WorkI, J = s.WorkJ;
  s.ArcClockwise = (s.NextBlock.Code & 1) == 0;
  const float a = FAbs(o);
  // Inside a clockwise arc on the right, inside a counter-clockwise arc on the left.
  const bool inner = s.CompLeft != s.ArcClockwise;
  s.WorkRadius = static_cast<float>(inner ? Extended(s.WorkRadius) - a : Extended(s.WorkRadius) + a);
  s.AxisX.Aux = P.X - S.X;
  s.AxisY.Aux = P.Y - S.Y;
  s.WorkC = SquaredLength(s.AxisX.Aux, s.AxisY.Aux);
  if (s.WorkC == 0) return;
  float k = static_cast<float>(a / Extended(FSqrt(s.WorkC)));
  if (s.CompLeft) k = -k;
  SetXYTarget(s, P.X + Extended(k) * s.AxisY.Aux, P.Y - Extended(k) * s.AxisX.Aux);
  s.WorkAngle = static_cast<float>(s.AxisX.Target - (Extended(P.X) + I));
  s.WorkAngle2 = static_cast<float>(s.AxisY.Target - (Extended(P.Y) + J));
  const float t = SolveIntersection(s);
  const bool transition = !(t > 0);
  if (!transition)
    SetXYTarget(s, s.AxisX.Target - Extended(t) * s.AxisX.Aux, s.AxisY.Target - Extended(t) * s.AxisY.Aux);
  StepLineInElement(sim);
  if (!transition) return;
  const float phi = FAngle(-I, -J);  // from the next arc's centre to P
  const Extended along = inner ? -Extended(a) : Extended(a);
  SetXYTarget(s, P.X + along * FCos(phi), P.Y + along * FSin(phi));
  if (XYTargetAtPen(s)) return;
  s.ArcClockwise = s.CompLeft;
  InsertCornerArc(sim, P.X, P.Y, kCircleAfterLine);
}

// The element changes Z: a plunge or retract keeps the tool at its offset position.
void ZRoad(TSimulation& sim, float o) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord &S = s.PrevBlock, &P = s.CurBlock;
  if (FRound(P.Z) == s.AxisZ.Pos) return CornerRoad(sim, o);
  if (S.X != P.X || S.Y != P.Y) {
    // A ramp into a line joins it like any line: read as an arc, a line's words make a
    // circle of radius r about P, and the corner arc to it loops back across the contour.
    if (!NextIsArc(s)) return CornerRoad(sim, o);
    return LineToArcJoin(sim, o);
  }
  SetXYTarget(s, s.AxisX.Pos, s.AxisY.Pos);
  StepLineInElement(sim);
}

}  // namespace

void CompensatedMoveLinear(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  const float r = ToolRadiusOf(s);
  const float o = s.CompLeft ? -r : r;
  const bool zChanges = s.PrevBlock.Z != s.CurBlock.Z;
  if (NextIsArc(s)) return zChanges ? ZRoad(sim, o) : LineToArcJoin(sim, o);
  // A heading of 0 means none was computed since the reset: travel along +X is 2 pi.
  const float theta = s.CurBlock.Heading;
  if (theta == 0 || (s.PrevBlock.Heading == theta && zChanges)) return ZRoad(sim, o);
  CornerRoad(sim, o);
}

}  // namespace marloq
