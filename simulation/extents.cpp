// Tool-path extents: end points of lines, full circles of arcs (enlarged by the tool
// radius), the corners of cycle figures; then the scale that fits the box into 90 %
// of the canvas, and offsets that centre it.
#include "simulation/extents.h"

#include <cmath>

#include "core/block_codes.h"
#include "core/block_reader.h"
#include "core/cycle_helpers.h"
#include "core/fmath.h"
#include "core/subprograms.h"
#include "simulation/block_driver.h"
#include "simulation/log_line.h"
#include "simulation/tool_change.h"

namespace marloq {

namespace {

constexpr int32_t kEmptyBoxMin = 6553500;

struct TBox {
  int32_t MinX = kEmptyBoxMin, MinY = kEmptyBoxMin, MaxX = 0, MaxY = 0;
  // A value included is a 32-bit float like every named value: it is stored before it
  // is compared and rounded, so a sum just past a half may round as the half itself.
  void Include(float storedX, float storedY) {
    const Extended x = storedX, y = storedY;
    if (MinX > x) MinX = RoundHalfEven(x);
    if (!(MaxX >= x)) MaxX = RoundHalfEven(x);
    if (MinY > y) MinY = RoundHalfEven(y);
    if (!(MaxY >= y)) MaxY = RoundHalfEven(y);
  }
};

bool Representable(Extended v) { return std::isfinite(v) && v < 2147483647.5L && v > -2147483648.5L; }

// The full circle of an arc block, enlarged by the tool radius; false when the centre
// cannot be computed (chord longer than the diameter, or numbers out of range).
void IncludeArc(TInterpreterState& s, TBox& box, float toolRadius) {
  const float r = ReadRealWord(s, 'R');
  Extended cx, cy;
  float reach;
  if (r == 0) {
    const float i = ReadRealWord(s, 'I'), j = ReadRealWord(s, 'J');
    reach = static_cast<float>(Extended(FSqrt(static_cast<float>(Extended(i) * i + Extended(j) * j))) + toolRadius);
    cx = Extended(s.PrevBlock.X) + i;
    cy = Extended(s.PrevBlock.Y) + j;
  } else {
    reach = static_cast<float>(Extended(r) + toolRadius);
    const float dx = s.CurBlock.X - s.PrevBlock.X, dy = s.CurBlock.Y - s.PrevBlock.Y;
    const float chord = FSqrt(static_cast<float>(Extended(dx) * dx + Extended(dy) * dy));
    if (!(chord <= 2 * FAbs(r))) return;
    const float angle = static_cast<float>(
        Extended(FAngle(dx, dy)) + FArcCos(static_cast<float>(chord / (2 * Extended(r)))));
    cx = Extended(s.PrevBlock.X) + Extended(r) * FCos(angle);
    cy = Extended(s.PrevBlock.Y) + Extended(r) * FSin(angle);
  }
  if (!Representable(cx) || !Representable(cy) || !std::isfinite(reach)) return;
  const int32_t x = RoundHalfEven(cx), y = RoundHalfEven(cy);
  box.Include(Extended(x) - reach, y);
  box.Include(Extended(x) + reach, y);
  box.Include(x, Extended(y) - reach);
  box.Include(x, Extended(y) + reach);
}

void IncludeStrokes(TInterpreterState& s, TBox& box) {  // G83
  const float a = ReadRealWord(s, 'X'), b = ReadRealWord(s, 'Y');
  const Extended px = RoundHalfEven(s.PrevBlock.X), py = RoundHalfEven(s.PrevBlock.Y);
  ReadAngleWord(s);
  float theta = s.WorkAngle;
  const float lengths[4] = {a, b, a, b};
  for (int k = 0; k < 4; ++k) {
    if (k > 0) theta = static_cast<float>(Extended(theta) + kHalfPi);
    box.Include(px + Extended(lengths[k]) * FCos(theta), py + Extended(lengths[k]) * FSin(theta));
  }
}

void IncludePocketCircle(TInterpreterState& s, TBox& box) {  // G85
  const float r = ReadRealWord(s, 'R');
  const Extended cx = RoundHalfEven(s.PrevBlock.X), cy = RoundHalfEven(s.PrevBlock.Y);
  box.Include(cx - r, cy);
  box.Include(cx + r, cy);
  box.Include(cx, cy - r);
  box.Include(cx, cy + r);
}

void IncludePocketRectangle(TInterpreterState& s, TBox& box) {  // G86
  ReadAngleWord(s);
  const float theta = s.WorkAngle;
  const float a = ReadRealWord(s, 'X'), b = ReadRealWord(s, 'Y');
  const Extended px = RoundHalfEven(s.PrevBlock.X), py = RoundHalfEven(s.PrevBlock.Y);
  const float ux = static_cast<float>(Extended(a) / 2 * FCos(theta));
  const float uy = static_cast<float>(Extended(a) / 2 * FSin(theta));
  const float vx = static_cast<float>(-Extended(b) / 2 * FSin(theta));
  const float vy = static_cast<float>(Extended(b) / 2 * FCos(theta));
  box.Include(px - ux - vx, py - uy - vy);
  box.Include(px - ux + vx, py - uy + vy);
  box.Include(px + ux + vx, py + uy + vy);
  box.Include(px + ux - vx, py + uy - vy);
}

// Walks the program as the run would, without moving; returns the tool radius of the
// last M06 (1 world unit before any).
float ScanProgram(TSimulation& sim, TBox& box) {
  TInterpreterState& s = sim.Core;
  float toolRadius = 1.0f;
  StartGuardedPass(sim);
  while (!s.StopRequest && AdvanceGuarded(sim)) {
    switch (s.CurBlock.Code) {
      case kG0:
      case kG1: box.Include(s.CurBlock.X, s.CurBlock.Y); break;
      case kG54:
        SetPositionLookahead(sim);
        box.Include(s.CurBlock.X, s.CurBlock.Y);
        break;
      case kG2:
      case kG3: IncludeArc(s, box, toolRadius); break;
      case kG83: IncludeStrokes(s, box); break;
      case kG85: IncludePocketCircle(s, box); break;
      case kG86: IncludePocketRectangle(s, box); break;
      case kM2:
      case kM30: return toolRadius;
      case kM6:
        toolRadius = static_cast<float>(RoundHalfEven(Extended(ReadRealWord(s, 'D')) / 2));
        if (toolRadius == 0) toolRadius = static_cast<float>(RoundHalfEven(Extended(ReadRealWord(s, 'T')) / 2));
        break;
      default:
        if (CodeLetter(s.CurBlock.Code) == 'L' && CallSubprogram(s) == 0) return toolRadius;
        break;
    }
  }
  return toolRadius;
}

}  // namespace

TViewFrame FitView(const TPathBox& box, int w, int h) {
  TViewFrame f;
  const float sx = static_cast<float>((w - box.Margin) / (Extended(box.MaxX) - box.MinX + 1));
  const float sy = static_cast<float>((h - box.Margin) / (Extended(box.MaxY) - box.MinY + 1));
  f.ViewScale = static_cast<float>(0.9L * (sx < sy ? sx : sy));
  // A program without any path (or a box the canvas cannot hold) keeps the view as it
  // is before the first DRAW instead of a negative or vanishing scale.
  const bool usable = box.MaxX >= box.MinX && box.MaxY >= box.MinY && f.ViewScale > 0 &&
                      std::isfinite(f.ViewScale);
  if (!usable) return TViewFrame{};
  const int32_t hx = RoundHalfEven((Extended(box.MaxX) - box.MinX) * f.ViewScale) / 2;
  const int32_t hy = RoundHalfEven((Extended(box.MaxY) - box.MinY) * f.ViewScale) / 2;
  f.ViewOffsetX = static_cast<int32_t>(int64_t(box.MinX) - RoundHalfEven((w / 2 - hx) / Extended(f.ViewScale)));
  f.ViewOffsetY = static_cast<int32_t>(int64_t(box.MinY) - RoundHalfEven((h / 2 - hy) / Extended(f.ViewScale)));
  return f;
}

void ComputeExtents(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  TViewState& v = sim.View;
  ResetInterpreter(s);
  v.ViewScale = 1.0f;
  s.UnitScale = 100.0f;
  TBox box;
  const float toolRadius = ScanProgram(sim, box);
  AppendLog(sim, TLogLine().Text("Xmin:").Int(box.MinX, 6).Text(" Ymin:").Int(box.MinY, 6).View());
  AppendLog(sim, TLogLine().Text("Xmax:").Int(box.MaxX, 6).Text(" Ymax:").Int(box.MaxY, 6).View());
  v.Extents = {box.MinX, box.MinY, box.MaxX, box.MaxY, Extended(toolRadius) / s.UnitScale};
  v.SetFrame(FitView(v.Extents, sim.Canvas.Width(), sim.Canvas.Height()));
  AppendLog(sim, TLogLine().Text("OffSetX:").Int(v.ViewOffsetX).Text("\r\nOffSetY:")
                     .Int(v.ViewOffsetY).Text("\r\nScale  :").Real(v.ViewScale, 3, 6).View());
}

}  // namespace marloq
