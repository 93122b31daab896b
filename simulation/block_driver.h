// Block driver: runs the loaded program block by block, dispatching on the block code,
// and owns the log of a run with its writers.
#pragma once

#include <string>
#include <string_view>

#include "core/canned_cycles.h"
#include "simulation/simulation.h"

namespace marloq {

// The program's path with its extension replaced by ".LOG" (added when it has none).
std::string LogPathOf(const std::string& programFileName);

void OpenLog(TSimulation& sim);
void AppendLog(TSimulation& sim, std::string_view line);   // always
void LogMessage(TSimulation& sim, std::string_view text);  // only while LogEnabled
void LogPenPos(TSimulation& sim);                          // "PenPos: %7d %5d" of X, Y
void AppendPosition(TSimulation& sim);                     // "PenPos:  " and X, Y, Z (6) each
void EndOfElement(TSimulation& sim);
void RunProgram(TSimulation& sim);
// Why a canned cycle refused to run, as the log says it: "the tool radius is 0", ...
std::string CycleRefusalText(TCycleRefusal refusal);

}  // namespace marloq
