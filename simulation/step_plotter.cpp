// Step plotter: a plot changes nothing while the position stays in the same canvas
// pixel and the same shown millimetres with the same Z; those ranges are found once
// per plot made, from the transform's inverse, checked against the transform itself.
#include "simulation/step_plotter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/fmath_batch.h"
#include "simulation/drawing.h"

#include <immintrin.h>

namespace marloq {

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();

int32_t Clamp(Extended v) {
  if (!(v > kMin)) return kMin;  // NaN too: any start will do, it is only a guess
  return v < kMax ? static_cast<int32_t>(v) : kMax;
}

// The last position from `at` towards dir (+1 or -1) where f still gives f(at); f is
// monotone. guess is where the change is expected: checked there first, which is all
// it takes almost always; otherwise a doubling search from the guess, back towards
// `at` when the guess lies past the change, and a bisection.
template <typename F>
int32_t LastEqual(const F& f, int32_t at, int dir, int32_t guess) {
  const auto value = f(at);
  const auto equal = [&](int64_t p) { return f(static_cast<int32_t>(p)) == value; };
  const int64_t limit = dir > 0 ? kMax : kMin;
  int64_t last = at, bad = 0;  // last gives value; bad, once found, does not
  const int64_t g = (int64_t(guess) - at) * dir > 0 ? guess : at;
  if (equal(g)) {
    last = g;
    for (int64_t step = 1;; step *= 2) {  // outwards from the guess
      if (last == limit) return static_cast<int32_t>(last);
      const int64_t next = dir > 0 ? std::min(limit, last + step) : std::max(limit, last - step);
      if (!equal(next)) {
        bad = next;
        break;
      }
      last = next;
    }
  } else {
    bad = g;
    for (int64_t step = 1;; step *= 2) {  // back from the guess towards at, which gives value
      const int64_t next = dir > 0 ? std::max<int64_t>(at, bad - step) : std::min<int64_t>(at, bad + step);
      if (equal(next)) {
        last = next;
        break;
      }
      bad = next;
    }
  }
  while ((bad - last) * dir > 1) {
    const int64_t mid = last + (bad - last) / 2;
    (equal(mid) ? last : bad) = mid;
  }
  return static_cast<int32_t>(last);
}

constexpr int64_t kUnknownEdge = INT64_MIN;

// The first position p whose Round((p - offset) * scale) is at least k, for a positive
// scale (where that grows with p); INT32_MAX + 1 when there is none.
int64_t FirstAtLeast(Extended offset, float scale, int64_t k) {
  int64_t lo = kMin, hi = int64_t(kMax) + 1;  // the answer lies in [lo, hi]
  while (lo < hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (RoundHalfEven((mid - offset) * scale) >= k) hi = mid;
    else lo = mid + 1;
  }
  return lo;
}

// Columns and rows a re-draw keeps tables for beyond each side of its canvas, in
// canvas sizes: a zoom of up to this much needs no search; further out it searches.
constexpr int64_t kSidesAround = 8;

void UpdatePixelEdges(TViewState& v, int width, int height, bool around) {
  TPixelEdges& e = v.PixelEdges;
  if (e.ViewScale == v.ViewScale && e.ViewOffsetX == v.ViewOffsetX && e.ViewOffsetY == v.ViewOffsetY &&
      e.Width == width && e.Height == height && e.Around == around)
    return;
  e = {v.ViewScale, v.ViewOffsetX, v.ViewOffsetY, width, height, around, 0, 0, {}, {}};
  if (!(v.ViewScale > 0) || !std::isfinite(v.ViewScale)) return;  // no edges: the search finds ranges
  const int64_t spareX = around ? kSidesAround * width : 0, spareY = around ? kSidesAround * height : 0;
  e.FirstColumn = -spareX;
  e.FirstRow = -spareY;
  e.Columns.assign(static_cast<size_t>(width + 2 * spareX) + 1, kUnknownEdge);
  e.Rows.assign(static_cast<size_t>(height + 2 * spareY) + 2, kUnknownEdge);
}

// Edge of column (row) first + i of a table, worked out the first time it is asked for.
int64_t Edge(std::vector<int64_t>& edges, int64_t first, size_t i, Extended offset, float scale) {
  if (edges[i] == kUnknownEdge) edges[i] = FirstAtLeast(offset, scale, first + static_cast<int64_t>(i));
  return edges[i];
}

// The world positions whose canvas coordinate is c lie between these, for scale s.
Extended CellEdge(Extended offset, Extended c, float scale) { return offset + c / scale; }

}  // namespace

