// Draw record: a stretch is noted when its stepper starts, from the state the stepper
// reads, and kept when it ends if it drew; its box grows with every plot drawn.
#include "simulation/draw_record.h"

#include <cmath>

#include "core/fmath.h"
#include "simulation/simulation.h"

namespace marloq {

namespace {

// A comparison with a NaN is false: the box keeps it, and then meets every view.
void Include(TStretch& st, double x, double y) {
  st.MinX = x < st.MinX || x != x ? x : st.MinX;
  st.MaxX = x > st.MaxX || x != x ? x : st.MaxX;
  st.MinY = y < st.MinY || y != y ? y : st.MinY;
  st.MaxY = y > st.MaxY || y != y ? y : st.MaxY;
}

TStretch StretchOf(const TSimulation& sim, TStretchKind kind) {
  const TInterpreterState& s = sim.Core;
  const TViewState& v = sim.View;
  TStretch st;
  st.Kind = kind;
  st.LogEnabled = s.LogEnabled;
  st.Clockwise = s.ArcClockwise;
  st.Traced = sim.Trace.Recording;
  st.Line = sim.Trace.CurrentLine;
  st.Color = sim.Canvas.PenColor();
  st.Mode = sim.Canvas.PenMode();
  st.Pen = v.Pen;
  st.CutColor = v.CutPenColor;
  st.CutWidth = v.CutPenWidth;
  st.CutThin = v.CutPenThin;
  st.LastPlotZ = v.LastPlotZ;
  const TAxis* const axes[3] = {&s.AxisX, &s.AxisY, &s.AxisZ};
  for (int a = 0; a < 3; ++a) {
    st.Pos[a] = axes[a]->Pos;
    st.Target[a] = axes[a]->Target;
  }
  st.CentreX = s.AxisX.Start;
  st.CentreY = s.AxisY.Start;
  st.Radius = s.WorkRadius;
  // Where the pen stands, whichever way a straight line took it there.
  st.MinX = st.MaxX = v.Pen.X;
  st.MinY = st.MaxY = v.Pen.Y;
  if (v.Pen.ByStraight) Include(st, RoundHalfEven(v.Pen.X), RoundHalfEven(v.Pen.Y));
  return st;
}

}  // namespace

void BeginStretch(TSimulation& sim, TStretchKind kind) {
  if (!sim.Record) return;
  TDrawRecord& r = *sim.Record;
  if (r.Depth++ > 0) return;
  r.Stretches.push_back(StretchOf(sim, kind));
  const TStretch& st = r.Stretches.back();
  r.Drawn = false;
  r.StepsAtStart = sim.Guard.Steps;
  r.MinX = st.MinX;
  r.MaxX = st.MaxX;
  r.MinY = st.MinY;
  r.MaxY = st.MaxY;
}

void EndStretch(TSimulation& sim) {
  if (!sim.Record) return;
  TDrawRecord& r = *sim.Record;
  if (--r.Depth > 0) return;
  if (!r.Drawn) {
    r.Stretches.pop_back();
    return;
  }
  TStretch& st = r.Stretches.back();
  st.Steps = sim.Guard.Steps - r.StepsAtStart;
  st.Cut = sim.Core.StopRequest;
  // Between the plots made, the plots left out (as changing nothing here) stand in the
  // pixel of the last one made: a pixel further in every direction holds them all.
  const double pixel = 1.0 / std::fabs(static_cast<double>(sim.View.ViewScale)) + 1;
  const double reach = std::isfinite(pixel) ? pixel : HUGE_VAL;
  st.MinX = r.MinX - reach;
  st.MaxX = r.MaxX + reach;
  st.MinY = r.MinY - reach;
  st.MaxY = r.MaxY + reach;
}

void RecordStretch(TSimulation& sim, TStretchKind kind) {
  if (sim.Record && sim.Record->Depth == 0) sim.Record->Stretches.push_back(StretchOf(sim, kind));
}

void RecordStraight(TSimulation& sim, float x, float y) {
  if (!sim.Record || sim.Record->Depth > 0) return;
  TStretch st = StretchOf(sim, TStretchKind::Straight);
  st.Target[0] = x;
  st.Target[1] = y;
  Include(st, x, y);
  Include(st, RoundHalfEven(x), RoundHalfEven(y));
  sim.Record->Stretches.push_back(st);
}

}  // namespace marloq
