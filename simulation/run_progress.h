// Run progress: how far a long DRAW has come (blocks run, program lines reached, time
// since it began), for the window's progress bar and the command line's progress line.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "simulation/simulation.h"

namespace marloq {

struct TRunProgress {
  std::chrono::steady_clock::time_point Start;  // when DRAW was pressed
  uint64_t Blocks = 0;        // blocks the run itself took so far (0 in the passes before it)
  int32_t FurthestPos = 0;    // the furthest block reached, as an offset in ProgramText
  int32_t LinesReached = 0;   // program lines up to and including that block's
  int32_t Lines = 0;          // lines of the program text; 0 until the run has begun
};

void StartRunProgress(TRunProgress& p);
// Takes the run's state at a message point (only the run itself has them). Costs a
// count of the lines passed since the last call: the program is counted about twice.
void UpdateRunProgress(TRunProgress& p, const TSimulation& sim);
double SecondsRunning(const TRunProgress& p);
// "12345 blocks, line 4321 of 20004 (21 %), 0:00:03"; the lines only once known.
std::string RunProgressText(const TRunProgress& p);

}  // namespace marloq