// [from, to), within 32 bits; the position it is made for lies in it.
TStepPlotter::TRange TStepPlotter::Between(int64_t from, int64_t to) {
  from = std::max<int64_t>(from, kMin);
  to = std::min<int64_t>(to, int64_t(kMax) + 1);
  return TRange{static_cast<int32_t>(from), static_cast<uint32_t>(to - 1 - from)};
}

// Both contain the position they were made for, so they overlap.
TStepPlotter::TRange TStepPlotter::Intersect(const TRange& a, const TRange& b) {
  const int64_t from = std::max<int64_t>(a.Lo, b.Lo);
  const int64_t to = std::min<int64_t>(int64_t(a.Lo) + a.Span, int64_t(b.Lo) + b.Span);
  return TRange{static_cast<int32_t>(from), static_cast<uint32_t>(to - from)};
}

template <typename F>
TStepPlotter::TRange TStepPlotter::EqualRange(const F& f, int32_t at, Extended guessLo, Extended guessHi) {
  const int32_t lo = LastEqual(f, at, -1, Clamp(std::ceil(guessLo)));
  return {lo, static_cast<uint32_t>(LastEqual(f, at, +1, Clamp(std::floor(guessHi))) - int64_t(lo))};
}

// The positions shown as the same whole millimetres: halves go to the even one.
TStepPlotter::TRange TStepPlotter::MillimetreRange(int32_t at) {
  const int32_t m = WholeMillimetres(at);
  const TMillimetreSpan span = PositionsShownAs(m);
  if (span.Lo <= span.Hi) return TRange{span.Lo, static_cast<uint32_t>(span.Hi - span.Lo)};
  return EqualRange(WholeMillimetres, at, 100 * Extended(m) - 50, 100 * Extended(m) + 50);
}

TStepPlotter::TStepPlotter(TSimulation& sim) : sim_(sim) { ForceNextPlot(); }

bool TStepPlotter::FarFromLimits(const TInterpreterState& s, int64_t reach) {
  constexpr int64_t kFar = int64_t(1) << 30;
  const auto near = [](int32_t pos) { return pos < -kFar || pos > kFar; };
  return reach >= 0 && reach <= kFar && !near(s.AxisX.Pos) && !near(s.AxisY.Pos) && !near(s.AxisZ.Pos);
}

void TStepPlotter::Plot() {
  const TCanvas& c = sim_.Canvas;
  const TInterpreterState& s = sim_.Core;
  const int w = c.Width(), h = c.Height();
  if (known_ && pixelX_.Contains(s.AxisX.Pos) && pixelY_.Contains(s.AxisY.Pos) && z_.Contains(s.AxisZ.Pos)) {
    // The same pixel and Z, a new whole millimetre: the plot would only move the display on.
    ShowPosition(sim_, false);
    if (c.Width() != w || c.Height() != h) ForceNextPlot();
    else FindQuietRange();
    return;
  }
  const TColor color = c.PenColor();
  const int32_t width = c.PenWidth();
  const TPenMode mode = c.PenMode();
  const int32_t at[2] = {CanvasXOf(sim_.View, s.AxisX.Pos), CanvasYOf(sim_.View, h, s.AxisY.Pos)};
  PlotPositionAt(sim_, at[0], at[1]);
  // A new pen paints even where the pen stands; a resized canvas starts afresh.
  if (c.PenColor() != color || c.PenWidth() != width || c.PenMode() != mode || c.Width() != w || c.Height() != h)
    ForceNextPlot();
  else
    FindQuietRange(at);
}

