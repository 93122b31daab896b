// Re-draw host: the headless host of a quiet simulation on a worker thread, whose message
// points look at a cancel flag, so that a newer view stops an older re-draw within a beat.
#pragma once

#include <atomic>

#include "simulation/headless_host.h"
#include "simulation/simulation.h"

namespace marloq {

class TRedrawHost : public THeadlessHost {
 public:
  TRedrawHost(TSimulation& sim, int width, int height, const std::atomic<bool>& cancel)
      : THeadlessHost(sim.Run, width, height), sim_(sim), cancel_(cancel) {}
  bool FrameDue() override { return cancel_.load(std::memory_order_relaxed); }
  void ProcessMessages() override {
    THeadlessHost::ProcessMessages();
    if (cancel_.load(std::memory_order_relaxed)) RequestStop(sim_);
  }

 private:
  TSimulation& sim_;
  const std::atomic<bool>& cancel_;
};

}  // namespace marloq
