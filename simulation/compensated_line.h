// Compensated lines: G0 and G1 while G41 or G42 is in force, offset by the tool radius
// and joined to the next element one block ahead.
#pragma once

#include "simulation/simulation.h"

namespace marloq {

void CompensatedMoveLinear(TSimulation& sim);

}  // namespace marloq