void TStepPlotter::FindQuietRange(const int32_t* at) {
  const TInterpreterState& s = sim_.Core;
  const int height = sim_.Canvas.Height();
  UpdatePixelEdges(sim_.View, sim_.Canvas.Width(), height, !sim_.Hiding.Own);  // a window may resize at any plot
  const TViewState& v = sim_.View;
  const int32_t x = s.AxisX.Pos, y = s.AxisY.Pos;
  const auto canvasX = [&](int32_t p) { return CanvasXOf(v, p); };
  const auto canvasY = [&](int32_t p) { return CanvasYOf(v, height, p); };
  const Extended offX = v.ViewOffsetX, offY = v.ViewOffsetY;
  const float scale = v.ViewScale;
  constexpr TRange kEverything{INT32_MIN, UINT32_MAX};
  // The view whose canvas decides which plots are hidden: this one, or a DRAW's.
  THidingView& h = sim_.Hiding;
  const TViewFrame hiding = h.Own ? v.Frame() : h.Frame;
  const int hidingHeight = h.Own ? height : h.Height;
  const auto hiddenX = [&](int32_t p) { return CanvasXOf(hiding, p) < 0; };
  const auto hiddenY = [&](int32_t p) { return CanvasYOf(hiding, hidingHeight, p) < 0; };
  // The positions on x's (y's) side of the hiding edge; a re-draw's edges are worked
  // out once, as the scale is positive there (any other takes the search).
  const bool hidingEdges = !h.Own && h.Frame.ViewScale > 0 && std::isfinite(h.Frame.ViewScale);
  if (hidingEdges && !h.EdgesKnown) {
    h.FirstShownX = FirstAtLeast(h.Frame.ViewOffsetX, h.Frame.ViewScale, 0);
    h.FirstHiddenY = FirstAtLeast(h.Frame.ViewOffsetY, h.Frame.ViewScale, int64_t(h.Height) + 1);
    h.EdgesKnown = true;
  }
  const auto side = [](int32_t p, int64_t edge) {  // [kMin, edge) or [edge, kMax]
    return p < edge ? TRange{kMin, static_cast<uint32_t>(edge - 1 - kMin)}
                    : TRange{static_cast<int32_t>(edge), static_cast<uint32_t>(kMax - edge)};
  };
  const auto hiddenXRange = [&] {
    if (hidingEdges) return side(x, h.FirstShownX);
    const Extended edge = CellEdge(hiding.ViewOffsetX, -0.5L, hiding.ViewScale);
    return hiddenX(x) ? EqualRange(hiddenX, x, kMin, edge) : EqualRange(hiddenX, x, edge, kMax);
  };
  const auto hiddenYRange = [&] {
    if (hidingEdges) return side(y, h.FirstHiddenY);
    const Extended edge = CellEdge(hiding.ViewOffsetY, hidingHeight + 0.5L, hiding.ViewScale);
    return hiddenY(y) ? EqualRange(hiddenY, y, edge, kMax) : EqualRange(hiddenY, y, kMin, edge);
  };
  if (!(known_ && pixelX_.Contains(x) && pixelY_.Contains(y))) {
    const int32_t cx = at ? at[0] : canvasX(x), cy = at ? at[1] : canvasY(y);
    const bool hidesX = h.Own ? cx < 0 : hiddenX(x);
    if (hidesX || (h.Own ? cy < 0 : hiddenY(y))) {
      // Left of or above the canvas a plot draws nothing and leaves the pen alone,
      // wherever the other axes are.
      known_ = false;
      x_ = y_ = z_ = kEverything;
      if (hidesX) x_ = hiddenXRange();
      else y_ = hiddenYRange();
      return;
    }
    TPixelEdges& table = sim_.View.PixelEdges;
    // The positions drawn in a cell (a column, or a row counted up from the bottom edge):
    // from the table where it has the cell, else by a search.
    const auto cellRange = [&](std::vector<int64_t>& edges, int64_t first, int64_t cell, Extended offset,
                               const auto& canvasOf, int32_t at) {
      const int64_t i = cell - first;
      if (i < 0 || i + 1 >= int64_t(edges.size()))
        return EqualRange(canvasOf, at, CellEdge(offset, cell - 0.5L, scale), CellEdge(offset, cell + 0.5L, scale));
      const size_t k = static_cast<size_t>(i);
      return Between(Edge(edges, first, k, offset, scale), Edge(edges, first, k + 1, offset, scale));
    };
    // A re-draw plots around its canvas too, where its DRAW showed what it does not.
    if (!known_ || !pixelX_.Contains(x)) pixelX_ = cellRange(table.Columns, table.FirstColumn, cx, offX, canvasX, x);
    if (!known_ || !pixelY_.Contains(y))
      pixelY_ = cellRange(table.Rows, table.FirstRow, int64_t(height) - cy, offY, canvasY, y);
    if (!h.Own) {  // a pixel of this view may reach into what the DRAW's hides
      pixelX_ = Intersect(pixelX_, hiddenXRange());
      pixelY_ = Intersect(pixelY_, hiddenYRange());
    }
  }
  // Only a display that follows the plots, on a host that shows it between waits,
  // makes a new millimetre a change. Without frames the position a millimetre shows is
  // overwritten at the end of its block, before anyone can read it.
  const bool shown = !s.Quiet && (s.LogEnabled || s.NoPause) && sim_.Host->HasFrames();
  if (!known_ || !mmX_.Contains(x)) mmX_ = shown ? MillimetreRange(x) : kEverything;
  if (!known_ || !mmY_.Contains(y)) mmY_ = shown ? MillimetreRange(y) : kEverything;
  known_ = true;
  x_ = Intersect(pixelX_, mmX_);
  y_ = Intersect(pixelY_, mmY_);
  const int32_t z = s.AxisZ.Pos;
  z_ = Intersect(QuietZSide(), shown ? MillimetreRange(z) : kEverything);
  movesOnly_ = false;
  if (shown || sim_.Record) return;  // every plot counts: its millimetres, or its place
  // A canvas all of the pen's ink takes no more of it until the pen changes, which takes
  // a plot at a new Z: till then a plot only moves the pen, and only where it stands when
  // the element ends counts. Where plots are traced, each one counts.
  if (!sim_.Trace.Recording && sim_.Canvas.AllInk()) {
    movesOnly_ = true;
    x_ = hiddenXRange();  // the side of the hiding edges the pen is on
    y_ = hiddenYRange();
    return;
  }
  // Beyond the canvas by more than the pen reaches a plot paints nothing, nor does the
  // line to the next one beyond the same side: till the position comes back, plots
  // only move the pen (and mark no pixel of the canvas).
  if (!(scale > 0) || !std::isfinite(scale)) return;
  TPixelEdges& e = sim_.View.PixelEdges;
  const int32_t reach = sim_.Canvas.DiscReach();
  if (e.Reach != reach) {
    const int64_t w = sim_.Canvas.Width();
    e.Reach = reach;
    e.Right = FirstAtLeast(offX, scale, w + reach);  // canvas x from W + reach on
    e.Left = FirstAtLeast(offX, scale, -reach);      // below: canvas x below -reach
    e.Bottom = FirstAtLeast(offY, scale, 1 - reach);  // below: canvas y from H + reach on
    e.Top = FirstAtLeast(offY, scale, int64_t(height) + reach + 1);  // canvas y below -reach
  }
  const auto from = [](int64_t edge) { return Between(edge, int64_t(kMax) + 1); };
  const auto below = [](int64_t edge) { return Between(kMin, edge); };
  if (x >= e.Right) x_ = Intersect(hiddenXRange(), from(e.Right));
  else if (x < e.Left) x_ = Intersect(hiddenXRange(), below(e.Left));
  else if (y < e.Bottom) y_ = Intersect(hiddenYRange(), below(e.Bottom));
  else if (y >= e.Top) y_ = Intersect(hiddenYRange(), from(e.Top));
  else return;
  movesOnly_ = true;
  if (x >= e.Right || x < e.Left) y_ = hiddenYRange();
  else x_ = hiddenXRange();
}

