// marloq_bench: one whole headless DRAW of a generated program per iteration, as
// `marloq --render` runs it: fresh simulation, log file, PNG of the canvas.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QString>
#include <atomic>
#include <chrono>
#include <iterator>
#include <sys/resource.h>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/program_generator.h"
#include "simulation/draw_record.h"
#include "simulation/draw_sequence.h"
#include "simulation/headless_host.h"
#include "simulation/program_check.h"
#include "simulation/program_text.h"
#include "simulation/simulation.h"
#include "simulation/view_frame.h"
#include "simulation/view_redraw.h"

namespace marloq::bench {

namespace {

constexpr int kCanvasWidth = 700, kCanvasHeight = 511;

// What the guard counted in the passes of one DRAW. It is reset per pass and holds the
// last pass's count when DRAW returns, so the probe reads it at host calls in between.
struct TPassCounts {
  uint64_t FirstPassSteps = 0;  // the drawing pass before the run: arcs only
  uint64_t RunSteps = 0, RunBlocks = 0;
  uint64_t LastPassSteps = 0;   // what TRunGuard::Steps holds after DRAW: the approach pass
  std::string Label;            // the milling length, to check the timed runs against
};

// A headless host that also reads the guard: the drill text is read once between the
// first pass and the run, and Label1 last gets the milling length, right after the run.
class TProbeHost final : public TSimulationHost {
 public:
  TProbeHost(TSimulation& sim, TPassCounts& counts)
      : sim_(sim), counts_(counts), host_(sim.Run, kCanvasWidth, kCanvasHeight) {}

  std::string Label1Text() const override { return host_.Label1Text(); }
  void SetLabel1Text(std::string_view t) override {
    counts_.RunSteps = sim_.Guard.Steps;
    counts_.RunBlocks = sim_.Guard.Blocks;
    host_.SetLabel1Text(t);
  }
  std::string StaticText1Text() const override { return host_.StaticText1Text(); }
  void SetStaticText1Text(std::string_view t) override { host_.SetStaticText1Text(t); }
  void SetFileButtonCaption(std::string_view t) override { host_.SetFileButtonCaption(t); }
  void SetStop1Caption(std::string_view t) override { host_.SetStop1Caption(t); }
  void SetLineButtonEnabled(bool enabled) override { host_.SetLineButtonEnabled(enabled); }
  int ComboBox1Index() const override { return host_.ComboBox1Index(); }
  void SetComboBox1Index(int index) override { host_.SetComboBox1Index(index); }
  std::string DrEditText() const override {
    if (!drillRead_) counts_.FirstPassSteps = sim_.Guard.Steps;
    drillRead_ = true;
    return host_.DrEditText();
  }
  void SetDrEditText(std::string_view t) override { host_.SetDrEditText(t); }
  int CanvasWidth() const override { return host_.CanvasWidth(); }
  int CanvasHeight() const override { return host_.CanvasHeight(); }
  void CanvasChanged(const TDirtyRect& d) override { host_.CanvasChanged(d); }
  void ProcessMessages() override { host_.ProcessMessages(); }

