// DRAW: load the program, find its extents, draw the programmed path, run it with log
// and animation, show the milling length, and draw the path again over the run.
#pragma once

#include <string>
#include <vector>

#include "simulation/simulation.h"

namespace marloq {

// The DRAW button. The editor's lines are the program (all but the last line).
void LineButtonClick(TSimulation& sim, const std::vector<std::string>& editorLines);

// "milling length N mm " of the last run.
std::string MillingLengthText(const TViewState& v);

}  // namespace marloq
