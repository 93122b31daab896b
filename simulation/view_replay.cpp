// View replay: every stretch starts from its own record, so a piece of the list draws
// alike on any canvas. Pieces drawn apart are laid over each other in their order, which
// is how the canvas paints: a pixel shows the last ink written to it.
#include "simulation/view_replay.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "simulation/draw_pass.h"
#include "simulation/draw_record.h"
#include "simulation/drawing.h"
#include "simulation/redraw_host.h"
#include "simulation/steppers.h"

namespace marloq {

namespace {

// What a stretch costs besides its steps, counted in steps.
constexpr uint64_t kStretchWork = 64;
// Pieces per core: enough that one slow piece does not keep the others waiting.
constexpr uint64_t kPiecesPerCore = 3;

// A simulation of the re-drawn view, drawing on its own canvas.
struct TReplaySim {
  std::unique_ptr<TSimulation> Sim = std::make_unique<TSimulation>();
  std::unique_ptr<TRedrawHost> Host;

  TReplaySim(const TRedrawRequest& r, const std::atomic<bool>& cancel, bool traced) {
    TSimulation& sim = *Sim;
    Host = std::make_unique<TRedrawHost>(sim, r.Width, r.Height, cancel);
    sim.Host = Host.get();
    sim.WritesLog = false;
    sim.Canvas.Resize(r.Width, r.Height);
    sim.View.SetFrame(r.View);
    sim.Hiding = {false, r.DrawnView, r.DrawnHeight};
    sim.Core.Quiet = true;
    sim.Core.NoPause = true;
    sim.Guard.MaxSpans = UINT64_MAX;  // the DRAW's own work bounded this
    if (traced) {
      sim.Trace.Enabled = true;
      StartTrace(sim.Trace, r.Width, r.Height);
    }
  }
};

int64_t PenPixelsOf(const TSimulation& sim, int32_t world, bool thin) {
  return std::clamp<int64_t>(PenPixels(sim, thin ? ThinPenWidth(sim.View) : world), 1, 4096);
}

// How far a stretch's paint may reach from the points it draws through: half the widest
// pen it may draw with, and a pixel.
int64_t PenReach(const TSimulation& sim, const TStretch& st) {
  int64_t widest = PenPixelsOf(sim, st.Pen.Width, st.Pen.Thin);
  if (st.Kind == TStretchKind::Line || st.Kind == TStretchKind::Arc)
    widest = std::max({widest, PenPixelsOf(sim, st.CutWidth, st.CutThin), PenPixelsOf(sim, kTravelPenWidth, false)});
  return widest / 2 + 1;
}

// Whether the stretch may paint a pixel of this view. The transform is monotone, so its
// box's corners bound the canvas points of everything inside.
bool Meets(const TSimulation& sim, const TStretch& st) {
  const TViewState& v = sim.View;
  if (!std::isfinite(v.ViewScale) || v.ViewScale == 0) return true;
  for (const double c : {st.MinX, st.MinY, st.MaxX, st.MaxY})
    if (std::isnan(c)) return true;
  const int w = sim.Canvas.Width(), h = sim.Canvas.Height();
  const int64_t xa = CanvasXOf(v, st.MinX), xb = CanvasXOf(v, st.MaxX);
  const int64_t ya = CanvasYOf(v, h, st.MinY), yb = CanvasYOf(v, h, st.MaxY);
  const int64_t reach = PenReach(sim, st);
  return std::max(xa, xb) + reach >= 0 && std::min(xa, xb) - reach < w && std::max(ya, yb) + reach >= 0 &&
         std::min(ya, yb) - reach < h;
}

// The state the stretch's stepper and plots read, as the DRAW had it there.
void RestoreStart(TSimulation& sim, const TStretch& st) {
  TViewState& v = sim.View;
  v.Pen = st.Pen;
  v.CutPenColor = st.CutColor;
  v.CutPenThin = st.CutThin;
  v.CutPenWidth = st.CutThin ? ThinPenWidth(v) : st.CutWidth;
  v.LastPlotZ = st.LastPlotZ;
  TCanvas& c = sim.Canvas;
  c.SetPenColor(st.Color);
  c.SetPenMode(st.Mode);
  c.SetPenWidth(PenPixels(sim, st.Pen.Thin ? ThinPenWidth(v) : st.Pen.Width));
  // Where the pen already stands with this ink, its disc is painted: the DRAW's was too.
  const bool onlyMoved =
      st.Pen.ByStraight && PenPixels(sim, st.Pen.StraightThin ? ThinPenWidth(v) : st.Pen.StraightWidth) == 0;
  const double x = onlyMoved ? RoundHalfEven(st.Pen.X) : st.Pen.X, y = onlyMoved ? RoundHalfEven(st.Pen.Y) : st.Pen.Y;
  c.MoveTo(CanvasXOf(v, x), CanvasYOf(v, c.Height(), y));
  TInterpreterState& s = sim.Core;
  TAxis* const axes[3] = {&s.AxisX, &s.AxisY, &s.AxisZ};
  for (int a = 0; a < 3; ++a) {
    axes[a]->Pos = st.Pos[a];
    axes[a]->Target = st.Target[a];
  }
  s.AxisX.Start = st.CentreX;
  s.AxisY.Start = st.CentreY;
  s.WorkRadius = st.Radius;
  s.ArcClockwise = st.Clockwise;
  s.LogEnabled = st.LogEnabled;
  sim.Trace.Recording = st.Traced && sim.Trace.Enabled;
  sim.Trace.CurrentLine = st.Line;
  StartGuardedStretch(sim, st.Cut ? st.Steps : UINT64_MAX);
}

void ReplayStretch(TSimulation& sim, const TStretch& st) {
  if (st.Kind == TStretchKind::PassAgain) return;  // laid over by the caller
  RestoreStart(sim, st);  // the axes take their colour and width, but the pen's mode
  switch (st.Kind) {
    case TStretchKind::Line: LineStepper(sim); break;
    case TStretchKind::Arc: ArcStepper(sim); break;
    case TStretchKind::Straight: DrawStraight(sim, st.Target[0], st.Target[1]); break;
    default: DrawAxes(sim); break;
  }
}

uint64_t WorkOf(const TStretch& st) { return st.Steps + kStretchWork; }

// A run of stretches drawn on one canvas, or the pass before the run laid over again.
struct TPiece {
  size_t From = 0, To = 0;  // into the list of stretches to draw
  bool Again = false;
  bool PassBefore = false;  // of the pass before the run, which an Again lays again
  bool Traced = false;
  std::unique_ptr<TReplaySim> Own;  // a canvas of its own, when the pieces are shared out
  TCanvasLayer Layer;               // what it painted, when it is laid over later
};

// The stretches to draw cut into pieces: at the edges of the pass before the run, around
// every Again, and, when the work is shared, where a piece has its share.
std::vector<TPiece> CutIntoPieces(const TDrawRecord& record, const std::vector<uint32_t>& draw, uint64_t share) {
  std::vector<TPiece> pieces;
  uint64_t work = 0;
  const auto passBefore = [&](uint32_t i) { return i >= record.PassBeforeBegin && i < record.PassBeforeEnd; };
  for (size_t k = 0; k < draw.size(); ++k) {
    const TStretch& st = record.Stretches[draw[k]];
    const bool again = st.Kind == TStretchKind::PassAgain;
    const bool before = passBefore(draw[k]);
    if (pieces.empty() || again || pieces.back().Again || pieces.back().PassBefore != before || work >= share) {
      pieces.push_back({});
      pieces.back().From = k;
      pieces.back().Again = again;
      pieces.back().PassBefore = before;
      work = 0;
    }
    TPiece& p = pieces.back();
    p.To = k + 1;
    p.Traced |= st.Traced;
    work += WorkOf(st);
  }
  return pieces;
}

void DrawPiece(TSimulation& sim, TPiece& p, const TDrawRecord& record, const std::vector<uint32_t>& draw,
               const std::atomic<bool>& cancel, bool layered) {
  if (layered) sim.Canvas.StartLayer(p.Layer);
  for (size_t k = p.From; k < p.To && !cancel.load(std::memory_order_relaxed); ++k)
    ReplayStretch(sim, record.Stretches[draw[k]]);
  if (layered) sim.Canvas.FinishLayer();
}

void LayPassAgain(TCanvas& canvas, const std::vector<TPiece>& pieces) {
  for (const TPiece& before : pieces)
    if (before.PassBefore) canvas.LayOver(before.Layer);
}

// A later piece's picking marks over the earlier ones, as later plots write over them.
void LayOverTrace(TBlockTrace& to, const TBlockTrace& from) {
  if (from.Pixels.size() != to.Pixels.size()) return;
  for (size_t i = 0; i < to.Pixels.size(); ++i)
    if (from.Pixels[i] != 0) to.Pixels[i] = from.Pixels[i];
}

}  // namespace

// Below TReplaySharing::From steps of work a second core does not pay for the pieces'
// layers.
TRedrawResult ReplayView(const TRedrawRequest& request, const std::atomic<bool>& cancel,
                         const TReplaySharing& sharing) {
  const TDrawRecord& record = *request.Record;
  TReplaySim first(request, cancel, true);
  TSimulation& sim = *first.Sim;
  ClearCanvas(sim);
  std::vector<uint32_t> draw;
  uint64_t work = 0;
  bool again = false;
  for (uint32_t i = 0; i < record.Stretches.size(); ++i) {
    const TStretch& st = record.Stretches[i];
    const bool always = st.Kind == TStretchKind::Axes || st.Kind == TStretchKind::PassAgain;
    if (!always && !Meets(sim, st)) continue;
    draw.push_back(i);
    work += WorkOf(st);
    again |= st.Kind == TStretchKind::PassAgain;
  }
  const unsigned cores = std::max(1u, sharing.Cores > 0 ? sharing.Cores : std::thread::hardware_concurrency());
  const bool shared = cores > 1 && work >= sharing.From;
  std::vector<TPiece> pieces = CutIntoPieces(record, draw, shared ? work / (kPiecesPerCore * cores) + 1 : UINT64_MAX);
  if (!shared) {
    // In turn on the picture, noting the pass before the run where it is laid again.
    for (TPiece& p : pieces) {
      if (p.Again) LayPassAgain(sim.Canvas, pieces);
      else DrawPiece(sim, p, record, draw, cancel, p.PassBefore && again);
    }
  } else {
    // The first piece on the picture, the others on canvases of their own, side by side;
    // then laid over the picture in their order.
    std::atomic<size_t> next{0};
    const auto drawPieces = [&] {
      for (size_t k; (k = next.fetch_add(1)) < pieces.size();) {
        TPiece& p = pieces[k];
        if (p.Again) continue;
        if (k == 0) {
          DrawPiece(sim, p, record, draw, cancel, p.PassBefore && again);
          continue;
        }
        p.Own = std::make_unique<TReplaySim>(request, cancel, p.Traced);
        DrawPiece(*p.Own->Sim, p, record, draw, cancel, true);
      }
    };
    {
      std::vector<std::jthread> helpers;
      for (size_t t = 1; t < std::min<size_t>(cores, pieces.size()); ++t) helpers.emplace_back(drawPieces);
      drawPieces();
    }
    for (size_t k = 1; k < pieces.size(); ++k) {
      const TPiece& p = pieces[k];
      if (p.Again) {
        LayPassAgain(sim.Canvas, pieces);
        continue;
      }
      sim.Canvas.LayOver(p.Layer);
      if (p.Traced) LayOverTrace(sim.Trace, p.Own->Sim->Trace);
    }
  }
  TRedrawResult r;
  r.Complete = !cancel.load();
  r.Picture = sim.Canvas.Image().copy();
  r.View = request.View;
  r.Picks = std::move(sim.Trace);
  return r;
}

}  // namespace marloq
