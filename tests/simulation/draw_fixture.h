// Test helper: one headless DRAW of a program text, with the log in a scratch folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "simulation/draw_sequence.h"
#include "simulation/headless_host.h"
#include "simulation/program_text.h"
#include "simulation/simulation.h"

namespace marloq::test {

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::filesystem::path ScratchDir() {
  auto dir = std::filesystem::temp_directory_path() / ("marloq-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

struct Draw {
  std::unique_ptr<TSimulation> sim = std::make_unique<TSimulation>();
  THeadlessHost host{sim->Run, 700, 511};
  std::filesystem::path program;

  // name: the program's file name in the scratch folder; the log goes beside it.
  explicit Draw(const std::string& name, int width = 700, int height = 511)
      : host(sim->Run, width, height), program(ScratchDir() / name) {
    sim->Host = &host;
    sim->Run.ProgramFileName = program.string();
    sim->Canvas.Resize(width, height);
  }
  Draw& Run(const std::string& text) {
    LineButtonClick(*sim, SplitEditorLines(text));
    return *this;
  }
  std::string Log() const { return ReadFile(std::filesystem::path(program).replace_extension(".LOG")); }
  // The canvas pixel as a system colour (0x00BBGGRR), after the 16-bit rounding.
  TColor Pixel(int x, int y) const {
    return ColorOfPixel(reinterpret_cast<const uint16_t*>(sim->Canvas.Image().constScanLine(y))[x]);
  }
};

}  // namespace marloq::test
