// Draw record: what a DRAW painted, kept as stretches that can be stepped and plotted
// again on their own in any view, each with the world box its plots can reach.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "simulation/canvas.h"
#include "simulation/view_state.h"

namespace marloq {

struct TSimulation;

enum class TStretchKind : uint8_t {
  Line,       // the line stepper, from the axes' Pos to their Target
  Arc,        // the arc stepper, with the line that may close it
  Straight,   // a pass's G0/G1, drawn straight to its end point (Target X, Y)
  Axes,       // the silver axes a pass ends with
  PassAgain,  // the pass after the run, laid over as the pass before it drew
};

// One stretch: the inputs of its stepper and the pen as it found them. The pen's changes
// inside it do not depend on the view (the DRAW's view decides which plots are hidden),
// so the stretch draws alike wherever it is replayed, and the next one starts from its
// own record.
struct TStretch {
  TStretchKind Kind = TStretchKind::Line;
  bool LogEnabled = false;  // an arc's Z follows it only while logging
  bool Clockwise = false;
  bool Cut = false;         // STOP or a guard ended it after Steps steps
  bool Traced = false;      // part of the run: its plots mark Line in the picking buffer
  TPenMode Mode = TPenMode::Copy;
  int32_t Line = -1;
  TColor Color = kBlack, CutColor = kRed;
  TWorldPen Pen;
  int32_t CutWidth = 1;
  bool CutThin = false;
  int32_t LastPlotZ = 0;
  int32_t Pos[3] = {0, 0, 0};
  float Target[3] = {0, 0, 0};
  float CentreX = 0, CentreY = 0, Radius = 0;
  uint64_t Steps = 0;
  // World box of the points it draws through: the pen's start and every plot drawn.
  double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
};

struct TDrawRecord {
  std::vector<TStretch> Stretches;
  size_t PassBeforeBegin = 0, PassBeforeEnd = 0;  // the stretches a PassAgain lays again
  bool Valid = true;  // false once the canvas lost its drawing under the DRAW (a resize)
  // The stretch being recorded, and how many steppers deep: an arc's closing line is
  // part of the arc's stretch.
  int Depth = 0;
  bool Drawn = false;        // the open stretch drew a plot; its box so far
  uint64_t StepsAtStart = 0;
  double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
};

// Opens a stretch at the start of a stepper; the stepper's own steppers add to it.
void BeginStretch(TSimulation& sim, TStretchKind kind);
// Closes it: a stretch that drew nothing is not kept (what it left, the next one notes).
void EndStretch(TSimulation& sim);
// A stretch that is whole at once: the axes, or the pass again.
void RecordStretch(TSimulation& sim, TStretchKind kind);
// A pass's G0/G1 from where the pen stands to (x, y).
void RecordStraight(TSimulation& sim, float x, float y);

// A plot drew at (x, y): the open stretch, if any, reaches there.
inline void IncludePlot(TDrawRecord& r, double x, double y) {
  if (r.Depth == 0) return;
  r.Drawn = true;
  r.MinX = x < r.MinX ? x : r.MinX;
  r.MaxX = x > r.MaxX ? x : r.MaxX;
  r.MinY = y < r.MinY ? y : r.MinY;
  r.MaxY = y > r.MaxY ? y : r.MaxY;
}

// Opens and closes a stretch around a stepper.
class TStretchScope {
 public:
  TStretchScope(TSimulation& sim, TStretchKind kind) : sim_(sim) { BeginStretch(sim, kind); }
  ~TStretchScope() { EndStretch(sim_); }
  TStretchScope(const TStretchScope&) = delete;
  TStretchScope& operator=(const TStretchScope&) = delete;

 private:
  TSimulation& sim_;
};

}  // namespace marloq