 private:
  TSimulation& sim_;
  TPassCounts& counts_;
  THeadlessHost host_;
  mutable bool drillRead_ = false;
};

struct TCase {
  std::string Name;
  TGeneratedProgram Program;
  std::vector<std::string> Lines;
  std::string ProgramPath, ImagePath;
};

// What a DRAW leaves that the timed runs are checked against: the same program must
// give the same milling length and the same guard count after its last pass.
struct TDrawResult {
  std::string Label;
  uint64_t GuardSteps = 0;
  bool operator==(const TDrawResult&) const = default;
};

// One DRAW and its picture as `marloq --render` makes them, probed when counts are wanted.
TDrawResult Draw(const TCase& c, TPassCounts* counts, bool passBeside = true) {
  auto sim = std::make_unique<TSimulation>();
  sim->PassBeside = passBeside;
  std::unique_ptr<TSimulationHost> host;
  if (counts == nullptr) host = std::make_unique<THeadlessHost>(sim->Run, kCanvasWidth, kCanvasHeight);
  else host = std::make_unique<TProbeHost>(*sim, *counts);
  sim->Host = host.get();
  sim->Run.RunMode = true;
  sim->Run.ProgramFileName = c.ProgramPath;
  sim->Canvas.Resize(kCanvasWidth, kCanvasHeight);
  LineButtonClick(*sim, c.Lines);
  if (!sim->Canvas.Image().save(QString::fromStdString(c.ImagePath), "PNG"))
    std::fprintf(stderr, "marloq_bench: cannot write %s\n", c.ImagePath.c_str());
  TDrawResult r{host->Label1Text(), sim->Guard.Steps};
  if (counts) {
    counts->Label = r.Label;
    counts->LastPassSteps = r.GuardSteps;
  }
  return r;
}

// The program is also written beside its log and picture, for `marloq --render` by hand.
const TCase& CaseOf(TProgramLayout layout, uint64_t blocks) {
  static std::map<std::pair<int, uint64_t>, TCase> cases;
  const auto key = std::make_pair(static_cast<int>(layout), blocks);
  auto it = cases.find(key);
  if (it != cases.end()) return it->second;
  TCase c;
  c.Name = std::string(layout == TProgramLayout::Plain ? "plain_" : "repeated_") + std::to_string(blocks);
  c.Program = GenerateProgram({blocks, 1, layout});
  c.Lines = SplitEditorLines(c.Program.Text);
  const std::string base = (std::filesystem::temp_directory_path() / ("marloq_bench_" + c.Name)).string();
  c.ProgramPath = base + ".CNC";  // names the log: base + ".LOG"
  c.ImagePath = base + ".png";
  if (FILE* f = std::fopen(c.ProgramPath.c_str(), "wb")) {
    std::fwrite(c.Program.Text.data(), 1, c.Program.Text.size(), f);
    std::fclose(f);
  }
  return cases.emplace(key, std::move(c)).first->second;
}

// Probed once per case, untimed: the probe host's forwarding would be measured too.
const TPassCounts& CountsOf(const TCase& c) {
  static std::map<std::string, TPassCounts> counts;
  auto it = counts.find(c.Name);
  if (it != counts.end()) return it->second;
  TPassCounts n;
  Draw(c, &n);
  return counts.emplace(c.Name, n).first->second;
}

// Counters per DRAW: run_steps and blocks are the run pass's (the guard counts one block
// advance more than the program has: the first only loads the lookahead); pass1_steps
// are the arc steps of the drawing pass before the run, which the pass after it repeats.
void BM_Draw(benchmark::State& state, TProgramLayout layout, uint64_t blocks) {
  const TCase& c = CaseOf(layout, blocks);
  const TPassCounts& n = CountsOf(c);
  TDrawResult last;
  for (auto _ : state) last = Draw(c, nullptr);
  if (!(last == TDrawResult{n.Label, n.LastPassSteps}))
    state.SkipWithError("the timed DRAW ended unlike the probed one");
  using benchmark::Counter;
  state.counters["run_steps"] = Counter(double(n.RunSteps));
  state.counters["est_steps"] = Counter(double(c.Program.EstimatedSteps));
  state.counters["pass1_steps"] = Counter(double(n.FirstPassSteps));
  state.counters["blocks"] = Counter(double(n.RunBlocks));
  state.counters["steps/s"] = Counter(double(n.RunSteps), Counter::kIsIterationInvariantRate);
  state.counters["blocks/s"] = Counter(double(n.RunBlocks), Counter::kIsIterationInvariantRate);
  std::error_code ec;
  const auto logBytes = std::filesystem::file_size(
      std::filesystem::path(c.ProgramPath).replace_extension(".LOG"), ec);
  state.counters["log_MB"] = Counter(ec ? 0.0 : double(logBytes) / 1e6);
  // The process's peak so far: the largest DRAW yet, with the programs kept for the others.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = Counter(double(usage.ru_maxrss) / 1024);
  state.SetLabel(n.Label);
}

// The DRAW on one core and on two, alternating in one run: in_order_ms draws the pass
// before the run first, beside_ms draws it on a second core while the run goes, and
// beside_x is the second's time over the first's.
void BM_Cores(benchmark::State& state, TProgramLayout layout, uint64_t blocks) {
  const TCase& c = CaseOf(layout, blocks);
  const TPassCounts& n = CountsOf(c);
  using TClock = std::chrono::steady_clock;
  double seconds[2] = {0, 0};
  for (auto _ : state) {
    for (const bool beside : {false, true}) {
      const auto start = TClock::now();
      const TDrawResult r = Draw(c, nullptr, beside);
      seconds[beside] += std::chrono::duration<double>(TClock::now() - start).count();
      if (!(r == TDrawResult{n.Label, n.LastPassSteps})) state.SkipWithError("a timed DRAW ended unlike the probed one");
    }
  }
  using benchmark::Counter;
  const double iterations = double(state.iterations());
  state.counters["in_order_ms"] = Counter(seconds[0] * 1000 / iterations);
  state.counters["beside_ms"] = Counter(seconds[1] * 1000 / iterations);
  state.counters["beside_x"] = Counter(seconds[1] / seconds[0]);
}

// A DRAW and its re-draws side by side: the DRAW records what it paints, and each re-draw
// replays what a view zoomed about the canvas' middle shows. Counters are each re-draw's
// time over the DRAW's, in one run (the window shows the DRAW's own picture for "fit"
// without any re-draw; fit_x is the replay of that view all the same).
void BM_Views(benchmark::State& state, TProgramLayout layout, uint64_t blocks) {
  const TCase& c = CaseOf(layout, blocks);
  static constexpr std::pair<const char*, float> kZooms[] = {
      {"fit_x", 1.0f}, {"x2_x", 2.0f}, {"x16_x", 16.0f}, {"x35_x", 35.0f}, {"x0.5_x", 0.5f}};
  using TClock = std::chrono::steady_clock;
  double drawSeconds = 0, redrawSeconds[std::size(kZooms)] = {};
  size_t recordBytes = 0;
  const auto lines = std::make_shared<const std::vector<std::string>>(c.Lines);
  for (auto _ : state) {
    auto sim = std::make_unique<TSimulation>();
    THeadlessHost host(sim->Run, kCanvasWidth, kCanvasHeight);
    sim->Host = &host;
    sim->RecordsDraw = true;
    sim->Trace.Enabled = true;  // as the window draws
    sim->Run.ProgramFileName = c.ProgramPath;
    sim->Canvas.Resize(kCanvasWidth, kCanvasHeight);
    const auto start = TClock::now();
    LineButtonClick(*sim, *lines);
    drawSeconds += std::chrono::duration<double>(TClock::now() - start).count();
    recordBytes = sim->Record->Stretches.capacity() * sizeof(TStretch);
    TRedrawRequest r;
    r.Record = sim->Record;
    r.EditorLines = lines;
    r.Width = kCanvasWidth;
    r.Height = kCanvasHeight;
    r.DrawnView = sim->View.Frame();
    r.DrawnHeight = kCanvasHeight;
    const std::atomic<bool> cancel{false};
    for (size_t z = 0; z < std::size(kZooms); ++z) {
      r.View = ZoomedView(r.DrawnView, kCanvasHeight, kCanvasWidth / 2, kCanvasHeight / 2,
                          r.DrawnView.ViewScale * kZooms[z].second);
      const auto from = TClock::now();
      benchmark::DoNotOptimize(RedrawView(r, cancel));
      redrawSeconds[z] += std::chrono::duration<double>(TClock::now() - from).count();
    }
  }
  using benchmark::Counter;
  state.counters["draw_ms"] = Counter(drawSeconds * 1000 / double(state.iterations()));
  for (size_t z = 0; z < std::size(kZooms); ++z) state.counters[kZooms[z].first] = Counter(redrawSeconds[z] / drawSeconds);
  state.counters["record_MB"] = Counter(double(recordBytes) / 1e6);
}

// The re-draw that runs the DRAW again, as every re-draw did before the record: the
// baseline the replay is measured against, at 4x.
void BM_RedrawByDraw(benchmark::State& state, TProgramLayout layout, uint64_t blocks, float zoom) {
  const TCase& c = CaseOf(layout, blocks);
  auto fitted = std::make_unique<TSimulation>();
  THeadlessHost host(fitted->Run, kCanvasWidth, kCanvasHeight);
  fitted->Host = &host;
  fitted->WritesLog = false;
  fitted->Canvas.Resize(kCanvasWidth, kCanvasHeight);
  LineButtonClick(*fitted, c.Lines);
  TRedrawRequest r;
  r.EditorLines = std::make_shared<const std::vector<std::string>>(c.Lines);
  r.DrillText = host.DrEditText();
  r.Width = kCanvasWidth;
  r.Height = kCanvasHeight;
  r.DrawnView = fitted->View.Frame();
  r.DrawnHeight = kCanvasHeight;
  r.View = ZoomedView(r.DrawnView, kCanvasHeight, kCanvasWidth / 2, kCanvasHeight / 2, r.DrawnView.ViewScale * zoom);
  const std::atomic<bool> cancel{false};
  for (auto _ : state) benchmark::DoNotOptimize(RedrawViewByDraw(r, cancel));
}

// The program check beside the DRAW of the same program, in one run: check_x is the
// check's time over the DRAW's. Without DRAW (draw false) the check alone, for programs
// whose DRAW would take minutes.
void BM_Check(benchmark::State& state, TProgramLayout layout, uint64_t blocks, bool draw) {
  const TCase& c = CaseOf(layout, blocks);
  using TClock = std::chrono::steady_clock;
  double drawSeconds = 0, checkSeconds = 0;
  uint64_t findings = 0;
  for (auto _ : state) {
    if (draw) {
      const auto start = TClock::now();
      benchmark::DoNotOptimize(Draw(c, nullptr));
      drawSeconds += std::chrono::duration<double>(TClock::now() - start).count();
    }
    const auto start = TClock::now();
    findings = CheckProgram(c.Lines).Total;
    checkSeconds += std::chrono::duration<double>(TClock::now() - start).count();
  }
  using benchmark::Counter;
  const double n = double(state.iterations());
  state.counters["check_ms"] = Counter(checkSeconds * 1000 / n);
  if (draw) state.counters["draw_ms"] = Counter(drawSeconds * 1000 / n);
  if (draw) state.counters["check_x"] = Counter(checkSeconds / drawSeconds);
  state.counters["program_MB"] = Counter(double(c.Program.Text.size()) / 1e6);
  state.counters["findings"] = Counter(double(findings));  // generated programs are clean: 0
}

}  // namespace

}  // namespace marloq::bench

