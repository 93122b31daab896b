// A re-draw is a replay of the DRAW's record where there is one; otherwise a DRAW of its
// own simulation with a headless host.
#include "simulation/view_redraw.h"

#include "simulation/draw_record.h"
#include "simulation/draw_sequence.h"
#include "simulation/redraw_host.h"
#include "simulation/view_replay.h"

namespace marloq {

TRedrawResult RedrawView(const TRedrawRequest& request, const std::atomic<bool>& cancel) {
  if (request.Record && request.Record->Valid) return ReplayView(request, cancel);
  return RedrawViewByDraw(request, cancel);
}

TRedrawResult RedrawViewByDraw(const TRedrawRequest& request, const std::atomic<bool>& cancel) {
  auto sim = std::make_unique<TSimulation>();
  TRedrawHost host(*sim, request.Width, request.Height, cancel);
  host.SetDrEditText(request.DrillText);
  host.SetComboBox1Index(request.CompensationIndex);
  sim->Host = &host;
  sim->WritesLog = false;
  sim->FixedView = request.View;
  sim->Hiding = {false, request.DrawnView, request.DrawnHeight};
  sim->Trace.Enabled = true;
  sim->Guard.StopAt = request.StopAt;
  sim->Guard.MaxBlocks = request.MaxBlocks;
  sim->Guard.MaxSteps = request.MaxSteps;
  sim->Guard.MaxSpans = request.MaxSpans;
  sim->Canvas.Resize(request.Width, request.Height);
  LineButtonClick(*sim, *request.EditorLines);
  TRedrawResult r;
  r.Complete = !cancel.load();
  r.Picture = sim->Canvas.Image().copy();
  r.View = request.View;
  r.Picks = std::move(sim->Trace);
  return r;
}

}  // namespace marloq
