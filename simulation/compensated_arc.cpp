// Compensated arcs (G2, G3 under G41/G42): the offset arc about the programmed centre,
// where it ends against the next element, and the corner arc after it.
#include "simulation/compensated_arc.h"

#include "core/arc_geometry.h"
#include "core/block_reader.h"
#include "core/fmath.h"
#include "simulation/offset_path.h"

namespace marloq {

namespace {

// What the end of the offset arc depends on, beyond the state's own fields.
struct TArcJoin {
  float o;              // signed offset: > 0 the tool runs outside the arc, < 0 inside
  bool nextIsArc;
  float i2, j2, r2;     // the next arc: centre relative to P, radius
  float vx, vy, vv;     // P - N towards a next line, and its squared length
};

// The point of the offset arc on the ray from the rounded centre through P.
void RadialEndPoint(TInterpreterState& s) {
  const float mx = s.AxisX.Start, my = s.AxisY.Start;
  const float psi = FAngle(static_cast<float>(Extended(s.CurBlock.X) - FRound(mx)),
                           static_cast<float>(Extended(s.CurBlock.Y) - FRound(my)));
  SetXYTarget(s, mx + Extended(s.WorkRadius) * FCos(psi), my + Extended(s.WorkRadius) * FSin(psi));
}

// Two arcs of the same direction with the tool outside both: the offset circles meet.
void OffsetCirclesMeet(TInterpreterState& s, const TArcJoin& j) {
  const float dx = static_cast<float>(Extended(j.i2) - s.WorkI + s.AxisX.Aux);
  const float dy = static_cast<float>(Extended(j.j2) - s.WorkJ + s.AxisY.Aux);
  const float dd = SquaredLength(dx, dy);
  const Extended rr = s.WorkRadius;
  const Extended divisor = 2 * rr * FSqrt(dd);
  // Concentric arcs, or an offset arc of no radius: no meeting point to compute, the
  // offset arc ends beside P.
  if (divisor == 0) return RadialEndPoint(s);
  const Extended far = Extended(j.o) + j.r2;
  float alpha = FArcCos(static_cast<float>((rr * rr + dd - far * far) / divisor));
  if (s.CompRight) alpha = -alpha;
  const float psi = static_cast<float>(Extended(FAngle(dx, dy)) + alpha);
  SetXYTarget(s, s.AxisX.Start + rr * FCos(psi), s.AxisY.Start + rr * FSin(psi));
}

void EndBeforeArc(TSimulation& sim, TArcJoin& j) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord &S = s.PrevBlock, &P = s.CurBlock;
  ReadBlockText(s, s.NextBlock.TextPos);
  ArcCentre(s, kArcOfLookahead, j.i2, j.j2, j.r2);
  s.AxisX.Aux = P.X - S.X;
  s.AxisY.Aux = P.Y - S.Y;
  s.NoIntersection = true;
  if (P.Code == s.NextBlock.Code && j.o >= 0) return OffsetCirclesMeet(s, j);
  RadialEndPoint(s);
}

void EndBeforeLine(TSimulation& sim, TArcJoin& j) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord &P = s.CurBlock, &N = s.NextBlock;
  j.vx = s.AxisX.Aux = P.X - N.X;
  j.vy = s.AxisY.Aux = P.Y - N.Y;
  j.vv = s.WorkC = SquaredLength(j.vx, j.vy);
  if (j.vv == 0) {
    // Nothing follows in XY: the plain offset end point.
    const float psi = FAngle(static_cast<float>(Extended(P.X) - s.AxisX.Start),
                             static_cast<float>(Extended(P.Y) - s.AxisY.Start));
    SetXYTarget(s, P.X + Extended(j.o) * FCos(psi), P.Y + Extended(j.o) * FSin(psi));
    return;
  }
  float k = static_cast<float>(FAbs(j.o) / Extended(FSqrt(j.vv)));
  if (s.CompRight) k = -k;
  SetXYTarget(s, P.X + Extended(k) * j.vy, P.Y - Extended(k) * j.vx);  // the next line's offset start
  s.WorkAngle = static_cast<float>(Extended(s.AxisX.Target) - s.AxisX.Start);
  s.WorkAngle2 = static_cast<float>(Extended(s.AxisY.Target) - s.AxisY.Start);
  const float t = SolveIntersection(s);
  if (j.o < 0 && t < 0) {
    s.NoIntersection = true;
    return RadialEndPoint(s);
  }
  if (t == 0) {
    s.NoIntersection = j.o < 0;
    return RadialEndPoint(s);
  }
  SetXYTarget(s, s.AxisX.Target - Extended(t) * j.vx, s.AxisY.Target - Extended(t) * j.vy);
}

// The corner arc from where the offset arc ended to the next element's offset start.
void TransitionAfterArc(TSimulation& sim, const TArcJoin& j) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord& P = s.CurBlock;
  if (j.o < 0) s.ArcClockwise = !s.ArcClockwise;
  const Extended ex = Extended(s.AxisX.Pos) - P.X, ey = Extended(s.AxisY.Pos) - P.Y;
  // Further than the tool radius from the corner: the offset elements met inside.
  if (FSqrt(static_cast<float>(ex * ex + ey * ey)) - Extended(FAbs(j.o)) - 2 >= 0) return;
  if (j.nextIsArc) {
    if (P.Code != s.NextBlock.Code) return;
    const float phi = FAngle(-j.i2, -j.j2);  // from the next arc's centre to P
    SetXYTarget(s, P.X + Extended(j.o) * FCos(phi), P.Y + Extended(j.o) * FSin(phi));
  } else {
    if (j.vv == 0) return;
    float k = static_cast<float>(FAbs(j.o) / Extended(FSqrt(j.vv)));
    if (s.CompLeft) k = -k;
    SetXYTarget(s, P.X - Extended(k) * j.vy, P.Y + Extended(k) * j.vx);
  }
  if (XYTargetAtPen(s)) return;
  InsertCornerArc(sim, P.X, P.Y, "Insert Circle after Circle");
}

}  // namespace

void CompensatedMoveCircular(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  const float r = ToolRadiusOf(s);
  TArcJoin j{s.CompLeft ? -r : r, NextIsArc(s), 0, 0, 0, 0, 0, 0};
  ArcCentre(s, kArcOfCurrentBlock, s.WorkI, s.WorkJ, s.WorkRadius);
  s.AxisX.Start = s.PrevBlock.X + s.WorkI;
  s.AxisY.Start = s.PrevBlock.Y + s.WorkJ;
  if (s.ArcClockwise) j.o = -j.o;
  s.WorkRadius = static_cast<float>(Extended(s.WorkRadius) + j.o);
  s.NoIntersection = false;  // from here on: a transition arc may be needed
  if (j.nextIsArc) EndBeforeArc(sim, j);
  else EndBeforeLine(sim, j);
  StepArcInElement(sim);
  if (s.NoIntersection) TransitionAfterArc(sim, j);
}

}  // namespace marloq
