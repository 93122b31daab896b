// Canvas: thin lines in every direction, wide pens as the union of their discs, and
// lines from far outside the image.
#include "simulation/canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace marloq {
namespace {

constexpr TColor kInk = 0x0000FF;

TCanvas Blank(int w, int h) {
  TCanvas c;
  c.Resize(w, h);
  c.FillRect(0, 0, w, h, 0xFFFFFF);
  c.SetPenColor(kInk);
  return c;
}

bool Inked(const TCanvas& c, int x, int y) {
  return reinterpret_cast<const uint16_t*>(c.Image().constScanLine(y))[x] == PixelOf(kInk);
}

int InkedCount(const TCanvas& c) {
  int n = 0;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) n += Inked(c, x, y);
  return n;
}

TEST(CanvasLine, ThinLinesInEveryDirectionFollowTheTrueLine) {
  const int ends[][2] = {{30, 10}, {10, 30}, {-10, 30}, {-30, 10}, {-30, -10},
                         {-10, -30}, {10, -30}, {30, -10}, {0, 25}, {-25, 0}, {17, -17}};
  for (const auto& e : ends) {
    TCanvas c = Blank(80, 80);
    c.SetPenWidth(1);
    c.MoveTo(40, 40);
    c.LineTo(40 + e[0], 40 + e[1]);
    EXPECT_TRUE(Inked(c, 40, 40)) << e[0] << "," << e[1];
    EXPECT_TRUE(Inked(c, 40 + e[0], 40 + e[1])) << e[0] << "," << e[1];
    EXPECT_EQ(InkedCount(c), std::max(std::abs(e[0]), std::abs(e[1])) + 1);
    // Every pixel lies within half a pixel of the true line, across its major axis.
    const bool xMajor = std::abs(e[0]) >= std::abs(e[1]);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 80; ++x) {
        if (!Inked(c, x, y)) continue;
        const double t = xMajor ? double(x - 40) / e[0] : double(y - 40) / e[1];
        const double off = xMajor ? (y - 40) - t * e[1] : (x - 40) - t * e[0];
        EXPECT_LE(std::abs(off), 0.5) << e[0] << "," << e[1] << " at " << x << "," << y;
      }
  }
}

TEST(CanvasLine, WidePenIsTheUnionOfItsDiscsAlongThePath) {
  const int widths[] = {2, 3, 8, 15};
  for (const int w : widths) {
    TCanvas drawn = Blank(90, 90), stamped = Blank(90, 90), path = Blank(90, 90);
    drawn.SetPenWidth(w);
    drawn.MoveTo(20, 25);
    drawn.LineTo(70, 60);
    drawn.LineTo(30, 75);
    // The same path pixel by pixel, each pixel a fresh full disc.
    path.SetPenWidth(1);
    path.MoveTo(20, 25);
    path.LineTo(70, 60);
    path.LineTo(30, 75);
    stamped.SetPenWidth(w);
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 90; ++x)
        if (Inked(path, x, y)) {
          stamped.MoveTo(x, y);
          stamped.LineTo(x, y);
        }
    EXPECT_TRUE(drawn.Image() == stamped.Image()) << "width " << w;
  }
}

TEST(CanvasLine, HorizontalWideLineCoversItsWidth) {
  TCanvas c = Blank(60, 60);
  c.SetPenWidth(7);
  c.MoveTo(10, 30);
  c.LineTo(50, 30);
  int rows = 0;
  for (int y = 0; y < 60; ++y) rows += Inked(c, 30, y);
  EXPECT_EQ(rows, 7);
}

TEST(CanvasLine, LinesFromFarOutsideDrawOnlyWhatShows) {
  TCanvas c = Blank(64, 48);
  c.SetPenWidth(1);
  c.MoveTo(-2000000000, 5);
  c.LineTo(50, 5);
  for (int x = 0; x <= 50; ++x) EXPECT_TRUE(Inked(c, x, 5)) << x;
  EXPECT_EQ(InkedCount(c), 51);
  TCanvas far = Blank(64, 48);
  far.SetPenWidth(4000);
  far.MoveTo(INT32_MIN, INT32_MIN);
  far.LineTo(INT32_MAX, INT32_MIN);  // a pen thousands of pixels wide, far above the image
  EXPECT_EQ(InkedCount(far), 0);
}

}  // namespace
}  // namespace marloq