// A plot at a new Z sets the pen of Z's side of 0 and notes the Z. While the pen already
// is that side's, a new Z on the same side changes nothing that a later plot, or the
// one that ends the element, would not set the same.
TStepPlotter::TRange TStepPlotter::QuietZSide() const {
  const int32_t z = sim_.Core.AxisZ.Pos;
  if (!PlotKeepsPen(sim_, z)) return TRange{z, 0};
  return z <= 0 ? TRange{INT32_MIN, static_cast<uint32_t>(INT32_MAX) + 1} : TRange{1, static_cast<uint32_t>(INT32_MAX) - 1};
}

// The inclusive running sums of sixteen lanes.
[[gnu::target("avx512f"), gnu::always_inline]] inline __m512i RunningSums(__m512i v) {
  const __m512i zero = _mm512_setzero_si512();
  v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 15));
  v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 14));
  v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 12));
  return _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 8));
}

// Planar passes sixteen at a time in AVX-512: how many from xs, ys (after lastX,
// lastY) pass quietly, moving x and y and counting steps, before one that must be
// plotted or trips the guard. Positions stay inside [lo, lo + span] per axis, the Z
// check is done by the caller; plots are due from `filling` steps on.
[[gnu::target("avx512f")]] int QuietArcPasses(const int32_t* xs, const int32_t* ys, int n, int32_t lastX,
                                               int32_t lastY, int32_t& x, int32_t& y, uint64_t& steps,
                                               uint64_t& diagonal, int32_t xLo, uint32_t xSpan, int32_t yLo,
                                               uint32_t ySpan, uint64_t filling, uint64_t room) {
  const __m512i one = _mm512_set1_epi32(1), minusOne = _mm512_set1_epi32(-1);
  int taken = 0;
  while (n - taken >= 16) {
    const __m512i cx = _mm512_loadu_si512(xs + taken), cy = _mm512_loadu_si512(ys + taken);
    const __m512i px = _mm512_alignr_epi32(cx, _mm512_set1_epi32(lastX), 15);
    const __m512i py = _mm512_alignr_epi32(cy, _mm512_set1_epi32(lastY), 15);
    const __m512i dx = _mm512_min_epi32(_mm512_max_epi32(_mm512_sub_epi32(cx, px), minusOne), one);
    const __m512i dy = _mm512_min_epi32(_mm512_max_epi32(_mm512_sub_epi32(cy, py), minusOne), one);
    const __mmask16 moved = _mm512_test_epi32_mask(_mm512_or_si512(dx, dy), _mm512_or_si512(dx, dy));
    const __mmask16 both = _mm512_test_epi32_mask(dx, dx) & _mm512_test_epi32_mask(dy, dy);
    const __m512i xAt = _mm512_add_epi32(_mm512_set1_epi32(x), RunningSums(dx));
    const __m512i yAt = _mm512_add_epi32(_mm512_set1_epi32(y), RunningSums(dy));
    const __m512i stepsAt = RunningSums(_mm512_maskz_mov_epi32(moved, one));  // steps after each pass
    // Both thresholds as small numbers of steps from here: at most 17 matter.
    const int32_t toTrip = static_cast<int32_t>(std::min<uint64_t>(room - std::min(room, steps), 17));
    const int32_t toFill = static_cast<int32_t>(filling > steps ? std::min<uint64_t>(filling - steps, 17) : 0);
    const __mmask16 outside =
        _mm512_cmpgt_epu32_mask(_mm512_sub_epi32(xAt, _mm512_set1_epi32(xLo)), _mm512_set1_epi32(static_cast<int32_t>(xSpan))) |
        _mm512_cmpgt_epu32_mask(_mm512_sub_epi32(yAt, _mm512_set1_epi32(yLo)), _mm512_set1_epi32(static_cast<int32_t>(ySpan)));
    const __mmask16 tripped = _mm512_cmpgt_epi32_mask(stepsAt, _mm512_set1_epi32(toTrip));
    const __mmask16 filled = _mm512_cmpge_epi32_mask(stepsAt, _mm512_set1_epi32(toFill));
    const unsigned need = moved & ((outside & filled) | tripped);
    const int quiet = need == 0 ? 16 : __builtin_ctz(need);
    if (quiet == 0) break;
    const unsigned mask = quiet == 16 ? 0xFFFFu : (1u << quiet) - 1;
    alignas(64) int32_t xv[16], yv[16];
    _mm512_store_si512(xv, xAt);
    _mm512_store_si512(yv, yAt);
    x = xv[quiet - 1];
    y = yv[quiet - 1];
    steps += static_cast<uint64_t>(__builtin_popcount(moved & mask));
    diagonal += static_cast<uint64_t>(__builtin_popcount(both & mask));
    taken += quiet;
    lastX = xs[taken - 1];
    lastY = ys[taken - 1];
    if (quiet < 16) break;
  }
  return taken;
}

