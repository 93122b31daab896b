// FSin and FCos against their extended-precision reference, bit for bit: random angles,
// random bit patterns and the arguments where the double evaluation must not be trusted.
// marloq_fmath_exhaustive runs the same comparison over all 2^32 floats.
#include "core/fmath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace marloq {
namespace {

uint32_t Bits(float v) { return std::bit_cast<uint32_t>(v); }
float FromBits(uint32_t b) { return std::bit_cast<float>(b); }

std::string Describe(float x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%a (0x%08x)", static_cast<double>(x), Bits(x));
  return buf;
}

struct TTally {
  int Mismatches = 0;
  int Declined = 0;  // the double evaluation fell back to the extended one
};

// Compares bit patterns, so -0 for +0 or another NaN payload is a mismatch too.
void Compare(float x, TTally& sin, TTally& cos) {
  float unused;
  const float s = FSin(x), s_ref = FSinExtended(x);
  if (Bits(s) != Bits(s_ref) && ++sin.Mismatches <= 5)
    ADD_FAILURE() << "FSin(" << Describe(x) << ") = " << Describe(s) << ", extended "
                  << Describe(s_ref);
  sin.Declined += !FSinDouble(x, unused);
  const float c = FCos(x), c_ref = FCosExtended(x);
  if (Bits(c) != Bits(c_ref) && ++cos.Mismatches <= 5)
    ADD_FAILURE() << "FCos(" << Describe(x) << ") = " << Describe(c) << ", extended "
                  << Describe(c_ref);
  cos.Declined += !FCosDouble(x, unused);
}

// Near every rounding boundary the double evaluation declines; the error bounds make
// that about one argument in ten million at arc angles. Many more means a bound too
// wide, and the speed gone.
constexpr double kMaxDeclinedShare = 1e-5;

TEST(FMathDoubleTrig, RandomAnglesMatchExtendedBitForBit) {
  constexpr int kCount = 2'000'000;
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<float> angle(-20.0f, 20.0f);
  TTally sin, cos;
  for (int i = 0; i < kCount; ++i) Compare(angle(rng), sin, cos);
  EXPECT_EQ(sin.Mismatches, 0);
  EXPECT_EQ(cos.Mismatches, 0);
  EXPECT_LE(sin.Declined, kCount * kMaxDeclinedShare);
  EXPECT_LE(cos.Declined, kCount * kMaxDeclinedShare);
}

// Angles as an arc stepper advances them: consecutive sums of a small float increment.
TEST(FMathDoubleTrig, SteppedAnglesMatchExtendedBitForBit) {
  TTally sin, cos;
  int count = 0;
  for (const float step : {1e-3f, 7.6699e-4f, -3.3e-4f}) {
    float a = step > 0 ? -kTwoPi : kTwoPi;
    for (int i = 0; i < 40'000; ++i, ++count) {
      Compare(a, sin, cos);
      a += step;
    }
  }
  EXPECT_EQ(sin.Mismatches, 0);
  EXPECT_EQ(cos.Mismatches, 0);
  EXPECT_LE(sin.Declined, count * kMaxDeclinedShare);
  EXPECT_LE(cos.Declined, count * kMaxDeclinedShare);
}

// Any pattern: NaNs with payloads, infinities, huge and subnormal arguments take the
// fallback and must come back unchanged.
TEST(FMathDoubleTrig, RandomBitPatternsMatchExtendedBitForBit) {
  std::mt19937 rng(7);
  TTally sin, cos;
  for (int i = 0; i < 500'000; ++i) Compare(FromBits(static_cast<uint32_t>(rng())), sin, cos);
  EXPECT_EQ(sin.Mismatches, 0);
  EXPECT_EQ(cos.Mismatches, 0);
}

TEST(FMathDoubleTrig, SpecialArgumentsMatchExtendedBitForBit) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  std::vector<float> xs = {
      0.0f, std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(),
      0x1p-29f, 0x1.fffffep-30f, 0x1.000002p-29f,  // FCos: where its difference becomes exact
      0x1p-24f, 0x1.000002p-24f, 0x1p-12f, 0x1.fffffep-13f,  // g around tiny squared
      kHalfPi, kPi, kTwoPi, 1.0f, 0.5f, 100.0f,
      // Unchecked, the double reduction of FSin rounds these differently from the
      // extended one, whose n * pi is rounded to 64 bits.
      0x1.5ed6f8p+16f, 0x1.5ed6fap+16f, 0x1.7a027ap+16f, 0x1.4a53d2p+17f, 0x1.5ed706p+17f,
      0x1.01f37ep+18f,
      0x1.fffffep+19f, 0x1p+20f,  // either side of kDoubleTrigLimit
      2147483648.0f, 6.7e9f, std::numeric_limits<float>::max(), kInf,
      std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::signaling_NaN(),
      FromBits(0x7fc12345), FromBits(0x7f800001)};
  // Odd and even multiples of half pi and their neighbours: results near 0 and near 1.
  for (int k = 1; k <= 64; ++k) {
    const float m = static_cast<float>(k * 1.5707963267948966);
    xs.insert(xs.end(), {m, std::nextafter(m, 0.0f), std::nextafter(m, kInf)});
  }
  TTally sin, cos;
  for (const float x : xs) {
    Compare(x, sin, cos);
    Compare(-x, sin, cos);
  }
  EXPECT_EQ(sin.Mismatches, 0);
  EXPECT_EQ(cos.Mismatches, 0);
}

// FRound and FTrunc in double against the same roundings in extended precision.
TEST(FastRounding, MatchesExtendedForRandomBitPatternsAndHalves) {
  const auto extendedRound = [](float x) {
    return x >= 0 ? TruncToInt32(Extended(x) + 0.5L) : TruncToInt32(Extended(x) - 0.5L);
  };
  std::mt19937 rng(7);
  int mismatches = 0;
  for (int i = 0; i < 2000000 && mismatches < 5; ++i) {
    float x = FromBits(static_cast<uint32_t>(rng()));
    if (i % 2) x = std::floor(static_cast<float>(rng() % 4000000) - 2000000.0f) + 0.5f;  // exact halves
    if (FRound(x) != extendedRound(x) || FTrunc(x) != TruncToInt32(Extended(x)))
      ++mismatches, ADD_FAILURE() << Describe(x);
  }
  const float edges[] = {0.49999997f, -0.49999997f, 2147483520.0f, -2147483648.0f, 2147483648.0f,
                         0x1p-31f, -0x1p-31f, std::numeric_limits<float>::denorm_min()};
  for (const float x : edges) EXPECT_EQ(FRound(x), extendedRound(x)) << Describe(x);
}

}  // namespace
}  // namespace marloq
