// Drawing passes: quiet and without logging; only arcs and outlines are stepped, so a
// pass costs little more than reading the program.
#include "simulation/draw_pass.h"

#include <algorithm>

#include "core/block_codes.h"
#include "core/block_reader.h"
#include "core/fmath.h"
#include "core/subprograms.h"
#include "simulation/draw_record.h"
#include "simulation/drawing.h"
#include "simulation/motion_blocks.h"
#include "simulation/steppers.h"
#include "simulation/tool_change.h"

namespace marloq {

namespace {

void StartPass(TSimulation& sim) {
  ResetInterpreter(sim.Core);
  SetPen(sim, kWindowColor, 0);
  sim.View.CutPenColor = kBlack;
  sim.View.CutPenWidth = ThinPenWidth(sim.View);
  sim.View.CutPenThin = true;
  MovePenTo(sim, 0, 0);
}

// G0 and G1 drawn straight to the end point; above Z = 0 the pen only moves.
void DrawLineBlock(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  const TBlockRecord& b = s.CurBlock;
  RecordStraight(sim, b.X, b.Y);
  DrawStraight(sim, b.X, b.Y);
  s.AxisX.Target = static_cast<float>(RoundHalfEven(b.X));
  s.AxisY.Target = static_cast<float>(RoundHalfEven(b.Y));
  s.AxisX.Pos = RoundHalfEven(b.X);
  s.AxisY.Pos = RoundHalfEven(b.Y);
  s.AxisZ.Pos = RoundHalfEven(b.Z);
  if (b.Z > 0) SetPen(sim, kWindowColor, 0);
  else SetPen(sim, kBlack, sim.View.CutPenWidth, sim.View.CutPenThin);
}

// One block of a pass; false when the pass ends with it.
bool DrawBlock(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  switch (s.CurBlock.Code) {
    case kG0:
    case kG1: DrawLineBlock(sim); break;
    case kG2: s.ArcClockwise = true; MoveCircular(sim); break;
    case kG3: s.ArcClockwise = false; MoveCircular(sim); break;
    case kG54:
      sim.PassRecord.ReadFirstCut |= sim.PassRecord.Recording;
      SetPositionLookahead(sim);
      break;
    case kG74: ReturnHome(sim); break;
    case kG83: OutlineRectangle(sim); break;
    case kG85: OutlineCircle(sim); break;
    case kG86: OutlineCentredRectangle(sim); break;
    default: return PassGoesOn(s);
  }
  return true;
}

// The blue line from where the pass stands to the first point the run cut.
void DrawApproach(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  sim.View.CutPenColor = kBlue;
  sim.Canvas.SetPenColor(kBlue);
  s.AxisX.Target = static_cast<float>(sim.View.FirstCutX);
  s.AxisY.Target = static_cast<float>(sim.View.FirstCutY);
  s.AxisZ.Target = static_cast<float>(sim.View.FirstCutZ);
  LineStepper(sim);
}

}  // namespace

void DrawStraight(TSimulation& sim, float x, float y) {
  if (sim.Canvas.PenWidth() == 0) MovePenTo(sim, RoundHalfEven(x), RoundHalfEven(y));
  else sim.Canvas.LineTo(CanvasXOf(sim.View, x), CanvasYOf(sim.View, sim.Canvas.Height(), y));
  TWorldPen& pen = sim.View.Pen;
  pen.X = x;
  pen.Y = y;
  pen.ByStraight = true;
  pen.StraightWidth = pen.Width;
  pen.StraightThin = pen.Thin;
}

void DrawAxes(TSimulation& sim) {
  RecordStretch(sim, TStretchKind::Axes);
  TCanvas& c = sim.Canvas;
  const TViewState& v = sim.View;
  c.SetPenWidth(1);
  c.SetPenColor(kSilver);
  const int32_t x = -RoundHalfEven(Extended(v.ViewOffsetX) * v.ViewScale);
  const int32_t y = static_cast<int32_t>(int64_t(c.Height()) + RoundHalfEven(Extended(v.ViewOffsetY) * v.ViewScale));
  c.MoveTo(x, 0);
  c.LineTo(x, c.Height());
  c.MoveTo(0, y);
  c.LineTo(c.Width(), y);
}

bool PassGoesOn(TInterpreterState& s) {
  const uint16_t code = s.CurBlock.Code;
  if (code == kM2) return false;
  if (code == kM30) return !ReturnFromSubprogram(s);
  if (CodeLetter(code) == 'L') return CallSubprogram(s) != 0;
  return true;
}

bool KeepsPassBefore(const TCanvas& canvas) {
  // Beyond this the copy and its marks would cost more memory than the drawing saves.
  constexpr int64_t kMaxRecordedPixels = 4'000'000;
  return int64_t(canvas.Width()) * canvas.Height() <= kMaxRecordedPixels;
}

namespace {

TPassRecord::TView PassView(const TSimulation& sim) {
  const TViewState& v = sim.View;
  return {sim.Canvas.Pen(), v.ViewScale, v.ViewOffsetX, v.ViewOffsetY, sim.Canvas.Width(), sim.Canvas.Height()};
}

void StartRecording(TSimulation& sim) {
  TPassRecord& r = sim.PassRecord;
  r.Valid = false;
  if (!KeepsPassBefore(sim.Canvas)) return;
  r.View = PassView(sim);
  r.LastPlotZ = sim.View.LastPlotZ;
  r.FirstCutRecorded = sim.View.FirstCutRecorded;
  r.PenRuleReached = r.ReadFirstCut = false;
  r.Recording = true;
  if (sim.Record) sim.Record->PassBeforeBegin = sim.Record->PassBeforeEnd = sim.Record->Stretches.size();
  sim.Canvas.StartLayer(r.Layer);
}

void FinishRecording(TSimulation& sim) {
  TPassRecord& r = sim.PassRecord;
  if (!r.Recording) return;
  r.Recording = false;
  sim.Canvas.FinishLayer();
  r.PenAfter = sim.Canvas.Pen();
  r.WorldPenAfter = sim.View.Pen;
  if (sim.Record) sim.Record->PassBeforeEnd = sim.Record->Stretches.size();
  r.LastPlotZAfter = sim.View.LastPlotZ;
  r.Valid = !sim.Guard.PassTripped;  // a pass the guard stopped is not the whole pass
}

// Whether the pass would now draw what it drew before the run. The last Z plotted
// matters only at the first plot that reaches the pen's Z rule: there both passes
// must change the pen, or neither.
bool RecordedPassFits(const TSimulation& sim) {
  const TPassRecord& r = sim.PassRecord;
  const TViewState& v = sim.View;
  if (!r.Valid || !(PassView(sim) == r.View)) return false;
  if (r.ReadFirstCut && r.FirstCutRecorded != v.FirstCutRecorded) return false;
  return !r.PenRuleReached || (r.PenRuleZ == r.LastPlotZ) == (r.PenRuleZ == v.LastPlotZ);
}

// The pass after the run as the pass before it drew, when it would draw the same.
bool LayOverRecordedPass(TSimulation& sim) {
  if (!RecordedPassFits(sim)) return false;
  const TPassRecord& r = sim.PassRecord;
  RecordStretch(sim, TStretchKind::PassAgain);
  sim.Canvas.LayOver(r.Layer);
  sim.Canvas.RestorePen(r.PenAfter);
  sim.View.Pen = r.WorldPenAfter;
  if (r.PenRuleReached) sim.View.LastPlotZ = r.LastPlotZAfter;
  return true;
}

}  // namespace

void DrawPass(TSimulation& sim, int kind) {
  TInterpreterState& s = sim.Core;
  s.Quiet = true;
  const bool savedLogEnabled = s.LogEnabled;
  s.LogEnabled = false;
  for (;;) {
    StartPass(sim);
    StartGuardedPass(sim);
    if (kind == kPassAfterRun && !sim.StepByStep && LayOverRecordedPass(sim)) {
      kind = kPassApproach;
      continue;
    }
    if (kind == kPassBeforeRun) StartRecording(sim);
    bool approached = false;
    while (kind != kPassBeside && !s.StopRequest && AdvanceGuarded(sim)) {
      const bool goesOn = DrawBlock(sim);
      if (kind == kPassApproach && CodeNumber(s.CurBlock.Code) < 20) {
        DrawApproach(sim);
        approached = true;
        break;
      }
      if (!goesOn) break;
    }
    if (kind == kPassBeforeRun) FinishRecording(sim);
    if (kind == kPassBeforeRun || kind == kPassBeside) MovePenTo(sim, 0, 0);
    if (kind != kPassAfterRun || approached) break;
    kind = kPassApproach;
  }
  DrawAxes(sim);
  s.Quiet = false;
  s.LogEnabled = savedLogEnabled;
}

}  // namespace marloq
