// Run progress: lines are counted by their line feeds in the program text, only over
// the stretch the run has newly reached.
#include "simulation/run_progress.h"

#include <algorithm>

#include "simulation/machining_time.h"

namespace marloq {

namespace {

int32_t LineFeeds(const TProgramText& text, size_t from, size_t to) {
  to = std::min(to, text.size());
  return from < to ? static_cast<int32_t>(std::count(text.begin() + from, text.begin() + to, '\n')) : 0;
}

}  // namespace

void StartRunProgress(TRunProgress& p) { p = TRunProgress{std::chrono::steady_clock::now()}; }

void UpdateRunProgress(TRunProgress& p, const TSimulation& sim) {
  const TProgramText& text = sim.Core.ProgramText;
  // The guard counts per pass; only the run's own blocks are the run's progress (the
  // passes before it walk the whole program, the pass after it starts again from 0).
  if (sim.Guard.InRun) p.Blocks = sim.Guard.Blocks;
  if (p.Lines == 0) {
    p.Lines = LineFeeds(text, 0, text.size());
    p.LinesReached = 1;
  }
  const int32_t pos = sim.Guard.FurthestTextPos;
  if (pos > p.FurthestPos) {
    p.LinesReached += LineFeeds(text, static_cast<size_t>(p.FurthestPos), static_cast<size_t>(pos));
    p.FurthestPos = pos;
  }
}

double SecondsRunning(const TRunProgress& p) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - p.Start).count();
}

std::string RunProgressText(const TRunProgress& p) {
  std::string text = std::to_string(p.Blocks) + " blocks, ";
  if (p.Lines > 0) {
    const int percent = static_cast<int>(int64_t{p.LinesReached} * 100 / p.Lines);
    text += "line " + std::to_string(p.LinesReached) + " of " + std::to_string(p.Lines) + " (" +
            std::to_string(percent) + " %), ";
  }
  return text + DurationText(SecondsRunning(p));
}

}  // namespace marloq
