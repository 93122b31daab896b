// Tests of the core's single-precision math: pinned results per routine and branch,
// accuracy sweeps against the true functions, and the defined out-of-range results.
#include "core/fmath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <numbers>
#include <string>

namespace marloq {
namespace {

struct Unary {
  float x;
  float want;
};

std::string Hex(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%a", static_cast<double>(v));
  return buf;
}

// Bit-exact: the drawing depends on these roundings, not just on being close.
void ExpectTable(float (*fn)(float), const char* name, std::initializer_list<Unary> rows) {
  for (const Unary& r : rows) {
    const float got = fn(r.x);
    EXPECT_EQ(got, r.want) << name << "(" << Hex(r.x) << ") = " << Hex(got) << ", want "
                           << Hex(r.want);
  }
}

// Spacing of 32-bit floats at the magnitude of a true result.
double UlpOf(double t) {
  int e = 0;
  std::frexp(std::fabs(t), &e);
  return std::ldexp(1.0, e - 24);
}

// 20001 evenly spaced floats covering [-10, 10] radians.
float SweepPoint(int i) { return static_cast<float>(i / 1000.0); }
constexpr int kSweepHalf = 10000;

TEST(FMathRounding, HalfAwayFromZeroAndTruncation) {
  struct Row {
    float x;
    int32_t round, trunc;
  };
  const Row rows[] = {
      {2.5f, 3, 2},
      {-2.5f, -3, -2},
      {-0.4f, 0, 0},
      {0.5f, 1, 0},
      {-0.5f, -1, 0},
      {-1.9f, -2, -1},
      {1.9f, 2, 1},
      // x + 0.5 is 1 in float arithmetic; only the extended sum truncates to 0.
      {0x1.fffffep-2f, 0, 0},
      {-0x1.fffffep-2f, 0, 0},
      // Likewise 2^23 + 1 + 0.5 would round to even in float.
      {8388609.0f, 8388609, 8388609},
      {-8388609.0f, -8388609, -8388609},
      {2147483520.0f, 2147483520, 2147483520},  // largest float below 2^31
      {-2147483648.0f, INT32_MIN, INT32_MIN},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FRound(r.x), r.round) << "FRound(" << Hex(r.x) << ")";
    EXPECT_EQ(FTrunc(r.x), r.trunc) << "FTrunc(" << Hex(r.x) << ")";
  }
}

// Corrupt program numbers must give a defined integer, never an undefined conversion.
TEST(FMathRounding, OutOfRangeSaturatesAndNanGivesZero) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(FRound(nan), 0);
  EXPECT_EQ(FTrunc(nan), 0);
  for (float big : {kInf, 1e20f, 2147483648.0f}) {
    EXPECT_EQ(FRound(big), INT32_MAX) << Hex(big);
    EXPECT_EQ(FTrunc(big), INT32_MAX) << Hex(big);
    EXPECT_EQ(FRound(-big), INT32_MIN) << Hex(-big);
    EXPECT_EQ(FTrunc(-big), INT32_MIN) << Hex(-big);
  }
}

TEST(FMathPinned, Sqrt) {
  ExpectTable(FSqrt, "FSqrt",
              {{-4.0f, 0.0f}, {0.0f, 0.0f}, {1.0f, 1.0f}, {0.25f, 0.5f},
               {2.0f, 0x1.6a09e6p+0f}, {3.0f, 0x1.bb67aep+0f}, {1e-10f, 0x1.4f8b58p-17f},
               {1e10f, 100000.0f}, {1234.5f, 0x1.191568p+5f}});
}

TEST(FMathPinned, ArcTan) {
  ExpectTable(FArcTan, "FArcTan",
              {{0.0f, 0.0f},
               {1e-4f, 1e-4f},  // below tiny: the value itself
               {-1e-4f, -1e-4f},
               {0x1p-12f, 0x1p-12f},
               {0.1f, 0x1.983e28p-4f},  // |x| <= 2 - sqrt 3: no reduction
               {0.25f, 0x1.f5b76p-3f},
               {0.27f, 0x1.0e0a7cp-2f},  // up to 1: shifted by pi/6
               {0.5f, 0x1.dac672p-2f},
               {-0.5f, -0x1.dac672p-2f},
               {1.0f, 0x1.921fb6p-1f},  // pi/4
               {-1.0f, -0x1.921fb6p-1f},
               {1.5f, 0x1.f730bep-1f},  // up to 2 + sqrt 3: pi/3 minus a reduced angle
               {2.0f, 0x1.1b6e1ap+0f},
               {-2.0f, -0x1.1b6e1ap+0f},
               {3.7f, 0x1.4e8c96p+0f},
               {3.75f, 0x1.4f68ep+0f},  // beyond: pi/2 minus arctan of the reciprocal
               {10.0f, 0x1.789bd4p+0f},
               {-10.0f, -0x1.789bd4p+0f},
               {1e10f, 0x1.921fb6p+0f}});
}