using marloq::bench::BM_Check;
using marloq::bench::BM_Cores;
using marloq::bench::BM_Draw;
using marloq::bench::BM_RedrawByDraw;
using marloq::bench::BM_Views;
using marloq::bench::TProgramLayout;

BENCHMARK_CAPTURE(BM_Draw, plain_1000, TProgramLayout::Plain, 1'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Draw, plain_5000, TProgramLayout::Plain, 5'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Draw, repeated_10000, TProgramLayout::Repeated, 10'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Draw, repeated_100000, TProgramLayout::Repeated, 100'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
// The same number of blocks written out flat, 2.7 MB of text.
BENCHMARK_CAPTURE(BM_Draw, plain_100000, TProgramLayout::Plain, 100'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Cores, plain_100000, TProgramLayout::Plain, 100'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Cores, repeated_100000, TProgramLayout::Repeated, 100'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Views, plain_100000, TProgramLayout::Plain, 100'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Views, repeated_100000, TProgramLayout::Repeated, 100'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_RedrawByDraw, plain_100000_zoom_4, TProgramLayout::Plain, 100'000, 4.0f)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Check, plain_100000, TProgramLayout::Plain, 100'000, true)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Check, repeated_100000, TProgramLayout::Repeated, 100'000, true)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
// About 60 MB of text: what the window checks in the background of a largest program.
BENCHMARK_CAPTURE(BM_Check, plain_2000000_alone, TProgramLayout::Plain, 2'000'000, false)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
