// The fast ways of stepping against the plain one: every program draws the same
// picture, writes the same log and counts the same length, time and steps whether its
// steps are taken one by one (StepByStep) or not, and whether the pass before the run
// is drawn on a second core beside the run or before it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "simulation/draw_sequence.h"
#include "simulation/view_frame.h"
#include "tests/simulation/draw_fixture.h"
#include "tests/simulation/random_program.h"

namespace marloq {
namespace {

// A host with a frame at every message point, as a window under a slow engine would
// have: it notes every position text and canvas change it is shown, in order.
class TWatchingHost : public THeadlessHost {
 public:
  using THeadlessHost::THeadlessHost;
  bool FrameDue() override { return true; }
  bool HasFrames() const override { return true; }
  void SetStaticText1Text(std::string_view t) override {
    THeadlessHost::SetStaticText1Text(t);
    Shown.append(t).append("\n");
  }
  // The passes before and after the run keep the window responsive too, but the fast
  // way lays the recorded pass over instead of drawing it again: only the run's count.
  void ProcessMessages() override {
    THeadlessHost::ProcessMessages();
    RunPumps += Guard->InRun;
  }
  void CanvasChanged(const TDirtyRect& d) override {
    Shown += std::to_string(d.Left) + "," + std::to_string(d.Top) + " " + std::to_string(d.Right) + "," +
             std::to_string(d.Bottom) + "\n";
  }
  std::string Shown;
  const TRunGuard* Guard = nullptr;
  long RunPumps = 0;
};

// Everything a DRAW leaves that a user or the next DRAW can see.
struct TOutcome {
  std::string Log, Picture, Texts, State;
  std::vector<int32_t> Trace;
  long Pumps = 0;  // a DRAW drawn again after its pass beside the run pumps twice
  bool WentBeside = false;
};

enum class TWay { StepByStep, InOrder, Beside };

// A re-draw at View of a DRAW that showed Drawn.
struct TRedraw {
  TViewFrame View, Drawn;
};

TOutcome DrawOnce(const test::TRandomProgram& p, TWay way, const std::optional<TRedraw>& redraw = {}) {
  test::Draw d("compare.CNC", p.Width, p.Height);
  if (redraw) {
    d.sim->FixedView = redraw->View;
    d.sim->Hiding = {false, redraw->Drawn, p.Height};
  }
  TWatchingHost watching(d.sim->Run, p.Width, p.Height);
  watching.Guard = &d.sim->Guard;
  if (p.Watched) d.sim->Host = &watching;
  THeadlessHost& host = p.Watched ? watching : d.host;
  d.sim->StepByStep = way == TWay::StepByStep;
  d.sim->PassBeside = way == TWay::Beside;
  d.sim->Run.RunMode = p.RunMode;
  d.sim->Trace.Enabled = p.Trace;
  d.sim->Guard.MaxSteps = p.MaxSteps;
  host.SetDrEditText(p.Drill);
  host.SetComboBox1Index(p.Compensation);
  d.Run(p.Text);
  const TSimulation& s = *d.sim;
  const QImage& image = s.Canvas.Image();
  TOutcome o;
  o.Log = d.Log();
  for (int y = 0; y < image.height(); ++y)  // the pixels, not the padding of each row
    o.Picture.append(reinterpret_cast<const char*>(image.constScanLine(y)), static_cast<size_t>(image.width()) * 2);
  o.Texts = host.Label1Text() + "|" + host.StaticText1Text() + "|" + host.DrEditText() + "|" +
            std::to_string(host.ComboBox1Index()) + "|" + MachiningTimeText(s.Summary.Time) + "\n" + watching.Shown;
  o.Pumps = p.Watched ? watching.RunPumps : host.MessagePumps();
  o.WentBeside = s.WentBeside;
  const TViewState& v = s.View;
  const TInterpreterState& c = s.Core;
  char state[512];
  std::snprintf(state, sizeof state,
                "len %.6Lf blocks %llu steps %llu stopped %d tripped %d | first %d %d %d %d | lastZ %d "
                "shown %d %d %d | pos %d %d %d | pen %u %d %d %d %d",
                s.Summary.MillingLength, static_cast<unsigned long long>(s.Summary.Blocks),
                static_cast<unsigned long long>(s.Summary.Steps), s.Summary.Stopped, s.Guard.Tripped(),
                v.FirstCutRecorded, v.FirstCutX, v.FirstCutY, v.FirstCutZ, v.LastPlotZ, v.ShownPosMm[0],
                v.ShownPosMm[1], v.ShownPosMm[2], c.AxisX.Pos, c.AxisY.Pos, c.AxisZ.Pos, s.Canvas.PenColor(),
                s.Canvas.PenWidth(), static_cast<int>(s.Canvas.PenMode()), s.Canvas.PenX(), s.Canvas.PenY());
  o.State = state;
  o.Trace = s.Trace.Pixels;
  return o;
}

// Returns whether the pass went beside the run.
bool ExpectSameDraw(const test::TRandomProgram& p, const std::string& what, const std::optional<TRedraw>& redraw = {}) {
  const TOutcome slow = DrawOnce(p, TWay::StepByStep, redraw);
  SCOPED_TRACE(what + "\n" + p.Text);
  for (const TWay way : {TWay::InOrder, TWay::Beside}) {
    const TOutcome fast = DrawOnce(p, way, redraw);
    SCOPED_TRACE(way == TWay::Beside ? "pass beside the run" : "pass before the run");
    EXPECT_EQ(slow.State, fast.State);
    EXPECT_EQ(slow.Texts, fast.Texts);
    if (way == TWay::InOrder) {
      EXPECT_EQ(slow.Pumps, fast.Pumps);
    }
    EXPECT_TRUE(slow.Log == fast.Log) << "logs differ";
    EXPECT_TRUE(slow.Picture == fast.Picture) << "pictures differ";
    EXPECT_TRUE(slow.Trace == fast.Trace) << "traced lines differ";
    if (way == TWay::Beside) return fast.WentBeside;
  }
  return false;
}

// MARLOQ_COMPARE_SEEDS=100000 compares many more, by hand. Under the sanitizers, which
// look for other faults and run ten times slower, fewer do.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr uint64_t kSeeds = 250;
#else
constexpr uint64_t kSeeds = 1000;
#endif

TEST(FastPaths, DrawWhatTheStepByStepRunDraws) {
  const char* seeds = std::getenv("MARLOQ_COMPARE_SEEDS");
  const uint64_t last = seeds ? std::strtoull(seeds, nullptr, 10) : kSeeds;
  for (uint64_t seed = 1; seed <= last; ++seed) {
    const test::TRandomProgram p = test::RandomProgram(seed);
    ExpectSameDraw(p, "seed " + std::to_string(seed));
    // Every fourth, a view zoomed in or out of the DRAW's, about a point of the canvas.
    if (seed % 4 == 0) {
      test::Draw fitted("fit.CNC", p.Width, p.Height);
      fitted.host.SetDrEditText(p.Drill);
      fitted.Run(p.Text);
      const TViewFrame drawn = fitted.sim->View.Frame();
      const float zoom = seed % 8 == 0 ? 3.0f : 0.4f;
      const TViewFrame view = ZoomedView(drawn, p.Height, p.Width / 3, p.Height / 4, drawn.ViewScale * zoom);
      ExpectSameDraw(p, "re-draw of seed " + std::to_string(seed), TRedraw{view, drawn});
    }
    if (HasFailure()) return;
  }
}

TEST(FastPaths, DrawTheExamplesAndGoldenProgramsAsTheStepByStepRun) {
  namespace fs = std::filesystem;
  for (const char* folder : {"examples", "tests/golden", "tests/fuzz/regressions"}) {
    for (const auto& e : fs::recursive_directory_iterator(fs::path(MARLOQ_SOURCE_DIR) / folder)) {
      if (e.path().extension() != ".CNC") continue;
      test::TRandomProgram p;
      p.Text = test::ReadFile(e.path());
      const bool beside = ExpectSameDraw(p, e.path().string());
      // What users draw must not cost a second DRAW: the run starts where the pass ends.
      if (std::string_view(folder) == "examples") {
        EXPECT_TRUE(beside) << e.path() << " was drawn again";
      }
    }
  }
}

}  // namespace
}  // namespace marloq
