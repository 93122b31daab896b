// Status texts: what the status bar says of the mouse over the drawing, of the line a run
// is at, and of how the last DRAW ended and where it left the tool.
#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

#include "simulation/drawing.h"
#include "simulation/simulation.h"

namespace marloq {

// "X 12.34  Y 56.78 mm".
QString MousePositionText(const TMousePosition& m);
// "Running line 12": editorLine counts from 0, the text from 1 as the editor's margin.
QString RunLineText(int32_t editorLine);
// "End of program at line 12 · tool at X 10.00 Y 10.00 Z 2.00 mm", or "Stopped", a
// guard's stop or "GoSub not found" in its place; a log that was not written is said last.
QString RunEndText(const TSimulation& sim, std::string_view logError);

}  // namespace marloq
