// The drawing pass before the run on a second core: a copy of the simulation draws it
// while the run goes, and what it drew is laid under what the run drew.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <thread>

#include "simulation/canvas.h"
#include "simulation/simulation.h"

namespace marloq {

class TRedrawHost;

// What the run starts from that the pass before it may have changed.
struct TRunStart {
  TCanvasPen Pen;
  TColor CutPenColor;
  int32_t CutPenWidth;
  bool CutPenThin;
  int32_t PenWidth;
  bool PenThin, PenByStraight;
  double PenX, PenY;
  bool FirstCutRecorded;
  int32_t FirstCut[3];
  int32_t ShownPosMm[3], ShownPos[3];
  bool ShownPosPending;
  bool SavedNoPause;
  uint16_t BlockFeed;
  int32_t ToolRadius;
  TWindowFields Window;
  bool operator==(const TRunStart&) const = default;
};

struct TPassBeside {
  std::unique_ptr<TSimulation> Pass;  // the copy that draws the pass
  std::unique_ptr<TRedrawHost> Host;  // its host: quiet, stopped by Cancel
  std::atomic<bool> Cancel{false};
  std::thread Thread;
  TRunStart PassLeft;     // what the copy's run would start from, once the thread ended
  bool Drawn = false;     // the thread drew the whole pass (it did not run out of memory)
  alignas(64) TCanvasLayer Marks;  // what this canvas drew after the pass; the run writes it
  size_t RecordAt = 0;    // where the pass's stretches go in the record
  int32_t Foreseen = 0;   // the last Z the pass plots, as the run takes it
  ~TPassBeside();
};

// Whether the pass before the run may be drawn beside it: nobody watches the DRAW (no
// frames, no STOP to replay), and the copy it takes costs little.
bool PassBesideFits(const TSimulation& sim);

// In place of the pass before the run: starts the copy's pass, and does here what the
// pass does but its blocks (the pens, the axes, the pass's count), noting what this
// canvas draws from now on. `prepareRun` readies a simulation for its run, on both.
// Null, with nothing done, when no thread can be had.
std::unique_ptr<TPassBeside> StartPassBeside(TSimulation& sim, void (*prepareRun)(TSimulation&));

// After the run: waits for the pass, and takes what it left (its layer under the run,
// its record) when the run started from what the pass left. False when it did not:
// then the DRAW must be drawn again, the pass before the run first.
bool FinishPassBeside(TSimulation& sim, TPassBeside& beside, const TRunStart& runStarted);

// What a run starts from, as far as the pass before it may change it.
TRunStart RunStartOf(const TSimulation& sim);

}  // namespace marloq
