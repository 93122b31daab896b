// Cycle helpers: the angle word, cycle begin, and the straight moves the canned
// cycles are built from; each move sets axis targets and calls OnLineTo.
#pragma once

#include "core/interpreter_state.h"

namespace marloq {

void ReadAngleWord(TInterpreterState& s);  // WorkAngle from the I word, in degrees as written
void BeginCycle(TInterpreterState& s);
void ReturnToStart(TInterpreterState& s);
void MoveBy(TInterpreterState& s, float dx, float dy);
void CirclePointCW(TInterpreterState& s, float angle);
void CirclePointCCW(TInterpreterState& s, float angle);

}  // namespace marloq