// Planar passes four at a time in SSE2, where AVX-512 is missing: how many from xs, ys
// (after lastX, lastY) step each axis at most once and keep the position inside the
// quiet range, whose bounds come as offsets from the centre (lo, lo + span): then the
// position is the centre plus the offset. Counts their steps; the caller keeps them
// short of the guard.
namespace {
int QuietUnitPasses(const int32_t* xs, const int32_t* ys, int n, int32_t lastX, int32_t lastY, uint32_t xLo,
                    uint32_t xSpan, uint32_t yLo, uint32_t ySpan, uint64_t& steps, uint64_t& diagonal) {
  // Unsigned comparisons as signed ones of the values with the top bit flipped.
  const __m128i flip = _mm_set1_epi32(INT32_MIN), zero = _mm_setzero_si128();
  const __m128i unitLimit = _mm_set1_epi32(2 ^ INT32_MIN);
  const __m128i xLimit = _mm_set1_epi32(static_cast<int32_t>(xSpan ^ 0x80000000u));
  const __m128i yLimit = _mm_set1_epi32(static_cast<int32_t>(ySpan ^ 0x80000000u));
  const __m128i xFrom = _mm_set1_epi32(static_cast<int32_t>(xLo)), yFrom = _mm_set1_epi32(static_cast<int32_t>(yLo));
  const __m128i one = _mm_set1_epi32(1);
  __m128i moved = zero, both = zero;
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i cx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(xs + i));
    const __m128i cy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ys + i));
    const __m128i px = i == 0 ? _mm_setr_epi32(lastX, xs[0], xs[1], xs[2])
                              : _mm_loadu_si128(reinterpret_cast<const __m128i*>(xs + i - 1));
    const __m128i py = i == 0 ? _mm_setr_epi32(lastY, ys[0], ys[1], ys[2])
                              : _mm_loadu_si128(reinterpret_cast<const __m128i*>(ys + i - 1));
    const __m128i dx = _mm_sub_epi32(cx, px), dy = _mm_sub_epi32(cy, py);
    const auto above = [&](__m128i v, __m128i limit) { return _mm_cmpgt_epi32(_mm_xor_si128(v, flip), limit); };
    const __m128i stop = _mm_or_si128(
        _mm_or_si128(above(_mm_add_epi32(dx, one), unitLimit), above(_mm_add_epi32(dy, one), unitLimit)),
        _mm_or_si128(above(_mm_sub_epi32(cx, xFrom), xLimit), above(_mm_sub_epi32(cy, yFrom), yLimit)));
    if (_mm_movemask_epi8(stop) != 0) break;
    const __m128i stillX = _mm_cmpeq_epi32(dx, zero), stillY = _mm_cmpeq_epi32(dy, zero);
    moved = _mm_sub_epi32(moved, _mm_andnot_si128(_mm_and_si128(stillX, stillY), _mm_set1_epi32(-1)));
    both = _mm_sub_epi32(both, _mm_andnot_si128(_mm_or_si128(stillX, stillY), _mm_set1_epi32(-1)));
  }
  alignas(16) uint32_t m[4], b[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(m), moved);
  _mm_store_si128(reinterpret_cast<__m128i*>(b), both);
  steps += uint64_t(m[0]) + m[1] + m[2] + m[3];
  diagonal += uint64_t(b[0]) + b[1] + b[2] + b[3];
  return i;
}
}  // namespace

