// Check findings: the program's lines compared with what the check pass saw, each
// difference placed at the line and column the editor shows.
#pragma once

#include <string>
#include <vector>

#include "simulation/check_pass.h"
#include "simulation/editor_lines.h"
#include "simulation/program_check.h"

namespace marloq {

// Adds to the report every finding of the lines after the pass over them, in line order.
void CollectFindings(TEditorLines lines, const TSimulation& sim,
                     const TProgramCheck& check, TCheckReport& report);

}  // namespace marloq
