// Drawing passes: quick passes over the program that draw the programmed path (lines
// straight between end points, arcs and cycle outlines stepped), then the axes.
#pragma once

#include "simulation/simulation.h"

namespace marloq {

inline constexpr int kPassBeforeRun = 1;
inline constexpr int kPassAfterRun = 2;  // continues as kPassApproach
inline constexpr int kPassApproach = 3;
// The pass before the run, its blocks drawn by a copy of the simulation elsewhere: here
// only what it does around them (its count, the pens, the axes).
inline constexpr int kPassBeside = 4;

void DrawPass(TSimulation& sim, int kind);
// Where a pass goes after a block that moves nothing: on, unless the program ends there
// (M02, the last M30, an L call without its label); calls and returns are followed.
bool PassGoesOn(TInterpreterState& s);
// Whether the pass before the run is kept, to be laid over the run again: not on a
// canvas so large that keeping it costs more than drawing it again.
bool KeepsPassBefore(const TCanvas& canvas);
// A G0/G1 of a pass: a line to (x, y), or only a move to it rounded while the pen has
// no pixels.
void DrawStraight(TSimulation& sim, float x, float y);
// The axes X = 0 and Y = 0, silver and one pixel wide, over the whole canvas.
void DrawAxes(TSimulation& sim);

}  // namespace marloq
