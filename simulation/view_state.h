// View state and run-control flags of one simulation, and the colours of the drawing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulation/machining_time.h"

namespace marloq {

// Colours as the system writes them: 0x00BBGGRR, red in the low byte.
using TColor = uint32_t;
inline constexpr TColor kRed = 0x0000FF;
inline constexpr TColor kBlue = 0xFF0000;
inline constexpr TColor kBlack = 0x000000;
inline constexpr TColor kSilver = 0xC0C0C0;
inline constexpr TColor kWhite = 0xFFFFFF;
inline constexpr TColor kWindowColor = kWhite;  // the desktop's window background

// Where the canvas's columns and rows begin in world units, worked out once per view
// for the step plotter: Columns[i] is the first X drawn in column FirstColumn + i or
// right of it, Rows[i] the first Y drawn FirstRow + i rows or more above the bottom edge.
// A DRAW needs the canvas' own; a re-draw also plots around its canvas, where the DRAW
// showed what this view does not.
struct TPixelEdges {
  float ViewScale = 0;
  int32_t ViewOffsetX = 0, ViewOffsetY = 0;
  int Width = -1, Height = -1;
  bool Around = false;
  int64_t FirstColumn = 0, FirstRow = 0;
  std::vector<int64_t> Columns, Rows;
  // The positions beyond the canvas by more than a pen reaching Reach pixels: X from
  // Right on and below Left, Y below Bottom and from Top on (worked out for one reach).
  int32_t Reach = -1;
  int64_t Right = 0, Left = 0, Bottom = 0, Top = 0;
};

// Positions [Lo, Hi], in world units.
struct TMillimetreSpan {
  int32_t Lo, Hi;
};

// Which part of the world a canvas shows, and how large.
struct TViewFrame {
  float ViewScale = 1.0f;
  int32_t ViewOffsetX = 0, ViewOffsetY = 0;
  bool operator==(const TViewFrame&) const = default;
};

// The box of the path that the extents pass found, and the margin it leaves for the
// tool: enough to fit the drawing into a canvas of any size.
struct TPathBox {
  int32_t MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
  long double Margin = 0;  // canvas pixels: the tool radius over the unit scale
};

// Which steps a plot skips as left of or above the canvas is decided in a view and
// canvas height: a DRAW's own, or, in a re-draw for another view, the DRAW's, so that
// the re-draw shows the DRAW's own pen changes, magnified or moved.
struct THidingView {
  bool Own = true;  // the view drawn in, as a DRAW decides
  TViewFrame Frame;
  int Height = 0;
  // Worked out at the first plot: the first X shown and the first Y hidden above the
  // canvas, for a positive scale.
  bool EdgesKnown = false;
  int64_t FirstShownX = 0, FirstHiddenY = 0;
};

// The canvas pen in the world's terms, as the program set it: what a re-draw in another
// view needs to set the pen the same way there (its pixels follow from the view).
struct TWorldPen {
  int32_t Width = 1;    // world units, as SetPen set it
  bool Thin = false;    // instead the view's thin width: one pixel, at least one world unit
  double X = 0, Y = 0;  // the world point the canvas pen stands on
  // Gone there by a pass's straight line, with a pen of this width: in a view where that
  // pen has no pixels, the line only moved the pen, to the rounded point.
  bool ByStraight = false;
  int32_t StraightWidth = 0;
  bool StraightThin = false;
};

struct TViewState {
  float ViewScale = 1.0f;      // canvas pixels per world unit
  int32_t ViewOffsetX = 0;     // world X at canvas x = 0
  int32_t ViewOffsetY = 0;     // world Y at the canvas' bottom edge
  TPathBox Extents;            // as the last extents pass found it
  TViewFrame Frame() const { return {ViewScale, ViewOffsetX, ViewOffsetY}; }
  void SetFrame(const TViewFrame& f) {
    ViewScale = f.ViewScale;
    ViewOffsetX = f.ViewOffsetX;
    ViewOffsetY = f.ViewOffsetY;
  }
  TStepCounts MillingSteps;    // the steps cut in this run; MillingLength() is their length
  TMachiningTime Time;         // estimated from the same steps
  TColor CutPenColor = kRed;   // pen for steps at or below Z = 0
  int32_t CutPenWidth = 1;     // world units
  bool CutPenThin = false;     // CutPenWidth is the view's thin width (the passes' pen)
  TWorldPen Pen;
  int32_t LastPlotZ = 0;       // Z Pos at the last plotted step; never reset
  // A run started before the pass that leaves LastPlotZ has ended, from a foreseen one:
  // its first plot notes the Z it compared, to be checked against what the pass left.
  bool PlotZPending = false;
  int32_t FirstPendingPlotZ = 0;
  int32_t FirstCutX = 0, FirstCutY = 0, FirstCutZ = 0;  // Pos at the first red step
  bool FirstCutRecorded = false;
  int32_t ShownPosMm[3] = {0, 0, 0};  // whole millimetres last shown in StaticText1
  TMillimetreSpan ShownMm[3] = {{-50, 50}, {-50, 50}, {-50, 50}};  // the positions shown as those
  // The axis positions StaticText1 shows. Its text is made only when the host can show
  // it (a frame, a wait, the end of DRAW), not at every millimetre.
  int32_t ShownPos[3] = {0, 0, 0};
  bool ShownPosPending = false;
  TPixelEdges PixelEdges;
};

struct TRunControl {
  bool RunMode = true;          // true: continuous run; false: single step
  bool NextPosRequest = false;  // the user pressed "NextPos"
  bool StopPressed = false;     // the user pressed STOP during this DRAW
  bool ProgramModified = false;
  std::string ProgramFileName;  // full path; names the log
};

}  // namespace marloq
