// One simulation: callback binding, the message-processing point and the run guard.
#include "simulation/simulation.h"

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

void StartGuardedPass(TSimulation& sim) {
  sim.Guard.Blocks = 0;
  sim.Guard.Steps = 0;
  sim.Guard.FurthestTextPos = 0;
}

bool AdvanceGuarded(TSimulation& sim) {
  if (!sim.Guard.Tripped && ++sim.Guard.Blocks > sim.Guard.MaxBlocks) sim.Guard.Tripped = true;
  if (sim.Guard.Tripped) {
    sim.Core.StopRequest = true;
    return false;
  }
  AdvanceBlock(sim.Core);
  return true;
}

}  // namespace marloq
