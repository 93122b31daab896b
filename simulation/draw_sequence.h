// DRAW: load the program, find its extents, draw the programmed path, run it with log
// and animation, show the milling length, and draw the path again over the run.
#pragma once

#include <string>
#include <vector>

#include "simulation/editor_lines.h"
#include "simulation/simulation.h"

namespace marloq {

// The DRAW button. The editor's lines are the program (all but the last line).
void LineButtonClick(TSimulation& sim, TEditorLines editorLines);

// The tool and pens a run starts with: the drill field's diameter, no compensation.
void SetUpRunPens(TSimulation& sim);

// World units the run cut: its steps' lengths, summed from exact counts.
Extended MillingLength(const TViewState& v);
// "milling length N mm ", whole millimetres.
std::string MillingLengthText(Extended length);

}  // namespace marloq
