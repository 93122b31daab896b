// Arc geometry: arc centre and intersection solver, in the core's single precision.
#include "core/arc_geometry.h"

#include "core/block_reader.h"
#include "core/fmath.h"

namespace marloq {

void ArcCentre(TInterpreterState& s, int mode, float& i, float& j, float& r) {
  r = ReadRealWord(s, 'R');
  if (r == 0) {
    i = ReadRealWord(s, 'I');
    j = ReadRealWord(s, 'J');
    r = FSqrt(SquaredLength(i, j));
    return;
  }
  float dx = i, dy = j;
  if (mode == kArcOfCurrentBlock) {
    dx = s.CurBlock.X - s.PrevBlock.X;
    dy = s.CurBlock.Y - s.PrevBlock.Y;
  } else if (mode == kArcOfLookahead) {
    dx = s.NextBlock.X - s.CurBlock.X;
    dy = s.NextBlock.Y - s.CurBlock.Y;
  }
  const float a = FAngle(dx, dy);
  const float chord = FSqrt(SquaredLength(dx, dy));
  // A chord longer than the diameter saturates FArcCos: the centre falls on the chord.
  const float d = static_cast<float>(
      Extended(FArcCos(static_cast<float>(chord / (2 * Extended(r))))) + a);
  j = static_cast<float>(Extended(FSin(d)) * r);
  i = static_cast<float>(Extended(FCos(d)) * r);
  r = FAbs(r);
}

float SolveIntersection(TInterpreterState& s) {
  const float a = s.WorkAngle, b = s.WorkAngle2, w = s.WorkC, radius = s.WorkRadius;
  const float u = s.AxisX.Aux, v = s.AxisY.Aux;
  // No caller passes a zero divisor; should one, there is no intersection to report.
  if (w == 0) {
    s.NoIntersection = true;
    return 0.0f;
  }
  const float m = static_cast<float>((Extended(a) * u + Extended(b) * v) / w);
  const float g = static_cast<float>((Extended(FSqr(a)) + FSqr(b) - FSqr(radius)) / w);
  const float disc = static_cast<float>(Extended(FSqr(m)) - g);
  if (disc < 0) {
    s.NoIntersection = true;
    return 0.0f;
  }
  const float root = FSqrt(disc);
  const float t1 = static_cast<float>(Extended(m) - root);
  const float t2 = static_cast<float>(Extended(m) + root);
  s.WorkAngle = t1;
  s.WorkAngle2 = t2;
  s.NoIntersection = (t1 < 0) != (t2 < 0);
  if (FAbs(t1) > FAbs(t2)) return t2;
  if (FAbs(t1) == FAbs(t2)) return g < 0 ? t2 : t1;
  return t1;
}

}  // namespace marloq