TEST(FMathPinned, ArcCos) {
  ExpectTable(FArcCos, "FArcCos",
              {{1.0f, 0.0f},
               {-1.0f, 0x1.921fb6p+1f},
               {0.0f, 0x1.921fb6p+0f},
               {1.5f, 0.0f},  // saturates outside [-1, 1]
               {-1.5f, 0x1.921fb6p+1f},
               {1e-4f, 0x1.921928p+0f},  // below tiny: half pi minus x
               {-1e-4f, 0x1.922644p+0f},
               {0.25f, 0x1.51701p+0f},
               {-0.25f, 0x1.d2cf5cp+0f},
               {0.5f, 0x1.0c1524p+0f},
               {-0.5f, 0x1.0c1524p+1f},
               {0.6f, 0x1.dac67p-1f},  // above 0.5: through the half-angle root
               {-0.6f, 0x1.1b6e1ap+1f},
               {0.9f, 0x1.cdd9fcp-2f},
               {-0.9f, 0x1.586476p+1f},
               {0.999f, 0x1.6e62b4p-5f}});
}

TEST(FMathPinned, Angle) {
  struct Row {
    float x, y, want;
  };
  const Row rows[] = {
      {0.0f, 0.0f, 0.0f},
      {1.0f, 0.0f, 0.0f},  // a move exactly towards +X has heading 0
      {0.0f, 1.0f, 0x1.921fb6p+0f},
      {-1.0f, 0.0f, 0x1.921fb6p+1f},
      {-1.0f, -0.0f, 0x1.921fb6p+1f},  // -pi is outside (-pi, pi]
      {0.0f, -1.0f, -0x1.921fb6p+0f},
      {1.0f, 1.0f, 0x1.921fb6p-1f},
      {-1.0f, -1.0f, -0x1.2d97c8p+1f},
      {-1.0f, 1.0f, 0x1.2d97c8p+1f},
      {1.0f, -1.0f, -0x1.921fb6p-1f},
      {3.0f, 4.0f, 0x1.dac672p-1f},
      {-3.0f, -4.0f, -0x1.1b6e1ap+1f},
      {4.0f, -3.0f, -0x1.4978fap-1f},
      {2.0f, -7.0f, -0x1.4ae11p+0f},
      {-0.5f, -3.0f, -0x1.bc66e4p+0f},
      // The half-turn is added in extended pi; the 32-bit pi would round these up.
      {-1.0f, 0.75f, 0x1.3fc176p+1f},
      {-1.0f, -0.4f, -0x1.616b46p+1f},
      {1e-3f, -5.0f, -0x1.92129ap+0f},
  };
  for (const Row& r : rows) {
    const float got = FAngle(r.x, r.y);
    EXPECT_EQ(got, r.want) << "FAngle(" << Hex(r.x) << ", " << Hex(r.y) << ") = " << Hex(got);
  }
}

TEST(FMathPinned, Tan) {
  ExpectTable(FTan, "FTan",
              {{0.0f, 0.0f},
               {1e-4f, 1e-4f},
               {0.5f, 0x1.17b4f6p-1f},
               {-0.5f, -0x1.17b4f6p-1f},
               {0.7f, 0x1.af406ep-1f},
               {1.0f, 0x1.8eb244p+0f},  // odd quarter turns: den / num, negated
               {-1.0f, -0x1.8eb244p+0f},
               {1.5f, 0x1.c33ec4p+3f},
               {2.0f, -0x1.17af64p+1f},
               {-2.0f, 0x1.17af64p+1f},
               {3.0f, -0x1.23ef7cp-3f},  // even quarter turns: num / den
               {-3.0f, 0x1.23ef7cp-3f},
               {4.0f, 0x1.2866f4p+0f},
               {-4.0f, -0x1.2866f4p+0f},
               {5.0f, -0x1.b0b4c6p+1f},
               {6.0f, -0x1.29fd96p-2f},
               {10.0f, 0x1.4bf5e8p-1f},
               // Reduced by the 32-bit half pi, so these land exactly on 0 or near it.
               {0x1.921fb6p+1f, 0.0f},
               {0x1.2d97c8p+2f, 0x1p+23f},
               {kHalfPi, -999999995904.0f},  // the pole gives -1e12, not an infinity
               {-kHalfPi, -999999995904.0f}});
}

TEST(FMathPinned, Sin) {
  ExpectTable(FSin, "FSin",
              {{0.0f, 0.0f}, {1e-4f, 1e-4f}, {-1e-4f, -1e-4f}, {0.5f, 0x1.eaee88p-2f},
               {1.0f, 0x1.aed548p-1f}, {-1.0f, -0x1.aed548p-1f}, {kHalfPi, 1.0f},
               {1.6f, 0x1.ffc81cp-1f}, {2.0f, 0x1.d18f6ep-1f}, {3.0f, 0x1.210386p-3f},
               {-3.0f, -0x1.210386p-3f},
               {kPi, -0x1.777a5cp-24f},  // reduced by the extended pi: the true sin(kPi)
               {4.0f, -0x1.837b9ep-1f}, {5.0f, -0x1.eaf82p-1f}, {-5.0f, 0x1.eaf82p-1f},
               {6.0f, -0x1.1e1f18p-2f}, {7.0f, 0x1.50608cp-1f}, {10.0f, -0x1.1689eep-1f},
               {100.0f, -0x1.03425cp-1f}});
}

