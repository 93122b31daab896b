// Run progress: the blocks it shows are the run's own, never the count of a pass before
// the run, which walks the whole program first.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "simulation/run_progress.h"
#include "tests/simulation/draw_fixture.h"

namespace marloq {
namespace {

// A host that takes the progress at every message point, as the window does per frame.
class TWatchingHost : public THeadlessHost {
 public:
  TWatchingHost(TSimulation& sim, TRunProgress& progress) : THeadlessHost(sim.Run, 700, 511), sim_(sim), p_(progress) {}
  bool FrameDue() override { return true; }
  bool HasFrames() const override { return true; }
  void ProcessMessages() override {
    THeadlessHost::ProcessMessages();
    UpdateRunProgress(p_, sim_);
    if (sim_.Guard.InRun) worst = std::max<int64_t>(worst, int64_t(p_.Blocks) - int64_t(sim_.Guard.Blocks));
    ++seen;
  }
  int64_t worst = -1;  // the most the shown blocks ran ahead of the run's own
  int seen = 0;

 private:
  TSimulation& sim_;
  TRunProgress& p_;
};

TEST(RunProgress, ShowsTheRunsOwnBlocks) {
  test::Draw d("progress.CNC");
  TRunProgress progress;
  TWatchingHost host(*d.sim, progress);
  d.sim->Host = &host;
  std::string text = "G0 X0 Y0 Z2\n";
  for (int i = 0; i < 600; ++i) text += i % 2 ? "G1 X10 Y0\n" : "G1 X0 Y10\n";
  StartRunProgress(progress);
  d.Run(text + "M30\n\n");
  EXPECT_GT(host.seen, 100);
  EXPECT_LE(host.worst, 0) << "blocks of a pass before the run were shown as the run's";
  EXPECT_GT(progress.Blocks, 590u) << "the run's blocks up to its last message point";
}

}  // namespace
}  // namespace marloq
