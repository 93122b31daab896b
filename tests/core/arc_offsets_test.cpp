// The offsets worked out by rotation against FSin, FCos and FRound one angle at a time:
// random arcs of every size in every binade, and the error bounds they rest on, over
// a sample of every binade (marloq_fmath_exhaustive checks every float).
#include "core/arc_offsets.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "core/fmath.h"

namespace marloq {
namespace {

TEST(FRoundArcOffsets, EqualTheRoutinesOneAngleAtATime) {
  uint64_t state = 12345;
  const auto random = [&state] { return (state = state * 6364136223846793005ULL + 1442695040888963407ULL) >> 11; };
  constexpr int kMost = 150;
  int32_t xs[kMost], ys[kMost];
  for (int c = 0; c < 40000; ++c) {
    // Radii from a fraction of a step to near 2^29 steps; first angles from below 2^-14
    // to past 32, where the plain way must answer.
    const float r = std::ldexp(1.0f + static_cast<float>(random() % 4096) / 4096.0f, static_cast<int>(random() % 30) - 1);
    const float a0 = std::ldexp(1.0f + static_cast<float>(random() % 1000000) / 1000000.0f, static_cast<int>(random() % 22) - 16);
    // A spacing of a whole number of the first angle's units, so that every angle is a
    // float exactly while it stays in the binade.
    int e;
    std::frexp(a0, &e);
    const float unit = std::ldexp(1.0f, e - 24);
    const float wanted = static_cast<float>(0.98L / r) * (random() % 2 ? 1.0f : -1.0f);
    const float spacing = std::max(1.0f, std::round(std::fabs(wanted) / unit)) * unit * (wanted < 0 ? -1 : 1);
    const int n = 1 + static_cast<int>(random() % kMost);
    FRoundArcOffsets(a0, spacing, r, xs, ys, n);
    for (int i = 0; i < n; ++i) {
      const float a = a0 + static_cast<float>(i) * spacing;
      ASSERT_EQ(ys[i], FRound(FSin(a) * r)) << c << " a0 " << a0 << " spacing " << spacing << " r " << r << " i " << i;
      ASSERT_EQ(xs[i], FRound(FCos(a) * r)) << c << " a0 " << a0 << " spacing " << spacing << " r " << r << " i " << i;
    }
  }
}

TEST(FRoundArcOffsets, BoundsHoldForASampleOfEveryBinade) {
  for (int e = -14; e <= 4; ++e) {
    const uint32_t first = std::bit_cast<uint32_t>(std::ldexp(1.0f, e));
    for (uint32_t b = first; b < first + (1u << 23); b += 97) {
      const float x = std::bit_cast<float>(b);
      ASSERT_LE(std::fabs(FSin(x) - std::sin(double(x))), FSinErrorBound(e)) << x;
      ASSERT_LE(std::fabs(FCos(x) - std::cos(double(x))), FCosErrorBound(e)) << x;
    }
  }
}

}  // namespace
}  // namespace marloq
