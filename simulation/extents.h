// Tool-path extents: a quiet pre-pass over the program that finds the box of the path
// and fixes the view's scale and offsets.
#pragma once

#include "simulation/simulation.h"

namespace marloq {

void ComputeExtents(TSimulation& sim);
// The view that fits the box into 90 % of a canvas of w by h pixels, centred.
TViewFrame FitView(const TPathBox& box, int w, int h);

}  // namespace marloq
