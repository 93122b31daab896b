// View frames: offsets are whole world units, so a view is worked out from the one it
// starts at (the drag's start, say), never by adding up rounded steps.
#include "simulation/view_frame.h"

#include "core/fmath.h"

namespace marloq {

TViewFrame ZoomedView(const TViewFrame& f, int canvasHeight, int x, int y, float newScale) {
  const Extended worldX = Extended(x) / f.ViewScale + f.ViewOffsetX;
  const Extended worldY = Extended(canvasHeight - y) / f.ViewScale + f.ViewOffsetY;
  return {newScale, RoundHalfEven(worldX - Extended(x) / newScale),
          RoundHalfEven(worldY - Extended(canvasHeight - y) / newScale)};
}

TViewFrame PannedView(const TViewFrame& f, int dx, int dy) {
  return {f.ViewScale, RoundHalfEven(f.ViewOffsetX - Extended(dx) / f.ViewScale),
          RoundHalfEven(f.ViewOffsetY + Extended(dy) / f.ViewScale)};
}

TViewFrame ResizedView(const TViewFrame& f, int oldWidth, int oldHeight, int newWidth, int newHeight) {
  return {f.ViewScale, RoundHalfEven(f.ViewOffsetX + Extended(oldWidth - newWidth) / 2 / f.ViewScale),
          RoundHalfEven(f.ViewOffsetY + Extended(oldHeight - newHeight) / 2 / f.ViewScale)};
}

}  // namespace marloq