// Emit for planar steps, with the positions and counts in registers, and no branch
// but the one to a plot (or the guard), which is rare.
int TStepPlotter::EmitArcPasses(const int32_t* xs, const int32_t* ys, int n, int32_t& accX, int32_t& accY) {
  TInterpreterState& s = sim_.Core;
  TRunGuard& guard = sim_.Guard;
  int32_t x = s.AxisX.Pos, y = s.AxisY.Pos, lastX = accX, lastY = accY;
  uint64_t steps = 0, diagonal = 0;
  const uint64_t stepsBefore = guard.Steps, emittedBefore = emitted_;
  uint64_t room = guard.NextStepCheck - 1 - stepsBefore;  // steps before the guard looks
  const uint64_t filling = emittedBefore >= kStepRingSize ? 0 : kStepRingSize - emittedBefore;
  const auto store = [&] {
    s.AxisX.Pos = x;
    s.AxisY.Pos = y;
    guard.Steps = stepsBefore + steps;
    emitted_ = emittedBefore + steps;
  };
  const bool zQuiet = z_.Contains(s.AxisZ.Pos), vectors = BestVectors() == TVectors::Avx512 && zQuiet;
  int i = 0;
  while (i < n) {
    if (zQuiet && !vectors) {
      // Each pass steps at most once: as many as the guard has room for are short of it.
      const int most = static_cast<int>(std::min<uint64_t>(room - std::min(room, steps), n - i));
      const int quiet = QuietUnitPasses(xs + i, ys + i, most, lastX, lastY,
                                        uint32_t(x_.Lo) - uint32_t(x) + uint32_t(lastX), x_.Span,
                                        uint32_t(y_.Lo) - uint32_t(y) + uint32_t(lastY), y_.Span, steps, diagonal);
      if (quiet > 0) {
        i += quiet;
        x += xs[i - 1] - lastX;
        y += ys[i - 1] - lastY;
        lastX = xs[i - 1];
        lastY = ys[i - 1];
        if (i >= n) break;
      }
    }
    if (vectors) {
      const int quiet = QuietArcPasses(xs + i, ys + i, n - i, lastX, lastY, x, y, steps, diagonal, x_.Lo, x_.Span,
                                       y_.Lo, y_.Span, filling, room);
      if (quiet > 0) {
        i += quiet;
        lastX = xs[i - 1];
        lastY = ys[i - 1];
        if (i >= n) break;
      }
    }
    // One step towards the new offset, however far it lies (as with a huge radius).
    const int32_t dx = (xs[i] > lastX) - (xs[i] < lastX), dy = (ys[i] > lastY) - (ys[i] < lastY);
    lastX = xs[i];
    lastY = ys[i++];
    x += dx;
    y += dy;
    const bool moved = (dx | dy) != 0;
    steps += moved;
    diagonal += (dx != 0) & (dy != 0);
    const bool outside = !x_.Contains(x) | !y_.Contains(y) | !z_.Contains(s.AxisZ.Pos);
    const bool plot = outside & (steps >= filling), check = steps > room;
    if (!(moved & (plot | check))) continue;
    store();
    if (check) {  // before the plot, as Emit looks
      StepCheckpoint(sim_);
      room = guard.NextStepCheck - 1 - stepsBefore;
    }
    if (plot) {
      if (known_ && steps > filling) NoteShown(x - dx, y - dy);  // as Emit does
      Plot();
    }
    if (s.StopRequest) break;
  }
  store();
  kinds_.Axes[2] += diagonal;
  kinds_.Axes[1] += steps - diagonal;
  accX = lastX;
  accY = lastY;
  return i;
}

