// Step plotter: the steps of one line or arc as the delay line and PlotStep take them,
// but in bulk: counted at once, and plotted only where a plot can change something.
#pragma once

#include <array>
#include <cstdint>

#include "core/fmath.h"
#include "simulation/simulation.h"
#include "simulation/view_state.h"

namespace marloq {

// The delay line holds 19 steps, so the plot of a step lands at the position 19 steps
// later. A plot at a position in the same canvas pixel and the same shown millimetres,
// with Z and the pen unchanged, changes nothing (the pixel is painted, the trace says
// the same): only the plots where the position leaves that range are made, and the
// counts that PlotStep adds step by step are added when the element ends.
class TStepPlotter {
 public:
  explicit TStepPlotter(TSimulation& sim);

  // One step of all axes: moves them, counts it, and plots where the delay line would.
  void Emit(uint8_t bits) {
    TInterpreterState& s = sim_.Core;
    s.AxisX.Pos += kDelta[bits & 3];
    s.AxisY.Pos += kDelta[(bits >> 2) & 3];
    s.AxisZ.Pos += kDelta[(bits >> 4) & 3];
    ++kinds_.Axes[kAxesMoved[bits & 63]];
    if (++sim_.Guard.Steps >= sim_.Guard.NextStepCheck) StepCheckpoint(sim_);
    if (++emitted_ >= kStepRingSize && Outside()) {
      // The position before this step was plotted too, when the delay line was full then.
      if (known_ && emitted_ > kStepRingSize) {
        sim_.View.LastPlotZ = s.AxisZ.Pos - kDelta[(bits >> 4) & 3];
        NoteShown(s.AxisX.Pos - kDelta[bits & 3], s.AxisY.Pos - kDelta[(bits >> 2) & 3]);
      }
      Plot();
    }
  }
  // What FlushSteps does: the steps still held plot at the last position. Then the
  // counts go to the milling length and the machining time.
  void Flush();

  // An arc's passes while Z stands still, as NextArcStep makes them: pass i puts X and
  // Y at (xs[i], ys[i]) from the centre, and steps there unless that is where the last
  // pass put them (accX, accY, updated). Returns the passes taken: all n, or fewer when
  // the run was stopped after a step (by the guard, or by STOP at a plot).
  int EmitArcPasses(const int32_t* xs, const int32_t* ys, int n, int32_t& accX, int32_t& accY);

  // How many more unit moves of an axis (0 X, 1 Y, 2 Z) towards dir (+1, -1) keep its
  // plots changing nothing; 0 while the delay line is filling or a plot is due.
  int64_t Room(int axis, int dir) const;
  // Steps the caller worked out at once, all of whose plots change nothing: moves of
  // the three axes, and the steps by axes moved.
  void EmitQuiet(uint64_t steps, const int64_t (&moves)[3], const TStepCounts& kinds);

  // Whether positions cannot reach the 32-bit limits, where the plain stepping stops
  // them: within 2^30 of the origin, and moving at most 2^30 more steps.
  static bool FarFromLimits(const TInterpreterState& s, int64_t reach);

 private:
  static constexpr int32_t kDelta[4] = {0, 1, -1, 0};
  // Axes a step moves: those with exactly one of their two bits set.
  static constexpr auto kAxesMoved = [] {
    std::array<uint8_t, 64> moved{};
    for (int bits = 0; bits < 64; ++bits)
      for (int axis = 0; axis < 3; ++axis) moved[bits] += ((bits >> (2 * axis)) & 3) % 3 != 0;
    return moved;
  }();

  // Positions [Lo, Lo + Span], in 32-bit wrap.
  struct TRange {
    int32_t Lo = INT32_MIN;
    uint32_t Span = 0;
    bool Contains(int32_t p) const { return static_cast<uint32_t>(p) - static_cast<uint32_t>(Lo) <= Span; }
  };

  bool Outside() const {
    const TInterpreterState& s = sim_.Core;
    return !x_.Contains(s.AxisX.Pos) || !y_.Contains(s.AxisY.Pos) || !z_.Contains(s.AxisZ.Pos);
  }
  void Plot();
  // A position plotted one by one, which a plot there shows, though this one was not made:
  // where the pen stands in every view (in this one, the pixel stands for it).
  void NoteShown(int32_t x, int32_t y) {
    TWorldPen& pen = sim_.View.Pen;
    pen.X = x;
    pen.Y = y;
    pen.ByStraight = false;
    if (movesOnly_) CatchUpPen(x, y);
  }
  // The canvas pen to where the plots left out would have taken it (they painted nothing).
  void CatchUpPen(int32_t x, int32_t y);
  // at: the canvas point of the position, when the plot just worked it out.
  void FindQuietRange(const int32_t* at = nullptr);
  TRange QuietZSide() const;
  template <typename F>
  static TRange EqualRange(const F& f, int32_t at, Extended guessLo, Extended guessHi);
  static TRange MillimetreRange(int32_t at);
  static TRange Intersect(const TRange& a, const TRange& b);
  static TRange Between(int64_t from, int64_t to);
  void ForceNextPlot() {
    x_ = y_ = z_ = TRange{};
    known_ = false;
    movesOnly_ = false;
  }

  TSimulation& sim_;
  uint64_t emitted_ = 0;
  TStepCounts kinds_;
  TRange x_, y_, z_;  // positions whose plot changes nothing
  // What those are made of: the canvas pixel's positions and the shown millimetre's,
  // per axis; they stay while the position stays in them.
  TRange pixelX_, pixelY_, mmX_, mmY_;
  bool known_ = false;
  // The ranges hold positions whose plots only move the pen: the canvas is all the pen's
  // ink, or they lie beyond the canvas by more than the pen reaches.
  bool movesOnly_ = false;
};

}  // namespace marloq
