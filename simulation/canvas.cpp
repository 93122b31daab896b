// Canvas: lines are walked pixel by pixel along the major axis, clipped to the image
// first, so absurd coordinates cost no more than the image is wide. A wide pen stamps
// its round disc once at a line's start and then, for each pixel moved, only the
// spans the moved disc adds: the union of discs along the path at the cost of its edge.
#include "simulation/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace marloq {

namespace {
// Products of two 33-bit line deltas need more than 64 bits.
__extension__ typedef __int128 TWide;

void Include(TDirtyRect& r, int64_t y, int64_t left, int64_t right) {
  r.Left = std::min<int>(r.Left, static_cast<int>(left));
  r.Right = std::max<int>(r.Right, static_cast<int>(right + 1));
  r.Top = std::min<int>(r.Top, static_cast<int>(y));
  r.Bottom = std::max<int>(r.Bottom, static_cast<int>(y + 1));
}

int64_t IntSqrt(int64_t v) {
  int64_t r = static_cast<int64_t>(std::sqrt(static_cast<double>(v)));
  while (r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return r;
}
}  // namespace

uint16_t PixelOf(TColor c) {
  const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

TColor ColorOfPixel(uint16_t p) {
  const unsigned r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
  return ((r << 3) | (r >> 2)) | (((g << 2) | (g >> 4)) << 8) | (((b << 3) | (b >> 2)) << 16);
}

void TCanvas::Resize(int width, int height) {
  layer_ = nullptr;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  image_ = QImage(width_, height_, QImage::Format_RGB16);
  bits_ = image_.isNull() ? nullptr : reinterpret_cast<uint16_t*>(image_.bits());
  stride_ = image_.isNull() ? 0 : static_cast<int>(image_.bytesPerLine() / 2);
  if (!bits_) width_ = height_ = 0;  // no memory for the image: draw nothing
  discPainted_ = false;
  dirty_ = {0, 0, width_, height_};
  UpdateInk();
  UpdateDisc();
}

void TCanvas::SetPenColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  UpdateInk();
}

void TCanvas::SetPenWidth(int32_t pixels) {
  if (pixels == penWidth_) return;
  penWidth_ = pixels;
  UpdateDisc();
}

void TCanvas::SetPenMode(TPenMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  UpdateInk();
}

void TCanvas::UpdateInk() {
  const TColor shown = mode_ == TPenMode::InvertedCopy ? (~color_ & 0xFFFFFF) : color_;
  const uint16_t ink = PixelOf(shown);
  if (ink != ink_) discPainted_ = false;
  ink_ = ink;
}

// The disc of a pen w pixels wide: the pixels whose centres lie within w/2 of the
// disc's centre, which sits on a pixel centre for odd w and between four for even w.
// Doubled, every offset is an integer: per row the widest offset a of the parity of
// w - 1 with a^2 + b^2 <= w^2, exact and in one root per row (a pen change is cheap
// even at the widest pen).
void TCanvas::UpdateDisc() {
  discPainted_ = false;
  const int32_t w = std::clamp<int32_t>(penWidth_, 1, 4096);
  const int32_t lo = -((w - 1) / 2);
  disc_.clear();
  discTop_ = lo;
  for (int32_t j = 0; j < w; ++j) {
    const int64_t b = 2 * int64_t(j) - (w - 1);
    int64_t a = IntSqrt(int64_t(w) * w - b * b);  // at least 1: |b| < w
    if ((a + w - 1) % 2 != 0) --a;
    disc_.push_back({static_cast<int32_t>((w - 1 - a) / 2) + lo,
                     static_cast<int32_t>((w - 1 + a) / 2) + lo});
  }
  discReach_ = w - 1 + lo > -lo ? w - 1 + lo : -lo;
}

void TCanvas::FillSpan(int64_t y, int64_t left, int64_t right) {
  ++spans_;
  if (y < 0 || y >= height_) return;
  left = std::max<int64_t>(left, 0);
  right = std::min<int64_t>(right, width_ - 1);
  if (left > right) return;
  std::fill(bits_ + y * stride_ + left, bits_ + y * stride_ + right + 1, ink_);
  Include(dirty_, y, left, right);
  if (layer_) {
    std::fill_n(layer_->Touched.begin() + y * width_ + left, right - left + 1, uint8_t{1});
    if (layer_->Boxed) Include(layer_->Box, y, left, right);
  }
}

void TCanvas::RestorePen(const TCanvasPen& pen) {
  SetPenColor(pen.Color);
  SetPenWidth(pen.Width);
  SetPenMode(pen.Mode);
  penX_ = pen.X;
  penY_ = pen.Y;
  discPainted_ = pen.DiscPainted;
}

void TCanvas::StartLayer(TCanvasLayer& layer) {
  layer.Touched.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
  layer.Box = {width_, height_, 0, 0};
  layer_ = &layer;
}

void TCanvas::FinishLayer(bool keepPixels) {
  if (layer_ && keepPixels) layer_->Pixels = image_.copy();  // a deep copy: the canvas goes on drawing
  layer_ = nullptr;
}

void TCanvas::LayOver(const TCanvasLayer& layer, const TCanvasLayer* keep) {
  const TDirtyRect& b = layer.Box;
  const size_t pixels = static_cast<size_t>(width_) * static_cast<size_t>(height_);
  if (!bits_ || b.Left >= b.Right || layer.Pixels.width() != width_ || layer.Pixels.height() != height_ ||
      (keep && keep->Touched.size() != pixels))
    return;
  for (int y = b.Top; y < b.Bottom; ++y) {
    const uint16_t* from = reinterpret_cast<const uint16_t*>(layer.Pixels.constScanLine(y));
    const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width_);
    const uint8_t* touched = layer.Touched.data() + row;
    const uint8_t* kept = keep ? keep->Touched.data() + row : nullptr;
    uint16_t* to = bits_ + static_cast<ptrdiff_t>(y) * stride_;
    for (int x = b.Left; x < b.Right; ++x)
      if (touched[x] && !(kept && kept[x])) to[x] = from[x];
  }
  for (const int y : {b.Top, b.Bottom - 1}) Include(dirty_, y, b.Left, b.Right - 1);
}

