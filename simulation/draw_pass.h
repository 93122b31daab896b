// Drawing passes: quick passes over the program that draw the programmed path (lines
// straight between end points, arcs and cycle outlines stepped), then the axes.
#pragma once

#include "simulation/simulation.h"

namespace marloq {

inline constexpr int kPassBeforeRun = 1;
inline constexpr int kPassAfterRun = 2;  // continues as kPassApproach
inline constexpr int kPassApproach = 3;

void DrawPass(TSimulation& sim, int kind);

}  // namespace marloq