int64_t TStepPlotter::Room(int axis, int dir) const {
  if (emitted_ < kStepRingSize) return 0;
  const TInterpreterState& s = sim_.Core;
  const TAxis* const axes[3] = {&s.AxisX, &s.AxisY, &s.AxisZ};
  const TRange* const ranges[3] = {&x_, &y_, &z_};
  const TRange& r = *ranges[axis];
  const int32_t pos = axes[axis]->Pos;
  if (!r.Contains(pos)) return 0;
  return dir > 0 ? int64_t(r.Lo) + r.Span - pos : int64_t(pos) - r.Lo;
}

void TStepPlotter::EmitQuiet(uint64_t steps, const int64_t (&moves)[3], const TStepCounts& kinds) {
  TInterpreterState& s = sim_.Core;
  s.AxisX.Pos = static_cast<int32_t>(s.AxisX.Pos + moves[0]);
  s.AxisY.Pos = static_cast<int32_t>(s.AxisY.Pos + moves[1]);
  s.AxisZ.Pos = static_cast<int32_t>(s.AxisZ.Pos + moves[2]);
  for (int axes = 0; axes < 4; ++axes) kinds_.Axes[axes] += kinds.Axes[axes];
  sim_.Guard.Steps += steps;
  emitted_ += steps;
}

