// Radius compensation: the mode (left, off, right) and its log lines.
#pragma once

#include "view/simulation.h"

namespace marloq {

// mode: -1 left (G41, H41), 0 off (G40, H40), +1 right (G42, H42).
void SetCompensation(TSimulation& sim, int mode);

}  // namespace marloq