// The disc rows [first, last) of a disc centred on row y that lie on the image: a
// pen thousands of pixels wide costs no more per stamp than the image is high.
void TCanvas::VisibleDiscRows(int64_t y, int64_t& first, int64_t& last) const {
  first = std::max<int64_t>(0, -(y + discTop_));
  last = std::min<int64_t>(static_cast<int64_t>(disc_.size()), height_ - (y + discTop_));
}

void TCanvas::StampDisc(int64_t x, int64_t y) {
  int64_t first, last;
  VisibleDiscRows(y, first, last);
  for (int64_t j = first; j < last; ++j)
    FillSpan(y + discTop_ + j, x + disc_[j].Left, x + disc_[j].Right);
}

// Whether the disc at (x, y) covers every pixel of the image. A disc is convex, so
// the image's top and bottom rows decide.
bool TCanvas::DiscCoversImage(int64_t x, int64_t y) const {
  const auto covers = [&](int64_t row) {
    const int64_t j = row - y - discTop_;
    return j >= 0 && j < static_cast<int64_t>(disc_.size()) && x + disc_[j].Left <= 0 &&
           x + disc_[j].Right >= width_ - 1;
  };
  return covers(0) && covers(height_ - 1);
}

// The spans of the disc at (x, y) that the disc one pixel away at (fromX, fromY) lacks.
// That disc is on the image in this ink; when it covers the whole image, nothing is
// left to paint. Each span is clipped to the image first, so a row that gains no
// pixel costs a few comparisons: a pen wider than the image steps at the cost of its
// edge on the image.
void TCanvas::StampLeadingEdge(int64_t fromX, int64_t fromY, int64_t x, int64_t y) {
  if (DiscCoversImage(fromX, fromY)) return;
  const int64_t rows = static_cast<int64_t>(disc_.size());
  int64_t first, last;
  VisibleDiscRows(y, first, last);
  for (int64_t j = first; j < last; ++j) {
    const int64_t row = y + discTop_ + j;
    const int64_t left = std::max<int64_t>(x + disc_[j].Left, 0);
    const int64_t right = std::min<int64_t>(x + disc_[j].Right, width_ - 1);
    if (left > right) continue;
    const int64_t oj = row - fromY - discTop_;
    if (oj < 0 || oj >= rows) {
      FillSpan(row, left, right);
      continue;
    }
    const int64_t oldLeft = fromX + disc_[oj].Left, oldRight = fromX + disc_[oj].Right;
    if (left < oldLeft) FillSpan(row, left, std::min(right, oldLeft - 1));
    if (right > oldRight) FillSpan(row, std::max(left, oldRight + 1), right);
  }
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
  if (x == penX_ && y == penY_) return;
  penX_ = x;
  penY_ = y;
  discPainted_ = false;
}

