// The pass before the run beside it: the copy starts from the state the pass would, its
// pixels go under the run's, and the run is kept only if it started where the pass left.
#include "simulation/pass_beside.h"

#include <algorithm>
#include <exception>
#include <system_error>

#include "core/block_codes.h"
#include "core/block_reader.h"
#include "core/fmath.h"
#include "simulation/draw_pass.h"
#include "simulation/draw_record.h"
#include "simulation/redraw_host.h"

namespace marloq {

namespace {

// The stretches the pass recorded go where it would have recorded them, before the
// run's; the run's were recorded from a start that did not know what the pass leaves
// for lines (the width of its last straight line) and for the first plot (the last Z).
void SpliceRecord(TSimulation& sim, const TPassBeside& b) {
  if (!sim.Record || !b.Pass->Record) return;
  const TDrawRecord& from = *b.Pass->Record;
  TDrawRecord& to = *sim.Record;
  const auto first = from.Stretches.begin() + static_cast<ptrdiff_t>(from.PassBeforeBegin);
  const auto last = from.Stretches.begin() + static_cast<ptrdiff_t>(from.PassBeforeEnd);
  to.Stretches.insert(to.Stretches.begin() + static_cast<ptrdiff_t>(b.RecordAt), first, last);
  to.PassBeforeBegin = b.RecordAt;
  to.PassBeforeEnd = b.RecordAt + static_cast<size_t>(last - first);
  const TViewState& left = b.Pass->View;
  bool firstPlot = true;
  for (size_t i = to.PassBeforeEnd; i < to.Stretches.size(); ++i) {
    TStretch& st = to.Stretches[i];
    st.Pen.StraightWidth = left.Pen.StraightWidth;
    st.Pen.StraightThin = left.Pen.StraightThin;
    if (firstPlot && (st.Kind == TStretchKind::Line || st.Kind == TStretchKind::Arc)) {
      st.LastPlotZ = left.LastPlotZ;  // every stretch kept plotted: the first holds the first plot
      firstPlot = false;
    }
  }
}

// The Z the pass plots last, foreseen by reading the program as the pass reads it but
// without stepping: where its last arc or cycle figure stands. The run starts from it;
// a wrong guess, found when the pass ends, costs the DRAW drawn again.
int32_t ForeseeLastPlotZ(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  ResetInterpreter(s);
  int32_t z = sim.View.LastPlotZ;
  for (uint64_t blocks = 0; blocks <= sim.Guard.MaxBlocks; ++blocks) {
    AdvanceBlock(s);
    const uint16_t code = s.CurBlock.Code;
    if (code == kG2 || code == kG3 || code == kG83 || code == kG85 || code == kG86) z = RoundHalfEven(s.CurBlock.Z);
    else if (!PassGoesOn(s)) break;
  }
  return z;
}

}  // namespace

TPassBeside::~TPassBeside() {
  Cancel = true;
  if (Thread.joinable()) Thread.join();
}

TRunStart RunStartOf(const TSimulation& sim) {
  const TViewState& v = sim.View;
  const TInterpreterState& s = sim.Core;
  return {sim.Canvas.Pen(),
          v.CutPenColor,
          v.CutPenWidth,
          v.CutPenThin,
          v.Pen.Width,
          v.Pen.Thin,
          v.Pen.ByStraight,
          v.Pen.X,
          v.Pen.Y,
          v.FirstCutRecorded,
          {v.FirstCutX, v.FirstCutY, v.FirstCutZ},
          {v.ShownPosMm[0], v.ShownPosMm[1], v.ShownPosMm[2]},
          {v.ShownPos[0], v.ShownPos[1], v.ShownPos[2]},
          v.ShownPosPending,
          s.SavedNoPause,
          s.BlockFeed,
          s.ToolRadius,
          WindowFieldsOf(*sim.Host)};
}

bool PassBesideFits(const TSimulation& sim) {
  return sim.PassBeside && !sim.StepByStep && !sim.Check && !sim.Host->HasFrames() && sim.Guard.StopAt.Pass == 0 &&
         !sim.Run.StopPressed && sim.Canvas.Width() > 0 && sim.Canvas.Height() > 0 &&
         KeepsPassBefore(sim.Canvas) &&
         std::thread::hardware_concurrency() > 1;
}

std::unique_ptr<TPassBeside> StartPassBeside(TSimulation& sim, void (*prepareRun)(TSimulation&)) {
  auto b = std::make_unique<TPassBeside>();
  const int width = sim.Canvas.Width(), height = sim.Canvas.Height();
  b->Pass = std::make_unique<TSimulation>();
  TSimulation& p = *b->Pass;
  p.Core = sim.Core;
  p.View = sim.View;
  p.Run = sim.Run;
  p.Guard = sim.Guard;
  p.FixedView = sim.FixedView;
  p.WritesLog = false;
  p.Hiding = sim.Hiding;
  p.RecordsDraw = sim.Record != nullptr;
  if (p.RecordsDraw) p.Record = std::make_shared<TDrawRecord>();
  p.Canvas.Resize(width, height);
  p.Canvas.RestorePen(sim.Canvas.Pen());
  b->Host = std::make_unique<TRedrawHost>(p, width, height, b->Cancel);
  SetWindowFields(*b->Host, WindowFieldsOf(*sim.Host));
  p.Host = b->Host.get();
  BindMotionCallbacks(p);
  b->RecordAt = sim.Record ? sim.Record->Stretches.size() : 0;
  try {
    b->Thread = std::thread([beside = b.get(), prepareRun] {
      TSimulation& pass = *beside->Pass;
      try {
        DrawPass(pass, kPassBeforeRun);
        prepareRun(pass);
        beside->PassLeft = RunStartOf(pass);
        beside->Drawn = true;
      } catch (const std::exception&) {
        // Out of memory here: the DRAW is drawn again in order, where the caller hears of it.
      }
    });
  } catch (const std::system_error&) {
    return nullptr;  // no thread to be had: the pass goes before the run
  }
  b->Foreseen = ForeseeLastPlotZ(sim);
  b->Marks.Boxed = false;  // only what it touched counts: the pass's box bounds the work
  sim.Canvas.StartLayer(b->Marks);
  DrawPass(sim, kPassBeside);
  sim.View.LastPlotZ = b->Foreseen;
  return b;
}

bool FinishPassBeside(TSimulation& sim, TPassBeside& b, const TRunStart& runStarted) {
  b.Thread.join();
  sim.Canvas.FinishLayer(false);
  TSimulation& p = *b.Pass;
  TViewState& v = sim.View;
  // The run's first plot compared its Z with the foreseen one: as it would have with
  // the one the pass left?
  const bool plotted = !v.PlotZPending;
  v.PlotZPending = false;
  const int32_t z = v.FirstPendingPlotZ, left = p.View.LastPlotZ;
  if (!b.Drawn || !(runStarted == b.PassLeft) || (plotted && (z == b.Foreseen) != (z == left))) return false;
  if (!plotted) v.LastPlotZ = left;
  v.Pen.StraightWidth = p.View.Pen.StraightWidth;
  v.Pen.StraightThin = p.View.Pen.StraightThin;
  sim.Canvas.LayOver(p.PassRecord.Layer, &b.Marks);  // under the run: the run's pixels stay
  SpliceRecord(sim, b);
  sim.PassRecord = std::move(p.PassRecord);
  return true;
}

}  // namespace marloq
