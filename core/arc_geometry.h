// Arc geometry: the centre of an arc from its R word or its I and J words, and the
// quadratic solver that intersects offset lines and circles for compensation.
#pragma once

#include "core/interpreter_state.h"

namespace marloq {

// Chord sources of ArcCentre: the current block's arc, the lookahead's arc, or the
// I and J values passed in.
inline constexpr int kArcOfCurrentBlock = 1;
inline constexpr int kArcOfLookahead = 2;

// |v|^2 of a vector of stored floats, stored: a zero here is the zero a division sees.
inline float SquaredLength(float x, float y) {
  return static_cast<float>(static_cast<long double>(x) * x + static_cast<long double>(y) * y);
}

// In: I, J (used as the chord for other modes). Out: centre offset I, J from the
// arc's start point and the radius R, all in world units.
void ArcCentre(TInterpreterState& s, int mode, float& i, float& j, float& r);

// Root of t^2 - 2mt + g = 0 of smaller magnitude, from WorkAngle, WorkAngle2, WorkC,
// WorkRadius and the Aux of AxisX and AxisY; both roots go to WorkAngle, WorkAngle2.
float SolveIntersection(TInterpreterState& s);

}  // namespace marloq
