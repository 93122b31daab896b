// Transfer throughput: lines per second from a program file to the simulated
// controller, through the same handlers, reading thread and hand-over as the window.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/send_program.h"
#include "hid/simulated_controller.h"

namespace {

void BM_SendToSimulatedController(benchmark::State& state) {
  const auto lines = static_cast<int>(state.range(0));
  const auto program = std::filesystem::temp_directory_path() / "marloq-transfer-bench.CNC";
  {
    std::ofstream out(program, std::ios::binary);
    for (int i = 0; i < lines; ++i) out << "N" << i << " G1 X" << i % 100 << " Y" << i % 77 << "\n";
    out << "M30\n";
  }
  std::FILE* sink = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    marloq::TSimulatedHidPlatform platform;
    marloq::PlugSimulatedController(platform, {});
    if (marloq::SendProgram(program.string(), platform, 10000, sink, sink) != 0) state.SkipWithError("send failed");
  }
  std::fclose(sink);
  std::filesystem::remove(program);
  state.SetItemsProcessed(state.iterations() * lines);
}

BENCHMARK(BM_SendToSimulatedController)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // the hand-overs run in its event loop
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
