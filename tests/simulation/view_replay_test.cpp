// Re-draws from a DRAW's record against re-draws that run the DRAW again: the same
// picture and picking marks for random programs, the examples and the golden programs,
// in views zoomed in and out, panned and resized, of whole DRAWs and of stopped ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "simulation/draw_record.h"
#include "simulation/extents.h"
#include "simulation/view_frame.h"
#include "simulation/view_replay.h"
#include "tests/simulation/draw_fixture.h"
#include "tests/simulation/random_program.h"

namespace marloq {
namespace {

// Presses STOP at the n-th message point (never with 0), as a user would at a frame.
class TStoppingHost : public THeadlessHost {
 public:
  TStoppingHost(TSimulation& sim, int w, int h, long stopAt) : THeadlessHost(sim.Run, w, h), sim_(sim), stopAt_(stopAt) {}
  bool FrameDue() override { return true; }
  void ProcessMessages() override {
    THeadlessHost::ProcessMessages();
    if (++pumps_ == stopAt_) RequestStop(sim_);
  }

 private:
  TSimulation& sim_;
  long stopAt_, pumps_ = 0;
};

// A recorded DRAW of the program, stopped at the given message point, as a request to
// re-draw it.
struct TRecorded {
  TRedrawRequest Request;  // of its own view
  QImage Picture;
  TPathBox Box;
};

TRecorded RecordedDraw(const test::TRandomProgram& p, long stopAt) {
  test::Draw d("replay.CNC", p.Width, p.Height);
  TStoppingHost host(*d.sim, p.Width, p.Height, stopAt);
  d.sim->Host = &host;
  d.sim->RecordsDraw = true;
  d.sim->Trace.Enabled = true;  // as the window does: the run's stretches know their lines
  d.sim->WritesLog = false;
  d.sim->Run.RunMode = p.RunMode;
  d.sim->Guard.MaxSteps = p.MaxSteps;
  host.SetDrEditText(p.Drill);
  host.SetComboBox1Index(p.Compensation);
  const auto lines = std::make_shared<const std::vector<std::string>>(SplitEditorLines(p.Text));
  LineButtonClick(*d.sim, *lines);
  TRedrawRequest r;
  r.EditorLines = lines;
  r.Record = d.sim->Record;
  r.DrillText = p.Drill;
  r.CompensationIndex = p.Compensation;
  r.DrawnView = d.sim->View.Frame();
  r.DrawnHeight = p.Height;
  r.StopAt = d.sim->Guard.StoppedAt;
  r.MaxSteps = p.MaxSteps;
  r.Width = p.Width;
  r.Height = p.Height;
  r.View = r.DrawnView;
  return {r, d.sim->Canvas.Image().copy(), d.sim->View.Extents};
}

// Views of a DRAW: zoomed by random factors from 1/16 to 35 about random points, panned,
// and fitted to a canvas of another size.
TRedrawRequest AnotherView(TRedrawRequest r, test::TRandom& random, const TPathBox& box) {
  const float zoom = std::exp2(static_cast<float>(random.Below(1000)) / 1000.0f * 9.2f - 4.0f);
  switch (random.Below(4)) {
    case 0:
      r.Width = 1 + random.Below(900);
      r.Height = 1 + random.Below(700);
      r.View = FitView(box, r.Width, r.Height);
      break;
    case 1: r.View = PannedView(r.DrawnView, random.Below(400) - 200, random.Below(400) - 200); break;
    default:
      r.View = ZoomedView(r.DrawnView, r.DrawnHeight, random.Below(r.Width + 1), random.Below(r.Height + 1),
                          r.DrawnView.ViewScale * zoom);
  }
  return r;
}

void ExpectSameRedraw(const TRedrawRequest& r, const TReplaySharing& sharing, const std::string& what) {
  const std::atomic<bool> cancel{false};
  const TRedrawResult replayed = ReplayView(r, cancel, sharing), drawn = RedrawViewByDraw(r, cancel);
  EXPECT_TRUE(replayed.Picture == drawn.Picture) << what << ": pictures differ";
  EXPECT_TRUE(replayed.Picks.Pixels == drawn.Picks.Pixels) << what << ": picking marks differ";
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr uint64_t kSeeds = 60;
#else
constexpr uint64_t kSeeds = 250;
#endif

TEST(ViewReplay, DrawsWhatTheDrawGivesInEveryView) {
  const char* seeds = std::getenv("MARLOQ_COMPARE_SEEDS");
  const uint64_t last = seeds ? std::strtoull(seeds, nullptr, 10) : kSeeds;
  for (uint64_t seed = 1; seed <= last; ++seed) {
    const test::TRandomProgram p = test::RandomProgram(seed);
    test::TRandom random(seed ^ 0x5EED);
    // Every third DRAW is stopped at one of its first message points.
    const TRecorded drawn = RecordedDraw(p, seed % 3 == 0 ? 1 + random.Below(40) : 0);
    const std::atomic<bool> cancel{false};
    EXPECT_TRUE(ReplayView(drawn.Request, cancel).Picture == drawn.Picture) << "seed " << seed << ": its own view";
    for (int view = 0; view < 3; ++view) {
      const TReplaySharing sharing{view == 0 ? 1u : 2u, view == 2 ? 0u : 1'000'000u};
      ExpectSameRedraw(AnotherView(drawn.Request, random, drawn.Box), sharing,
                       "seed " + std::to_string(seed) + " view " + std::to_string(view) + "\n" + p.Text);
    }
    if (HasFailure()) return;
  }
}

TEST(ViewReplay, DrawsTheExamplesAndGoldenProgramsInEveryView) {
  namespace fs = std::filesystem;
  test::TRandom random(7);
  for (const char* folder : {"examples", "tests/golden"}) {
    for (const auto& e : fs::recursive_directory_iterator(fs::path(MARLOQ_SOURCE_DIR) / folder)) {
      if (e.path().extension() != ".CNC") continue;
      test::TRandomProgram p;
      p.Text = test::ReadFile(e.path());
      const TRecorded drawn = RecordedDraw(p, 0);
      for (int view = 0; view < 2; ++view)
        ExpectSameRedraw(AnotherView(drawn.Request, random, drawn.Box), {2, 0}, e.path().string());
    }
  }
}

}  // namespace
}  // namespace marloq
