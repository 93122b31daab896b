// marloq_window_bench: a DRAW in the window against `marloq --render` of the same
// program, side by side in one run, on a real X display (under Xvfb when there is none).
// The window's counter x_render is its time over the render's: the window must keep up.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/render.h"
#include "bench/program_generator.h"
#include "window/main_window.h"

namespace marloq::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct TCanvasSize {
  int Width = 0, Height = 0;
};
TCanvasSize gCanvas;                           // the window's, which the renders take too
std::map<std::string, double> gRenderSeconds;  // per program, from its render benchmark

std::unique_ptr<TForm1> ShownWindow(const std::string& program) {
  QStringList arguments{QStringLiteral("marloq")};
  if (!program.empty()) arguments << QString::fromStdString(program);
  auto form = std::make_unique<TForm1>(arguments);
  form->resize(900, 597);
  form->show();
  QApplication::processEvents();
  return form;
}

// Written once per program into the temporary folder, with its log and picture beside it.
const std::string& ProgramFile(const std::string& name, TProgramLayout layout, uint64_t blocks) {
  static std::map<std::string, std::string> files;
  auto it = files.find(name);
  if (it != files.end()) return it->second;
  const std::string path =
      (std::filesystem::temp_directory_path() / ("marloq_window_bench_" + name + ".CNC")).string();
  const std::string text = GenerateProgram({blocks, 1, layout}).Text;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  return files.emplace(name, path).first->second;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_Render(benchmark::State& state, const std::string& name, TProgramLayout layout, uint64_t blocks) {
  TRenderOptions o;
  o.ProgramFile = ProgramFile(name, layout, blocks);
  o.Width = gCanvas.Width;
  o.Height = gCanvas.Height;
  Clock::duration total{};
  for (auto _ : state) {
    const auto start = Clock::now();
    const TRenderResult r = RenderOne(o);
    total += Clock::now() - start;
    if (r.Status != kExitDone) state.SkipWithError(r.Error.c_str());
  }
  gRenderSeconds[name] = Seconds(total) / double(state.iterations());
}

void BM_Window(benchmark::State& state, const std::string& name, TProgramLayout layout, uint64_t blocks) {
  auto form = ShownWindow(ProgramFile(name, layout, blocks));
  Clock::duration total{};
  for (auto _ : state) {
    const auto start = Clock::now();
    form->LineButtonClick();
    QApplication::processEvents();  // the last frame reaches the screen
    total += Clock::now() - start;
  }
  const double window = Seconds(total) / double(state.iterations());
  const auto render = gRenderSeconds.find(name);
  if (render != gRenderSeconds.end()) state.counters["x_render"] = window / render->second;
  state.SetLabel(form->Label1Text());
}

void Register(const std::string& name, TProgramLayout layout, uint64_t blocks, int iterations) {
  benchmark::RegisterBenchmark(("render/" + name).c_str(), BM_Render, name, layout, blocks)
      ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(iterations);
  benchmark::RegisterBenchmark(("window/" + name).c_str(), BM_Window, name, layout, blocks)
      ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(iterations);
}

// Without a display, the same command again under xvfb-run; false when that is not there.
bool RerunUnderXvfb(int argc, char** argv) {
  std::vector<char*> args = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                             const_cast<char*>("-s"), const_cast<char*>("-screen 0 1280x800x24")};
  for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execvp("xvfb-run", args.data());
  return false;
}

}  // namespace

}  // namespace marloq::bench

int main(int argc, char** argv) {
  using namespace marloq::bench;
  if (std::getenv("DISPLAY") == nullptr && !RerunUnderXvfb(argc, argv)) {
    std::fprintf(stderr, "marloq_window_bench: skipped: no display, and no xvfb-run to make one\n");
    return 0;
  }
  QApplication app(argc, argv);
  {
    const auto probe = ShownWindow({});
    gCanvas = {probe->CanvasWidth(), probe->CanvasHeight()};
  }
  Register("plain_5000", TProgramLayout::Plain, 5'000, 3);
  Register("plain_100000", TProgramLayout::Plain, 100'000, 1);
  Register("repeated_100000", TProgramLayout::Repeated, 100'000, 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
