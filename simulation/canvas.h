// Canvas: the drawing's own image (16 bits per pixel) with one pen that moves, draws
// lines with round ends as wide as its width, and fills rectangles.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "simulation/simulation_host.h"
#include "simulation/view_state.h"

namespace marloq {

enum class TPenMode { Copy, InvertedCopy };  // inverted copy draws the pen colour's inverse

// Everything about the pen that decides what the next line paints.
struct TCanvasPen {
  TColor Color;
  int32_t Width;
  TPenMode Mode;
  int32_t X, Y;
  bool DiscPainted;
  bool operator==(const TCanvasPen&) const = default;
};

// The pixels some drawing touched and what it left in them, to lay over a canvas again.
struct TCanvasLayer {
  QImage Pixels;                  // the canvas as the drawing left it
  std::vector<uint8_t> Touched;   // per pixel, row by row: 1 when the drawing wrote it
  TDirtyRect Box{0, 0, 0, 0};     // around every touched pixel
  bool Boxed = true;              // false: Box is not kept (a layer only laid under)
};

class TCanvas {
 public:
  static constexpr TCanvasPen kStartPen{kBlack, 1, TPenMode::Copy, 0, 0, false};

  void Resize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  const QImage& Image() const { return image_; }

  TColor PenColor() const { return color_; }
  int32_t PenWidth() const { return penWidth_; }  // pixels; 0 and 1 both draw thin lines
  TPenMode PenMode() const { return mode_; }
  void SetPenColor(TColor color);
  void SetPenWidth(int32_t pixels);
  void SetPenMode(TPenMode mode);

  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);  // from the pen position, both ends included
  // Every pixel of the image is already the pen's ink: the pen's disc, painted where it
  // stands, covers the image. No line can change a pixel until the ink changes.
  bool AllInk() const { return discPainted_ && bits_ && DiscCoversImage(penX_, penY_); }
  // How many pixels the pen's disc reaches from its centre pixel.
  int32_t DiscReach() const { return discReach_; }
  void FillRect(int left, int top, int right, int bottom, TColor color);
  int32_t PenX() const { return penX_; }
  // Spans filled since the canvas was made: the drawing's work, which a guard bounds.
  uint64_t Spans() const { return spans_; }
  int32_t PenY() const { return penY_; }

  // The area changed since the last call; empty afterwards.
  TDirtyRect TakeDirty();

  TCanvasPen Pen() const { return {color_, penWidth_, mode_, penX_, penY_, discPainted_}; }
  void RestorePen(const TCanvasPen& pen);

  // From StartLayer to FinishLayer every pixel written is noted in the layer, which then
  // holds the pixels as they were left; LayOver writes the noted pixels of a layer of a
  // canvas of this size over this one, as drawing the same again would. Pixels `keep`
  // noted stay: what this canvas drew after a layer drawn elsewhere goes over it.
  void StartLayer(TCanvasLayer& layer);
  void FinishLayer(bool keepPixels = true);  // without them the layer only notes where
  void LayOver(const TCanvasLayer& layer, const TCanvasLayer* keep = nullptr);

 private:
  struct TSpan {
    int32_t Left, Right;  // offsets from the disc's centre pixel, inclusive
  };
  void UpdateInk();
  void UpdateDisc();
  void VisibleDiscRows(int64_t y, int64_t& first, int64_t& last) const;
  void StampDisc(int64_t x, int64_t y);
  bool DiscCoversImage(int64_t x, int64_t y) const;
  void StampLeadingEdge(int64_t fromX, int64_t fromY, int64_t x, int64_t y);
  void FillSpan(int64_t y, int64_t left, int64_t right);

  QImage image_;
  uint16_t* bits_ = nullptr;
  int stride_ = 0;  // pixels per row
  int width_ = 0, height_ = 0;
  TColor color_ = kStartPen.Color;
  int32_t penWidth_ = kStartPen.Width;
  TPenMode mode_ = kStartPen.Mode;
  uint16_t ink_ = 0;
  int32_t penX_ = kStartPen.X, penY_ = kStartPen.Y;
  bool discPainted_ = kStartPen.DiscPainted;  // the pen's disc at the pen position is on the canvas in ink_
  std::vector<TSpan> disc_;   // rows from discTop_ down; rebuilt only when the width changes
  int32_t discTop_ = 0;
  int32_t discReach_ = 0;     // how far the disc reaches from its centre pixel
  TDirtyRect dirty_{0, 0, 0, 0};
  TCanvasLayer* layer_ = nullptr;  // being noted, or none
  uint64_t spans_ = 0;
};

// 16-bit pixel value (5-6-5) of a system colour.
uint16_t PixelOf(TColor color);
// The system colour a 16-bit pixel shows, as read back from the image.
TColor ColorOfPixel(uint16_t pixel);

}  // namespace marloq
