// Motion blocks: G0/G1 and G2/G3 as the driver and the drawing passes carry them out,
// the G74 home move, and the outlines the drawing passes draw for G83, G85 and G86.
#pragma once

#include "simulation/simulation.h"

namespace marloq {

void MoveLinear(TSimulation& sim);
void MoveCircular(TSimulation& sim);
void ReturnHome(TSimulation& sim);
void OutlineRectangle(TSimulation& sim);         // G83
void OutlineCircle(TSimulation& sim);            // G85
void OutlineCentredRectangle(TSimulation& sim);  // G86

}  // namespace marloq
