// A re-draw is a DRAW of its own simulation with a headless host, whose message points
// look at the cancel flag: a newer view makes the older re-draw stop within a beat.
#include "simulation/view_redraw.h"

#include "simulation/draw_sequence.h"
#include "simulation/headless_host.h"

namespace marloq {

namespace {

class TRedrawHost : public THeadlessHost {
 public:
  TRedrawHost(TSimulation& sim, const TRedrawRequest& r, const std::atomic<bool>& cancel)
      : THeadlessHost(sim.Run, r.Width, r.Height), sim_(sim), cancel_(cancel) {
    SetDrEditText(r.DrillText);
    SetComboBox1Index(r.CompensationIndex);
  }
  bool FrameDue() override { return cancel_.load(std::memory_order_relaxed); }
  void ProcessMessages() override {
    THeadlessHost::ProcessMessages();
    if (cancel_.load(std::memory_order_relaxed)) RequestStop(sim_);
  }

 private:
  TSimulation& sim_;
  const std::atomic<bool>& cancel_;
};

}  // namespace

TRedrawResult RedrawView(const TRedrawRequest& request, const std::atomic<bool>& cancel) {
  auto sim = std::make_unique<TSimulation>();
  TRedrawHost host(*sim, request, cancel);
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
