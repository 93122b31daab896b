// Tool and origin: the drill diameter from the window, the M06 tool change, the
// placeholders "G4?", "M06D?" and "M06T?", and G54's preset of the axis positions.
#pragma once

#include "simulation/simulation.h"

namespace marloq {

float DrillValue(const TSimulation& sim);  // millimetres, from DR_Edit
void ToolChange(TSimulation& sim);
void RewriteBlockPlaceholders(TSimulation& sim);
void SetPosition(TSimulation& sim);
void SetPositionLookahead(TSimulation& sim);

}  // namespace marloq
