// Tool-path extents: a quiet pre-pass over the program that finds the box of the path
// and fixes the view's scale and offsets.
#pragma once

#include "simulation/simulation.h"

namespace marloq {

void ComputeExtents(TSimulation& sim);

}  // namespace marloq
