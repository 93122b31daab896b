// Views of the drawing besides the one DRAW fits to the canvas: zoomed about a canvas
// point, panned by a drag, and kept when the canvas changes its size.
#pragma once

#include "simulation/view_state.h"

namespace marloq {

// How far a view zooms: out to a sixteenth of the fitted scale, in to 10 pixels per world
// unit (1 mm over 1000 pixels).
inline constexpr float kMaxViewScale = 10.0f;
inline constexpr float kMinZoomOfFit = 1.0f / 16;

// The world point under canvas pixel (x, y) stays under it at the new scale.
TViewFrame ZoomedView(const TViewFrame& f, int canvasHeight, int x, int y, float newScale);
// The drawing follows the mouse by (dx, dy) canvas pixels.
TViewFrame PannedView(const TViewFrame& f, int dx, int dy);
// The same scale, with the world point at the old canvas' centre at the new one's.
TViewFrame ResizedView(const TViewFrame& f, int oldWidth, int oldHeight, int newWidth, int newHeight);

}  // namespace marloq