void TStepPlotter::CatchUpPen(int32_t x, int32_t y) {
  sim_.Canvas.LineTo(CanvasXOf(sim_.View, x), CanvasYOf(sim_.View, sim_.Canvas.Height(), y));
}

void TStepPlotter::Flush() {
  // The held steps plot at the same position: the first may change the pen, and then
  // the second paints with the new one; after that nothing changes.
  const uint64_t held = std::min<uint64_t>(emitted_, kStepRingSize - 1);
  for (uint64_t i = 0; i < held && Outside(); ++i) Plot();
  // Those plots note the last Z plotted, which a new Z on the same side left for them,
  // and stand where the pixel of the last plot made stood for.
  if (held > 0 && known_) {
    sim_.View.LastPlotZ = sim_.Core.AxisZ.Pos;
    NoteShown(sim_.Core.AxisX.Pos, sim_.Core.AxisY.Pos);
  }
  movesOnly_ = false;
  // The delay line ends empty where stepping it one by one would have left it.
  TInterpreterState& s = sim_.Core;
  s.StepRingIn = s.StepRingOut = static_cast<int32_t>((s.StepRingIn + emitted_) % kStepRingSize);
  s.StepRingFill = 0;
  if (emitted_ == 0) return;
  TViewState& v = sim_.View;
  const bool cutting = StepsCut(s);
  if (cutting && s.BlockFeed != v.Time.Feed) ChangeCutFeed(v.Time, s.BlockFeed);
  for (int axes = 0; axes < 4; ++axes) {
    const uint64_t n = kinds_.Axes[axes];
    if (cutting) v.MillingSteps.Axes[axes] += n;
    (cutting ? v.Time.AtFeed : v.Time.Travel).Axes[axes] += n;
  }
  emitted_ = 0;
  kinds_ = TStepCounts{};
}

}  // namespace marloq
