// Offsets of an arc's passes from a rotation: the sine and cosine of evenly spaced
// angles follow from the first by rotating, far more cheaply than FSin and FCos, and
// the known distance of FSin and FCos from them settles almost every rounding.
#include "core/arc_offsets.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/fmath.h"
#include "core/fmath_batch.h"

namespace marloq {

namespace {

constexpr int kLowestBinade = -14, kHighestBinade = 4;
constexpr double kSineError = 0x1p-23;
// FCos's error grows with the multiple of pi/2 taken off.
constexpr double kCosineError[] = {0x1p-23, 0x1p-23, 0x1p-23, 0x1p-23, 0x1p-23, 0x1p-23, 0x1p-23,
                                   0x1p-23, 0x1p-23, 0x1p-23, 0x1p-23, 0x1p-23, 0x1p-23, 0x1p-23,
                                   0x1p-23, 0x1p-22, 0x1p-21, 0x1p-21, 0x1p-20};
static_assert(std::size(kCosineError) == kHighestBinade - kLowestBinade + 1);
// The rotation's drift from the true sine and cosine: libm's sincos within an ulp, a
// turn doubled from it, a few roundings a turn over at most kChunk / kLanes turns;
// seen up to 2^-45.7 over random stretches, far below this.
constexpr double kRotationError = 0x1p-40;
constexpr int kChunk = 256;
constexpr int kLanes = 4;  // four rotations side by side, each four passes a turn

// Four lanes of doubles, and of their comparisons.
using TLanes = double __attribute__((vector_size(32)));
using TLaneMask = int64_t __attribute__((vector_size(32)));
using TLaneInts = int32_t __attribute__((vector_size(16)));

// FRound(float(f * r)) for every f within `error` of v, lane by lane, and which lanes
// are settled: their floats lie within slack of v * r, and a range that holds no
// half-integer rounds, whichever way a tie would go, to one integer.
[[gnu::always_inline]] inline void SettledProducts(const TLanes& v, double r, double error, TLaneInts& out,
                                                   TLaneMask& settled) {
  const TLanes p = v * r;
  const TLanes k = (p + 0x1.8p52) - 0x1.8p52;  // the nearest integers: |p| < 2^51
  const TLaneMask noSign = TLaneMask{} + INT64_MAX;
  const TLanes size = reinterpret_cast<TLanes>(reinterpret_cast<TLaneMask>(p) & noSign);
  const TLanes distance = reinterpret_cast<TLanes>(reinterpret_cast<TLaneMask>(p - k) & noSign);
  out = __builtin_convertvector(k, TLaneInts);
  settled = distance + (size * 0x1p-23 + error * r) < 0.5;
}

// The plain way: FSin and FCos of each angle, then the products rounded.
void ExactOffsets(float a0, float spacing, float r, int32_t* xs, int32_t* ys, int n) {
  float angles[kChunk];
  for (int done = 0; done < n; done += kChunk) {
    const int m = std::min(kChunk, n - done);
    for (int i = 0; i < m; ++i) angles[i] = a0 + static_cast<float>(done + i) * spacing;
    FRoundOffsets(angles, r, xs + done, ys + done, m);
  }
}

// Sine and cosine of a + k * spacing for the lanes k, and of the turn of kLanes passes.
struct TRotation {
  TLanes Sin, Cos;
  double TurnSin, TurnCos;
};

TRotation StartRotation(float a0, float spacing) {
  TRotation t;
  double stepSin, stepCos;
  sincos(double(a0), &t.Sin[0], &t.Cos[0]);
  sincos(double(spacing), &stepSin, &stepCos);
  for (int k = 1; k < kLanes; ++k) {
    t.Sin[k] = t.Sin[k - 1] * stepCos + t.Cos[k - 1] * stepSin;
    t.Cos[k] = t.Cos[k - 1] * stepCos - t.Sin[k - 1] * stepSin;
  }
  // The turn of four steps by doubling twice: a few roundings more.
  const double twiceSin = 2 * stepSin * stepCos, twiceCos = stepCos * stepCos - stepSin * stepSin;
  t.TurnSin = 2 * twiceSin * twiceCos;
  t.TurnCos = twiceCos * twiceCos - twiceSin * twiceSin;
  return t;
}

// The offsets of a stretch of at most kChunk passes from a0 (the bounds known there),
// from the rotation; a lane it cannot settle the plain way.
[[gnu::always_inline]] inline void RotatedOffsets(float a0, float spacing, float r, double sinError, double cosError,
                                                  int32_t* xs, int32_t* ys, int n) {
  TRotation t = StartRotation(a0, spacing);
  alignas(16) int32_t x[kChunk + kLanes], y[kChunk + kLanes];
  for (int i = 0; i < n; i += kLanes) {
    TLaneInts xi, yi;
    TLaneMask sinSettled, cosSettled;
    SettledProducts(t.Sin, r, sinError, yi, sinSettled);
    SettledProducts(t.Cos, r, cosError, xi, cosSettled);
    const TLaneMask settled = sinSettled & cosSettled;
    *reinterpret_cast<TLaneInts*>(x + i) = xi;
    *reinterpret_cast<TLaneInts*>(y + i) = yi;
    for (int k = 0; k < kLanes; ++k) {
      if (settled[k]) continue;
      const float a = a0 + static_cast<float>(i + k) * spacing;
      y[i + k] = FRound(FSin(a) * r);
      x[i + k] = FRound(FCos(a) * r);
    }
    const TLanes s = t.Sin, c = t.Cos;
    t.Sin = s * t.TurnCos + c * t.TurnSin;
    t.Cos = c * t.TurnCos - s * t.TurnSin;
  }
  std::copy(x, x + n, xs);
  std::copy(y, y + n, ys);
}

void RotatedOffsetsPlain(float a0, float spacing, float r, double sinError, double cosError, int32_t* xs,
                         int32_t* ys, int n) {
  RotatedOffsets(a0, spacing, r, sinError, cosError, xs, ys, n);
}

[[gnu::target("avx2")]] void RotatedOffsetsAvx2(float a0, float spacing, float r, double sinError, double cosError,
                                                int32_t* xs, int32_t* ys, int n) {
  RotatedOffsets(a0, spacing, r, sinError, cosError, xs, ys, n);
}

}  // namespace

double FSinErrorBound(int e) { return e >= kLowestBinade && e <= kHighestBinade ? kSineError : -1; }

double FCosErrorBound(int e) {
  return e >= kLowestBinade && e <= kHighestBinade ? kCosineError[e - kLowestBinade] : -1;
}

void FRoundArcOffsets(float a0, float spacing, float r, int32_t* xs, int32_t* ys, int n) {
  // Every angle must lie in the binade of the first, where the bounds are known.
  const float last = a0 + static_cast<float>(n - 1) * spacing;
  int e0, e1;
  std::frexp(a0, &e0);
  std::frexp(last, &e1);
  if (!(a0 > 0 && last > 0) || e0 != e1 || e0 - 1 < kLowestBinade || e0 - 1 > kHighestBinade ||
      !(r > 0 && r < 0x1p29f)) {
    ExactOffsets(a0, spacing, r, xs, ys, n);
    return;
  }
  const double sinError = kSineError + kRotationError;
  const double cosError = kCosineError[e0 - 1 - kLowestBinade] + kRotationError;
  const auto rotated = BestVectors() == TVectors::None ? RotatedOffsetsPlain : RotatedOffsetsAvx2;
  for (int done = 0; done < n; done += kChunk)
    rotated(a0 + static_cast<float>(done) * spacing, spacing, r, sinError, cosError, xs + done, ys + done,
            std::min(kChunk, n - done));
}

}  // namespace marloq