TEST(FMathPinned, Cos) {
  ExpectTable(FCos, "FCos",
              {{0.0f, 1.0f}, {1e-4f, 1.0f}, {0.5f, 0x1.c15282p-1f}, {1.0f, 0x1.14a282p-1f},
               {-1.0f, 0x1.14a282p-1f}, {1.5f, 0x1.21bd6p-4f},
               {kHalfPi, 0.0f},  // exactly 0, so a quarter turn lands on the axis
               {1.6f, -0x1.de6798p-6f}, {2.0f, -0x1.aa2264p-2f}, {3.0f, -0x1.fae04cp-1f},
               {-3.0f, -0x1.fae04cp-1f}, {kPi, -1.0f}, {4.0f, -0x1.4eaa64p-1f},
               {-4.0f, -0x1.4eaa64p-1f},
               {0x1.2d97c8p+2f, -0x1p-23f},  // three 32-bit half pis, not the true zero
               {5.0f, 0x1.22784ep-2f}, {6.0f, 0x1.eb9b7p-1f}, {7.0f, 0x1.81ff7ep-1f},
               {10.0f, -0x1.ad9acep-1f}, {100.0f, 0x1.b981aep-1f}});
}

// The bounds below sit a little above the largest errors the algorithms give on
// these points, so a wrong coefficient or reduction shows up as a failure here.

TEST(FMathSweep, SinWithinUlps) {
  for (int i = -kSweepHalf; i <= kSweepHalf; ++i) {
    const float x = SweepPoint(i);
    const double t = std::sin(double(x));
    EXPECT_LE(std::fabs(FSin(x) - t), 1.6 * UlpOf(t))  // algorithm gives 1.45
        << "FSin(" << Hex(x) << ")";
  }
}

// FCos reduces by odd multiples of the 32-bit half pi, which is 4.4e-8 above pi/2, so
// near its zeros it is far off in ulps; the contract is an absolute bound.
TEST(FMathSweep, CosWithinAbsolute) {
  for (int i = -kSweepHalf; i <= kSweepHalf; ++i) {
    const float x = SweepPoint(i);
    EXPECT_LE(std::fabs(FCos(x) - std::cos(double(x))), 2.4e-7)  // algorithm gives 2.27e-7
        << "FCos(" << Hex(x) << ")";
  }
}

// FTan reduces by the 32-bit half pi too: n quarter turns shift the argument by n times
// its excess over pi/2, and the slope 1 + tan^2 carries that into the result.
TEST(FMathSweep, TanWithinUlpsPlusReductionShift) {
  for (int i = -kSweepHalf; i <= kSweepHalf; ++i) {
    const float x = SweepPoint(i);
    const double t = std::tan(double(x));
    const double n = std::fabs(std::round(x * (2 / std::numbers::pi)));
    // The algorithm gives 1.86 ulps within the first quarter turn, 4.42e-8 per turn beyond.
    const double bound = 2 * UlpOf(t) + n * 4.6e-8 * (1 + t * t);
    EXPECT_LE(std::fabs(FTan(x) - t), bound) << "FTan(" << Hex(x) << ")";
  }
}

TEST(FMathSweep, ArcTanWithinUlps) {
  for (int i = -kSweepHalf; i <= kSweepHalf; ++i) {
    // Past 10 as well: the reciprocal branch covers everything beyond 2 + sqrt 3.
    for (float x : {SweepPoint(i), SweepPoint(i) * 100}) {
      const double t = std::atan(double(x));
      EXPECT_LE(std::fabs(FArcTan(x) - t), 1.5 * UlpOf(t))  // algorithm gives 1.41, 0.96
          << "FArcTan(" << Hex(x) << ")";
    }
  }
}

TEST(FMathSweep, ArcCosWithinUlps) {
  for (int i = -kSweepHalf; i <= kSweepHalf; ++i) {
    const float x = static_cast<float>(i / 10000.0);
    const double t = std::acos(double(x));
    EXPECT_LE(std::fabs(FArcCos(x) - t), 1.4 * UlpOf(t))  // algorithm gives 1.24
        << "FArcCos(" << Hex(x) << ")";
  }
}

// Directions all round the circle at a tiny, a unit and a workpiece-sized radius.
TEST(FMathSweep, AngleWithinUlps) {
  for (int i = 0; i < 3600; ++i) {
    const double theta = -std::numbers::pi + (i + 0.5) * (2 * std::numbers::pi / 3600);
    for (double radius : {0.01, 1.0, 37.5}) {
      const float x = static_cast<float>(radius * std::cos(theta));
      const float y = static_cast<float>(radius * std::sin(theta));
      const double t = std::atan2(double(y), double(x));
      EXPECT_LE(std::fabs(FAngle(x, y) - t), 1.7 * UlpOf(t))  // algorithm gives 1.56
          << "FAngle(" << Hex(x) << ", " << Hex(y) << ")";
    }
  }
}

}  // namespace
}  // namespace marloq
