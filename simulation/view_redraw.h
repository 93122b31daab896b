// A re-draw: the last DRAW once more for another view of the drawing, quietly (no log,
// no control changed), on any thread, and cancellable from another one.
#pragma once

#include <QImage>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "simulation/block_trace.h"
#include "simulation/simulation.h"
#include "simulation/view_state.h"

namespace marloq {

// What a re-draw repeats of a DRAW: its program and the window's choices as the DRAW
// found them.
struct TDrawRecord;

struct TRedrawRequest {
  std::shared_ptr<const std::vector<std::string>> EditorLines;
  // What the DRAW painted: with it a re-draw replays only what the view shows, without
  // the block driver; without it (or when it is not valid) the DRAW runs again quietly.
  std::shared_ptr<const TDrawRecord> Record;
  std::string DrillText;
  int CompensationIndex = 1;
  int Width = 0, Height = 0;
  TViewFrame View;
  // The DRAW's own view and canvas height: they decide which plots are hidden.
  TViewFrame DrawnView;
  int DrawnHeight = 0;
  // A DRAW the user stopped is re-drawn as far as it went.
  TRunGuard::TStopPoint StopAt;
  // The guards the DRAW ran under.
  uint64_t MaxBlocks = TRunGuard::kDefaultMaxBlocks, MaxSteps = TRunGuard::kDefaultMaxSteps,
           MaxSpans = TRunGuard::kDefaultMaxSpans;
};

struct TRedrawResult {
  QImage Picture;
  TViewFrame View;
  TBlockTrace Picks;      // which editor line drew each pixel
  bool Complete = false;  // false when cancelled
};

TRedrawResult RedrawView(const TRedrawRequest& request, const std::atomic<bool>& cancel);
// The same by running the DRAW again: the reference the replay is compared against.
TRedrawResult RedrawViewByDraw(const TRedrawRequest& request, const std::atomic<bool>& cancel);

}  // namespace marloq
