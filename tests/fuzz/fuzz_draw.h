// One DRAW of arbitrary bytes, a re-draw of it for another view and the program check
// of them, exactly as the draw fuzzer runs them, so that the regression test replays
// its findings alike.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "simulation/draw_sequence.h"
#include "simulation/headless_host.h"
#include "simulation/program_check.h"
#include "simulation/program_text.h"
#include "simulation/simulation.h"
#include "simulation/view_frame.h"
#include "simulation/view_redraw.h"

namespace marloq::fuzz {

inline constexpr uint64_t kMaxBlocks = 2000, kMaxSteps = 200000, kMaxSpans = 2000000;

struct TFuzzDrawOutcome {
  std::string Label1;  // the milling length once DRAW has finished
  bool LineButtonEnabled = false;
  bool GuardTripped = false;
};

// The first byte, still part of the program, also picks the window's settings: the
// drill text (odd ones included, as a user may type them), the compensation choice,
// the run mode and the canvas (mostly small, for speed; once the window's own size,
// once a single pixel), so that every setting is reachable from the bytes alone.
inline TFuzzDrawOutcome RunFuzzDraw(std::string_view bytes, const std::string& programFileName) {
  static constexpr const char* kDrillTexts[] = {"1,0", "6",    "0,3", "0",   "",
                                                "-2",  "1e38", "nan", "x1", "99999,99"};
  static constexpr int kCanvasSizes[4][2] = {{64, 48}, {64, 48}, {700, 511}, {1, 1}};
  constexpr unsigned kDrills = sizeof kDrillTexts / sizeof *kDrillTexts;
  unsigned choice = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
  const auto pick = [&choice](unsigned n) {
    const unsigned k = choice % n;
    choice /= n;
    return k;
  };
  const char* const drill = kDrillTexts[pick(kDrills)];
  const int side = static_cast<int>(pick(3));
  const bool runMode = pick(2) == 0;
  const int* const size = kCanvasSizes[pick(4)];

  auto sim = std::make_unique<TSimulation>();
  THeadlessHost host(sim->Run, size[0], size[1]);
  host.SetDrEditText(drill);
  host.SetComboBox1Index(side);
  sim->Host = &host;
  sim->Run.RunMode = runMode;
  sim->Run.ProgramFileName = programFileName;
  sim->Guard.MaxBlocks = kMaxBlocks;
  sim->Guard.MaxSteps = kMaxSteps;
  sim->Guard.MaxSpans = kMaxSpans;
  sim->Canvas.Resize(size[0], size[1]);
  auto lines = std::make_shared<const std::vector<std::string>>(SplitEditorLines(bytes));
  LineButtonClick(*sim, *lines);
  // Then as the window re-draws a view zoomed in or out about a point of the canvas.
  static constexpr float kZooms[] = {3.0f, 0.4f, 40.0f, 0.02f};
  TRedrawRequest r;
  r.EditorLines = lines;
  r.DrillText = drill;
  r.CompensationIndex = side;
  r.Width = size[0];
  r.Height = size[1];
  r.DrawnView = sim->View.Frame();
  r.DrawnHeight = size[1];
  r.View = ZoomedView(r.DrawnView, size[1], size[0] / 3, size[1] / 4, r.DrawnView.ViewScale * kZooms[bytes.size() % 4]);
  r.MaxBlocks = kMaxBlocks;
  r.MaxSteps = kMaxSteps;
  r.MaxSpans = kMaxSpans;
  const std::atomic<bool> cancel{false};
  RedrawView(r, cancel);
  TCheckOptions check;
  check.Drill = drill;
  check.Side = side;
  CheckProgram(*lines, check);
  return {host.Label1Text(), host.LineButtonEnabled(), sim->Guard.Tripped()};
}

}  // namespace marloq::fuzz
