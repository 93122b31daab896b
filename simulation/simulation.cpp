// One simulation: callback binding, the message-processing point and the run guard.
#include "simulation/simulation.h"

#include <algorithm>
#include <cstdint>

#include "core/axis_stepping.h"
#include "core/block_reader.h"
#include "simulation/block_driver.h"
#include "simulation/drawing.h"
#include "simulation/steppers.h"
#include "simulation/tool_change.h"

namespace marloq {

namespace {

template <void (*Routine)(TSimulation&)>
TCallback Bound(TSimulation& sim) {
  return {[](void* c) { Routine(*static_cast<TSimulation*>(c)); }, &sim};
}

void NextPassPenCallback(TSimulation& sim) { NextPassPen(sim); }

}  // namespace

void BindMotionCallbacks(TSimulation& sim) {
  SetMotionCallbacks(sim.Core, Bound<ArcStepper>(sim), Bound<RewriteBlockPlaceholders>(sim),
                     Bound<LineStepper>(sim), Bound<NextPassPenCallback>(sim),
                     Bound<LogPenPos>(sim));
}

void ShowWhatChanged(TSimulation& sim) {
  ShowPendingPosition(sim);
  sim.Log.Flush();
  const TDirtyRect dirty = sim.Canvas.TakeDirty();
  if (dirty.Left < dirty.Right && dirty.Top < dirty.Bottom) sim.Host->CanvasChanged(dirty);
}

void ProcessPendingMessages(TSimulation& sim) {
  if (!sim.Host->FrameDue()) return;
  ShowWhatChanged(sim);
  sim.Host->ProcessMessages();
}

void WaitForPendingMessages(TSimulation& sim) {
  ShowWhatChanged(sim);
  sim.Host->WaitForMessages();
}

namespace {

// The next count at which the guard looks again: a beat further on, or just past the
// limit, where it trips.
uint64_t NextCheck(uint64_t count, uint64_t limit, uint64_t beat) {
  if (limit - std::min(limit, count) < beat) return limit == UINT64_MAX ? limit : limit + 1;
  return count + beat;
}

// A message point in every pass. The passes before the run show nothing of their own,
// but the window repaints and hears STOP there as during the run.
void Beat(TSimulation& sim) {
  if (sim.Guard.InRun) ProcessPendingMessages(sim);
  else if (sim.Host->FrameDue()) sim.Host->ProcessMessages();
}

void Trip(TSimulation& sim, TGuardLimit limit) {
  TRunGuard& g = sim.Guard;
  g.PassTripped = true;
  sim.Core.StopRequest = true;
  if (g.InRun) g.TrippedBy = limit;
}

// Looked at only at the beats, which fall at the same counts however the steps are
// taken, so that every way of stepping stops at the same place.
bool DrawingExceeded(TSimulation& sim) {
  const TRunGuard& g = sim.Guard;
  if (sim.Canvas.Spans() - g.SpansAtStart <= (g.InRun ? g.MaxSpans : g.MaxSpans / 4)) return false;
  Trip(sim, TGuardLimit::Drawing);
  return true;
}

}  // namespace

void StartGuardedPass(TSimulation& sim, bool isRun) {
  TRunGuard& g = sim.Guard;
  NoteWhereStopped(sim);
  ++g.Pass;
  g.Blocks = g.Steps = 0;
  const bool stopsHere = g.StopAt.Pass == g.Pass;
  g.PassMaxBlocks = stopsHere ? std::min(g.MaxBlocks, g.StopAt.Blocks) : g.MaxBlocks;
  // A step trips the guard once it is taken: the last step the DRAW took trips it here.
  g.PassMaxSteps = stopsHere ? std::min(g.MaxSteps, g.StopAt.Steps - (g.StopAt.Steps > 0)) : g.MaxSteps;
  g.NextBlockCheck = NextCheck(0, g.PassMaxBlocks, TRunGuard::kBeatBlocks);
  g.NextStepCheck = NextCheck(0, g.PassMaxSteps, TRunGuard::kBeatSteps);
  g.SpansAtStart = sim.Canvas.Spans();
  g.InRun = isRun;
  g.PassTripped = false;
  g.FurthestTextPos = 0;
  sim.Core.StopRequest = sim.Run.StopPressed || (g.StopAt.Pass != 0 && g.Pass > g.StopAt.Pass);
}

void StartGuardedStretch(TSimulation& sim, uint64_t most) {
  TRunGuard& g = sim.Guard;
  g.Steps = 0;
  g.PassMaxSteps = most == UINT64_MAX ? most : most - 1;  // it trips at the step past the limit
  g.NextStepCheck = NextCheck(0, g.PassMaxSteps, TRunGuard::kBeatSteps);
  g.PassTripped = false;
  sim.Core.StopRequest = false;
}

void NoteWhereStopped(TSimulation& sim) {
  TRunGuard& g = sim.Guard;
  if (sim.Run.StopPressed && g.StoppedAt.Pass == 0 && g.Pass > 0) g.StoppedAt = {g.Pass, g.Blocks, g.Steps};
}

bool AdvanceGuarded(TSimulation& sim) {
  TRunGuard& g = sim.Guard;
  if (g.PassTripped) {
    sim.Core.StopRequest = true;
    return false;
  }
  if (++g.Blocks >= g.NextBlockCheck) {
    if (g.Blocks > g.PassMaxBlocks) {
      Trip(sim, TGuardLimit::Blocks);
      return false;
    }
    g.NextBlockCheck = NextCheck(g.Blocks, g.PassMaxBlocks, TRunGuard::kBeatBlocks);
    if (DrawingExceeded(sim)) return false;
    Beat(sim);
    if (sim.Core.StopRequest) return false;
  }
  AdvanceBlock(sim.Core);
  return true;
}

void StepCheckpoint(TSimulation& sim) {
  TRunGuard& g = sim.Guard;
  if (g.Steps > g.PassMaxSteps) {
    Trip(sim, TGuardLimit::Steps);
    return;
  }
  g.NextStepCheck = NextCheck(g.Steps, g.PassMaxSteps, TRunGuard::kBeatSteps);
  if (!DrawingExceeded(sim)) Beat(sim);
}

std::string GuardStopText(const TRunGuard& g) {
  if (!g.Tripped()) return {};
  switch (g.TrippedBy) {
    case TGuardLimit::Blocks: return "stopped: more than " + std::to_string(g.MaxBlocks) + " blocks";
    case TGuardLimit::Steps: return "stopped: more than " + std::to_string(g.MaxSteps) + " steps";
    default: return "stopped: more than " + std::to_string(g.MaxSpans) + " spans";
  }
}

TToolMark ToolMarkOf(const TInterpreterState& s) {
  return {s.AxisX.Pos, s.AxisY.Pos, ToolRadiusOf(s), s.AxisZ.Pos};
}

void RequestStop(TSimulation& sim) {
  sim.Run.StopPressed = true;
  sim.Core.StopRequest = true;
}

}  // namespace marloq
