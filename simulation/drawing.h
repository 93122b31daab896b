// Drawing: the world-to-canvas transform, the pens, the per-step plot that adds to the
// milling length, the position display and the mouse read-out.
#pragma once

#include <cstdint>
#include <string>

#include "core/fmath.h"
#include "simulation/simulation.h"

namespace marloq {

inline constexpr int32_t kTravelPenWidth = 1;  // world units: above Z = 0 the pen is thin

// canvas x = Round((X - ViewOffsetX) * ViewScale); ties to even.
template <typename TView>  // a TViewState or a TViewFrame
inline int32_t CanvasXOf(const TView& v, Extended worldX) {
  return RoundHalfEven((worldX - v.ViewOffsetX) * v.ViewScale);
}
// canvas y = H - Round((Y - ViewOffsetY) * ViewScale): world Y grows upwards.
template <typename TView>
inline int32_t CanvasYOf(const TView& v, int height, Extended worldY) {
  const int64_t y = int64_t(height) - RoundHalfEven((worldY - v.ViewOffsetY) * v.ViewScale);
  return static_cast<int32_t>(y < INT32_MIN ? INT32_MIN : (y > INT32_MAX ? INT32_MAX : y));
}

// One step from the delay line: CountStep, then PlotPosition.
void PlotStep(TSimulation& sim, uint8_t stepBits);
// Adds the step to the milling length (when it cuts) and to the machining time.
void CountStep(TSimulation& sim, uint8_t stepBits);
// Draws to the axes' position, follows the position display, and changes the pen
// when Z has changed.
void PlotPosition(TSimulation& sim);
// The same where the canvas point of the position is known already.
void PlotPositionAt(TSimulation& sim, int32_t cx, int32_t cy);
// Whether the steps of the move in progress cut, as the milling length counts them.
inline bool StepsCut(const TInterpreterState& s) { return !s.RapidMode && s.MoveClass <= kMovePlunge; }
// The position display: takes the axis positions when a whole millimetre changes (or
// force); the text reaches StaticText1 through ShowPendingPosition.
void ShowPosition(TSimulation& sim, bool force);
void ShowPendingPosition(TSimulation& sim);
// Round(pos / 100) of a position as the display rounds it (a float, halves to even).
int32_t WholeMillimetres(int32_t pos);
// The positions WholeMillimetres shows as mm, where it is a plain division (|mm| below
// 130,000); further out empty (Lo > Hi), for the caller to search.
TMillimetreSpan PositionsShownAs(int32_t mm);
void MovePenTo(TSimulation& sim, int32_t x, int32_t y);
// Width in world units, -1 keeps it; thin: the width is the view's thin width.
void SetPen(TSimulation& sim, TColor color, int32_t width, bool thin = false);
// One pixel of the view in world units, at least one: the passes' pen.
int32_t ThinPenWidth(const TViewState& v);
// A pen width in world units as the canvas' pixels.
int32_t PenPixels(const TSimulation& sim, int32_t width);
// Whether a plot at height z leaves the pen as it is: it already is the pen that z's
// side of 0 sets.
bool PlotKeepsPen(const TSimulation& sim, int32_t z);
void ClearCanvas(TSimulation& sim);
TColor NextPassPen(TSimulation& sim);

// The world point under the canvas pixel (x, y), in millimetres.
struct TMousePosition {
  float X, Y;
};
TMousePosition MousePositionOf(const TViewFrame& v, int canvasHeight, int x, int y);
// StaticText1 while the mouse is over the canvas pixel (x, y): millimetres.
std::string MouseReadout(const TViewFrame& v, int canvasHeight, int x, int y);

}  // namespace marloq
