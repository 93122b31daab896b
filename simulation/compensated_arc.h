// Compensated arcs: G2 and G3 while G41 or G42 is in force, offset by the tool radius
// and joined to the next element one block ahead.
#pragma once

#include "simulation/simulation.h"

namespace marloq {

// ArcClockwise is set by the caller, as for the uncompensated arc.
void CompensatedMoveCircular(TSimulation& sim);

}  // namespace marloq
