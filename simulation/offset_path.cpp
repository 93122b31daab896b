// Offset path: the element's Z on every compensated move, and the corner arc at tool
// radius that both compensated roads insert around a programmed corner.
#include "simulation/offset_path.h"

#include "simulation/block_driver.h"
#include "simulation/steppers.h"

namespace marloq {

void StepLineInElement(TSimulation& sim) {
  sim.Core.AxisZ.Target = sim.Core.CurBlock.Z;
  LineStepper(sim);
}

void StepArcInElement(TSimulation& sim) {
  sim.Core.AxisZ.Target = sim.Core.CurBlock.Z;
  ArcStepper(sim);
}

void InsertCornerArc(TSimulation& sim, float px, float py, const char* message) {
  TInterpreterState& s = sim.Core;
  s.AxisX.Start = px;
  s.AxisY.Start = py;
  s.WorkRadius = ToolRadiusOf(s);
  LogMessage(sim, message);
  StepArcInElement(sim);
}

}  // namespace marloq
