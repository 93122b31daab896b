// Drawing: steps at or below Z = 0 use the cut pen (red and as wide as the tool in a
// run), steps above it a thin blue pen; the pen changes only when Z changes.
#include "simulation/drawing.h"

#include <algorithm>

#include "simulation/draw_record.h"
#include "simulation/machining_time.h"
#include "simulation/system_text.h"

namespace marloq {

namespace {

int AxesMoved(uint8_t bits) {
  const auto moves = [bits](uint8_t plus, uint8_t minus) {
    return ((bits & plus) != 0) != ((bits & minus) != 0) ? 1 : 0;
  };
  return moves(kStepXPlus, kStepXMinus) + moves(kStepYPlus, kStepYMinus) +
         moves(kStepZPlus, kStepZMinus);
}

float Millimetres(int32_t pos) { return static_cast<float>(Extended(pos) / 100); }

}  // namespace

int32_t PenPixels(const TSimulation& sim, int32_t width) {
  return RoundHalfEven(Extended(width) * sim.View.ViewScale);
}

int32_t ThinPenWidth(const TViewState& v) { return std::max(RoundHalfEven(1.0L / v.ViewScale), 1); }

void PlotStep(TSimulation& sim, uint8_t stepBits) {
  CountStep(sim, stepBits);
  PlotPosition(sim);
}

void CountStep(TSimulation& sim, uint8_t stepBits) {
  const int axes = AxesMoved(stepBits);
  const bool cutting = StepsCut(sim.Core);
  if (cutting) ++sim.View.MillingSteps.Axes[axes];
  AddStepTime(sim.View.Time, axes, cutting, sim.Core.BlockFeed);
}

void PlotPosition(TSimulation& sim) {
  const TInterpreterState& s = sim.Core;
  PlotPositionAt(sim, CanvasXOf(sim.View, s.AxisX.Pos), CanvasYOf(sim.View, sim.Canvas.Height(), s.AxisY.Pos));
}

void PlotPositionAt(TSimulation& sim, int32_t cx, int32_t cy) {
  TInterpreterState& s = sim.Core;
  TViewState& v = sim.View;
  const THidingView& h = sim.Hiding;  // whose canvas hides the plot: this one, or a DRAW's
  if (h.Own ? cx < 0 || cy < 0 : CanvasXOf(h.Frame, s.AxisX.Pos) < 0 || CanvasYOf(h.Frame, h.Height, s.AxisY.Pos) < 0)
    return;
  TracePixel(sim.Trace, cx, cy);
  if (sim.Record) IncludePlot(*sim.Record, s.AxisX.Pos, s.AxisY.Pos);
  v.Pen.X = s.AxisX.Pos;
  v.Pen.Y = s.AxisY.Pos;
  v.Pen.ByStraight = false;
  if (sim.Canvas.PenColor() == kRed && !v.FirstCutRecorded) {
    v.FirstCutRecorded = true;
    v.FirstCutX = s.AxisX.Pos;
    v.FirstCutY = s.AxisY.Pos;
    v.FirstCutZ = s.AxisZ.Pos;
  }
  sim.Canvas.LineTo(cx, cy);
  if (s.LogEnabled || s.NoPause) ShowPosition(sim, false);
  TPassRecord& r = sim.PassRecord;
  if (r.Recording && !r.PenRuleReached) {
    r.PenRuleReached = true;
    r.PenRuleZ = s.AxisZ.Pos;
  }
  if (v.PlotZPending) {
    v.PlotZPending = false;
    v.FirstPendingPlotZ = s.AxisZ.Pos;
  }
  if (s.AxisZ.Pos != v.LastPlotZ) {
    v.LastPlotZ = s.AxisZ.Pos;
    if (s.AxisZ.Pos > 0) SetPen(sim, kBlue, kTravelPenWidth);
    else if (sim.Canvas.PenColor() != v.CutPenColor) SetPen(sim, v.CutPenColor, v.CutPenWidth, v.CutPenThin);
  }
}

bool PlotKeepsPen(const TSimulation& sim, int32_t z) {
  const TCanvas& c = sim.Canvas;
  if (z <= 0) return c.PenColor() == sim.View.CutPenColor;
  return c.PenColor() == kBlue && c.PenWidth() == PenPixels(sim, kTravelPenWidth);
}

void ShowPosition(TSimulation& sim, bool force) {
  const TInterpreterState& s = sim.Core;
  if (s.Quiet) return;
  const int32_t pos[3] = {s.AxisX.Pos, s.AxisY.Pos, s.AxisZ.Pos};
  TViewState& v = sim.View;
  // Most plots stay within the millimetres shown: six comparisons instead of divisions.
  const auto within = [&](int a) { return v.ShownMm[a].Lo <= pos[a] && pos[a] <= v.ShownMm[a].Hi; };
  if (!force && within(0) && within(1) && within(2)) return;
  const int32_t mm[3] = {WholeMillimetres(pos[0]), WholeMillimetres(pos[1]), WholeMillimetres(pos[2])};
  if (!force && mm[0] == v.ShownPosMm[0] && mm[1] == v.ShownPosMm[1] && mm[2] == v.ShownPosMm[2]) return;
  for (int a = 0; a < 3; ++a) {
    v.ShownPosMm[a] = mm[a];
    v.ShownMm[a] = PositionsShownAs(mm[a]);
    v.ShownPos[a] = pos[a];
  }
  v.ShownPosPending = true;
  ProcessPendingMessages(sim);
}

void ShowPendingPosition(TSimulation& sim) {
  TViewState& v = sim.View;
  if (!v.ShownPosPending) return;
  v.ShownPosPending = false;
  sim.Host->SetStaticText1Text(FormatSystem("%6.2Lf%7.2Lf%7.2Lf", Millimetres(v.ShownPos[0]),
                                            Millimetres(v.ShownPos[1]), Millimetres(v.ShownPos[2])));
}

int32_t WholeMillimetres(int32_t pos) {
  // Below 2^17 mm a float of pos / 100 never rounds across a half millimetre, so the
  // integer division rounds alike: halves to even, as the float's rounding does.
  constexpr int32_t kExactBelow = 13'107'200;
  if (pos > -kExactBelow && pos < kExactBelow) {
    const int32_t a = pos < 0 ? -pos : pos;
    int32_t q = a / 100;
    const int32_t r = a % 100;
    if (r > 50 || (r == 50 && (q & 1) != 0)) ++q;
    return pos < 0 ? -q : q;
  }
  return RoundHalfEven(Millimetres(pos));
}

TMillimetreSpan PositionsShownAs(int32_t mm) {
  constexpr int32_t kPlainBelow = 130'000;  // mm: WholeMillimetres divides up to 13,107,200
  if (mm <= -kPlainBelow || mm >= kPlainBelow) return {1, 0};
  const int32_t n = mm < 0 ? -mm : mm;
  const int32_t lo = 100 * n - 50 + (n % 2), hi = 100 * n + 50 - (n % 2);
  return mm < 0 ? TMillimetreSpan{-hi, -lo} : TMillimetreSpan{lo, hi};
}

void MovePenTo(TSimulation& sim, int32_t x, int32_t y) {
  sim.Canvas.MoveTo(CanvasXOf(sim.View, x), CanvasYOf(sim.View, sim.Canvas.Height(), y));
  sim.Core.AxisX.Pos = x;
  sim.Core.AxisY.Pos = y;
  sim.Core.AxisX.Target = static_cast<float>(x);
  sim.Core.AxisY.Target = static_cast<float>(y);
  sim.View.Pen.X = x;
  sim.View.Pen.Y = y;
  sim.View.Pen.ByStraight = false;
}

void SetPen(TSimulation& sim, TColor color, int32_t width, bool thin) {
  sim.Canvas.SetPenColor(color);
  if (width == -1) return;
  sim.Canvas.SetPenWidth(PenPixels(sim, width));
  sim.View.Pen.Width = width;
  sim.View.Pen.Thin = thin;
}

void ClearCanvas(TSimulation& sim) {
  sim.Canvas.SetPenColor(kWindowColor);
  sim.Canvas.FillRect(0, 0, sim.Canvas.Width(), sim.Canvas.Height(), kWhite);
}

TColor NextPassPen(TSimulation& sim) {
  TCanvas& c = sim.Canvas;
  int32_t k = static_cast<int32_t>(c.PenColor()) - 16;
  c.SetPenMode(c.PenMode() == TPenMode::InvertedCopy ? TPenMode::Copy : TPenMode::InvertedCopy);
  if (k < 20) k = kRed;
  c.SetPenColor(static_cast<TColor>(k));
  return static_cast<TColor>(k);
}

TMousePosition MousePositionOf(const TViewFrame& v, int canvasHeight, int x, int y) {
  return {static_cast<float>((Extended(x) / v.ViewScale + v.ViewOffsetX + 1) / 100),
          static_cast<float>((Extended(canvasHeight - y) / v.ViewScale + v.ViewOffsetY + 1) / 100)};
}

std::string MouseReadout(const TViewFrame& v, int canvasHeight, int x, int y) {
  const TMousePosition m = MousePositionOf(v, canvasHeight, x, y);
  return FormatSystem("%6.2Lf%7.2Lf        ", m.X, m.Y);
}

}  // namespace marloq