void TCanvas::LineTo(int32_t x1, int32_t y1) {
  if (x1 == penX_ && y1 == penY_ && discPainted_) return;
  const bool allInk = AllInk();
  const int64_t x0 = penX_, y0 = penY_;
  penX_ = x1;
  penY_ = y1;
  // Over an image all of this ink the line paints nothing, and its end's disc is ink too.
  if (!bits_ || allInk) return;
  const int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const int64_t dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
  const int64_t m0 = xMajor ? x0 : y0, n0 = xMajor ? y0 : x0;
  const int64_t majorSize = xMajor ? width_ : height_, minorSize = xMajor ? height_ : width_;
  const int64_t step = dMajor >= 0 ? 1 : -1;
  const int64_t length = std::llabs(dMajor);
  // Walk only the part of the line whose discs can reach the image.
  int64_t first = 0, last = length;
  const int64_t lowM = -discReach_, highM = majorSize - 1 + discReach_;
  if (step > 0) {
    first = std::max<int64_t>(first, lowM - m0);
    last = std::min<int64_t>(last, highM - m0);
  } else {
    first = std::max<int64_t>(first, m0 - highM);
    last = std::min<int64_t>(last, m0 - lowM);
  }
  bool previousPainted = discPainted_ && first == 0;
  if (first > last) {
    discPainted_ = false;
    return;
  }
  // Minor coordinate of the k-th pixel: the nearest to the true line, halves upwards,
  // i.e. floor((2 k dMinor + length) / (2 length)); exact at the first visible pixel,
  // then carried along by its remainder.
  const int64_t den = 2 * std::max<int64_t>(length, 1);
  const int64_t inc = 2 * dMinor;
  // A walk from the pen, the common case, starts at its own pixel: no wide division.
  int64_t q = 0, r = length;
  if (first > 0) {
    const TWide num = static_cast<TWide>(2 * first) * dMinor + length;
    TWide q128 = num / den;
    TWide r128 = num % den;
    if (r128 < 0) {
      r128 += den;
      --q128;
    }
    q = static_cast<int64_t>(q128);
    r = static_cast<int64_t>(r128);
  }
  // When the walk starts painted, the disc before its first pixel is the pen's own:
  // that first pixel adds nothing.
  int64_t px = x0, py = y0;
  for (int64_t k = first;; ++k) {
    const int64_t n = n0 + q;
    const int64_t m = m0 + k * step;
    if (n < -discReach_ || n > minorSize - 1 + discReach_) {
      previousPainted = false;
    } else {
      const int64_t x = xMajor ? m : n, y = xMajor ? n : m;
      if (previousPainted) StampLeadingEdge(px, py, x, y);
      else StampDisc(x, y);
      px = x;
      py = y;
      previousPainted = true;
    }
    if (k == last) break;
    r += inc;
    if (r >= den) {
      r -= den;
      ++q;
    } else if (r < 0) {
      r += den;
      --q;
    }
  }
  discPainted_ = true;
}

void TCanvas::FillRect(int left, int top, int right, int bottom, TColor color) {
  if (!bits_) return;
  const uint16_t saved = ink_;
  ink_ = PixelOf(color);
  for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y) FillSpan(y, left, right - 1);
  ink_ = saved;
  discPainted_ = false;
}

TDirtyRect TCanvas::TakeDirty() {
  const TDirtyRect d = dirty_;
  dirty_ = {width_, height_, 0, 0};
  return d;
}

}  // namespace marloq
