// DRAW, as one straight sequence of the steps it is made of.
#include "simulation/draw_sequence.h"

#include <algorithm>
#include <cstdio>

#include "core/block_reader.h"
#include "core/fmath.h"
#include "simulation/block_driver.h"
#include "simulation/compensation.h"
#include "simulation/draw_record.h"
#include "simulation/draw_pass.h"
#include "simulation/drawing.h"
#include "simulation/extents.h"
#include "simulation/pass_beside.h"
#include "simulation/program_text.h"
#include "simulation/system_text.h"
#include "simulation/tool_change.h"

namespace marloq {

namespace {

constexpr Extended kDrillToRadius = 2.005L;  // not 2: a 1.0 mm drill gives a radius of 50

// What the last DRAW left behind (the feed, the pens, the last plotted Z, the first cut,
// a log switched on, the block it ended at) goes back to how the first DRAW after start
// finds it: a DRAW depends on the program and the window's choices alone.
void ForgetLastDraw(TSimulation& sim) {
  sim.Core = TInterpreterState{};
  TPixelEdges edges = std::move(sim.View.PixelEdges);  // a cache keyed by its view
  sim.View = TViewState{};
  sim.View.PixelEdges = std::move(edges);
  sim.Canvas.RestorePen(TCanvas::kStartPen);
  sim.PassRecord.Valid = false;
  sim.Guard.TrippedBy = TGuardLimit::None;
  sim.Guard.Pass = 0;
  sim.Guard.StoppedAt = {};
  sim.Run.StopPressed = sim.Run.NextPosRequest = false;
}

void StartRunControls(TSimulation& sim) {
  sim.Host->SetLineButtonEnabled(false);
  sim.View.FirstCutRecorded = false;
  if (!sim.Run.RunMode) sim.Host->SetFileButtonCaption("NextPos");
  sim.Host->SetStop1Caption("STOP");
}

void EndRunControls(TSimulation& sim) {
  sim.Host->SetFileButtonCaption("File");
  sim.Host->SetStop1Caption("EXIT");
  sim.Host->SetLineButtonEnabled(true);
  sim.Core.StopRequest = false;
}

}  // namespace

void SetUpRunPens(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  TViewState& v = sim.View;
  s.ToolRadius = static_cast<uint16_t>(RoundHalfEven(Extended(DrillValue(sim)) * s.UnitScale / kDrillToRadius));
  SetCompensation(sim, 0);
  SetPen(sim, kBlue, ThinPenWidth(v), true);
  v.CutPenColor = kRed;
  v.CutPenWidth = s.ToolRadius * 2;
  v.CutPenThin = false;
}

Extended MillingLength(const TViewState& v) { return LengthOf(v.MillingSteps); }

std::string MillingLengthText(Extended length) {
  return FormatSystem("milling length %1.0Lf mm ", length / 100);
}

namespace {

// What the run starts from, after the pass before it.
void PrepareRun(TSimulation& sim) {
  ResetInterpreter(sim.Core);
  SetUpRunPens(sim);
  sim.Core.LogEnabled = true;
  sim.View.MillingSteps = TStepCounts{};
  sim.View.Time = TMachiningTime{};
  MovePenTo(sim, 0, 0);
}

// One DRAW, with the pass before the run beside it when `besideAllowed` and it fits.
// False when that pass left the run another start than it had: nobody watched (a host
// without frames), and the DRAW is to be drawn again in order.
bool Draw(TSimulation& sim, TEditorLines editorLines, bool besideAllowed) {
  ForgetLastDraw(sim);
  sim.Record = sim.RecordsDraw ? std::make_shared<TDrawRecord>() : nullptr;
  TInterpreterState& s = sim.Core;
  LoadProgramText(s, editorLines, sim.Trace.Enabled ? &sim.Trace : nullptr);
  BindMotionCallbacks(sim);
  if (sim.WritesLog) OpenLog(sim);
  SetCompensation(sim, 0);
  StartRunControls(sim);
  ClearCanvas(sim);
  ComputeExtents(sim);
  if (sim.FixedView) sim.View.SetFrame(*sim.FixedView);
  s.LogEnabled = false;
  std::unique_ptr<TPassBeside> beside;
  if (besideAllowed && PassBesideFits(sim)) beside = StartPassBeside(sim, PrepareRun);
  if (!beside) DrawPass(sim, kPassBeforeRun);
  PrepareRun(sim);
  TRunStart started;
  if (beside) {
    started = RunStartOf(sim);
    sim.View.PlotZPending = true;
  }
  if (sim.Trace.Enabled) StartTrace(sim.Trace, sim.Canvas.Width(), sim.Canvas.Height());
  sim.Trace.Recording = sim.Trace.Enabled;
  RunProgram(sim);
  sim.Trace.Recording = false;
  if (beside && !FinishPassBeside(sim, *beside, started)) return false;
  sim.WentBeside = beside != nullptr;
  // The advance that tripped the block guard ran no block.
  sim.Summary = {MillingLength(sim.View), sim.View.Time, std::min(sim.Guard.Blocks, sim.Guard.PassMaxBlocks), sim.Guard.Steps,
                 s.StopRequest || sim.Guard.Tripped(), ToolMarkOf(s), s.CurBlock.Code,
                 sim.Trace.Enabled ? EditorLineOf(sim.Trace, s.CurBlock.TextPos) : -1};
  ShowPendingPosition(sim);
  const std::string shownPosition = sim.Host->StaticText1Text();
  const std::string length = MillingLengthText(sim.Summary.MillingLength);
  sim.Host->SetLabel1Text(length);
  LogMessage(sim, length);
  s.NoPause = true;
  if (!s.StopRequest) DrawPass(sim, kPassAfterRun);
  ShowPosition(sim, true);
  ShowPendingPosition(sim);
  sim.Host->SetStaticText1Text(shownPosition);
  NoteWhereStopped(sim);
  EndRunControls(sim);
  ShowWhatChanged(sim);
  sim.Log.Close();
  if (sim.Record) sim.Record->Stretches.shrink_to_fit();
  return true;
}

}  // namespace

void LineButtonClick(TSimulation& sim, TEditorLines editorLines) {
  const TWindowFields fields = WindowFieldsOf(*sim.Host);  // a DRAW drawn again starts from them
  if (Draw(sim, editorLines, true)) return;
  SetWindowFields(*sim.Host, fields);
  Draw(sim, editorLines, false);
}

}  // namespace marloq
