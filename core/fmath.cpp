// Single-precision math routines: argument reduction, then one short polynomial or
// rational approximation, with the constants of the original single-precision library.
#include "core/fmath.h"

#include <bit>
#include <cmath>

namespace marloq {

namespace {

constexpr Extended kRoot3 = 1.7320508076L;
constexpr Extended kTwoMinusRoot3 = 0.26794919243L;
constexpr Extended kTwoPlusRoot3 = 3.73205080758451458L;  // 1 / kTwoMinusRoot3, not 2 + sqrt 3
constexpr float kArcTanOffset[4] = {0.0f, 0.5235987901687622f, 1.5707963705062866f,
                                    1.0471975803375244f};
constexpr float kArcCosOffsetPositive[2] = {0.0f, kHalfPi};
constexpr float kArcCosOffsetNegative[2] = {kPi, kHalfPi};
constexpr float kTanOfOddMultiple = 1e12f;  // 999999995904 as stored

// Odd polynomial shared by FSin and FCos on the reduced argument.
constexpr Extended kSineR1 = -0.1666665668L, kSineR2 = 0.008333025139L,
                   kSineR3 = -0.0001980741872L, kSineR4 = 2.601903036e-6L;

float SinePolynomial(float f) {
  const float g = FSqr(f);
  if (g > kTinySquared)
    f = static_cast<float>(f * (1 + g * (kSineR1 + g * (kSineR2 + g * (kSineR3 + g * kSineR4)))));
  return f;
}

// The double evaluation behind FSin and FCos. Each stored value is computed in double
// together with a bound on its distance from the extended intermediate it stands for;
// when no float rounding boundary lies that close, the extended routine stores the same
// float, otherwise the caller falls back to it.

// Extended pi = kPiHigh + kPiLow exactly, 32 and 30 significant bits: for n < 2^21 both
// products with n are exact, and y - n * kPiHigh is exact as well (a multiple of 2^-30
// below 4 in magnitude), so the reduction rounds only once.
constexpr double kPiHigh = 0x1.921fb544p+1;
constexpr double kPiLow = 0x1.0b4611a8p-33;
static_assert(Extended(kPiHigh) + Extended(kPiLow) == kPiExtended);

// The extended coefficients rounded to double; their error is part of the bound below.
constexpr double kSineR1d = kSineR1, kSineR2d = kSineR2, kSineR3d = kSineR3,
                 kSineR4d = kSineR4;

// For g <= 4 the double polynomial below is within 2^-49.6 (relative) of the exact one,
// the extended Horner evaluation within 2^-60.8: roundings and coefficients together,
// with 1 + g * p >= 0.45. That is less than 11 units in the last place of v, so both
// round to the same float unless the 29 bits of v that float drops lie within 16 units
// of halfway. The reduced argument stays below 1.71 for |x| < 2^20, so g < 3.
constexpr float kPolynomialMaxG = 4.0f;
constexpr uint64_t kDroppedBits = (uint64_t(1) << 29) - 1;
constexpr uint64_t kHalfway = uint64_t(1) << 28;
constexpr uint64_t kPolynomialUlps = 16;

// Rounding is monotonic: when v - err and v + err round alike, so does all between.
// err is taken at least twice the error bound, which covers the roundings of v - err
// and v + err. The rounding of v itself stays off the check's path, so a predicted
// branch costs no latency.
[[gnu::always_inline]] inline bool RoundIfUnambiguous(double v, double err, float& out) {
  out = static_cast<float>(v);
  return static_cast<float>(v - err) == static_cast<float>(v + err);
}

// SinePolynomial, with the powers of g split (Estrin) for a shorter dependency chain:
// the arc stepper waits for every result.
[[gnu::always_inline]] inline bool SinePolynomialDouble(float& f) {
  const double fd = f;
  const float g = static_cast<float>(fd * fd);  // exact product, so FSqr's rounding
  if (!(g > kTinySquared)) return true;
  if (g > kPolynomialMaxG) return false;
  const double gd = g;
  const double p = (kSineR1d + gd * kSineR2d) + (gd * gd) * (kSineR3d + gd * kSineR4d);
  const double v = fd + (fd * gd) * p;  // at least 2^-14 in magnitude: a normal float
  f = static_cast<float>(v);
  // Cheaper than a bracket and off the result's path likewise.
  const uint64_t bits = std::bit_cast<uint64_t>(v);
  return ((bits - (kHalfway - kPolynomialUlps)) & kDroppedBits) > 2 * kPolynomialUlps;
}

[[gnu::always_inline]] inline bool SinDouble(float x, float& result) {
  if (x == 0) {
    result = 0.0f;
    return true;
  }
  const float y = FAbs(x);
  if (!(y < kDoubleTrigLimit)) return false;  // NaN too
  bool negative = x < 0;
  const double yd = y;
  // y * one over pi is exact in double, and so is the sum once it reaches 0.25; below
  // that both evaluations truncate to 0.
  const int32_t n = static_cast<int32_t>(static_cast<float>(yd * kOneOverPi + 0.5));
  if (n & 1) negative = !negative;
  const double nd = n;
  const double d = (yd - nd * kPiHigh) - nd * kPiLow;
  // Extended: n * pi is rounded to 64 bits (at most n * 2^-62 off) before the
  // subtraction; double: one rounding of the exact difference. Both bounds doubled.
  float f;
  if (!RoundIfUnambiguous(d, nd * 0x1p-61 + std::fabs(d) * 0x1p-51, f)) return false;
  if (!SinePolynomialDouble(f)) return false;
  if (negative && f != 0) f = -f;
  result = f;
  return true;
}

[[gnu::always_inline]] inline bool CosDouble(float x, float& result) {
  if (x == 0) {
    result = 1.0f;
    return true;
  }
  const float y = FAbs(x);
  if (!(y < kDoubleTrigLimit)) return false;  // NaN too
  const double yd = y;
  const int32_t n = static_cast<int32_t>(static_cast<float>(yd * kOneOverPi));
  const bool flip = (n & 1) == 0;
  // (2n + 1) * half pi is a multiple of 2^-23 and exact in both. From y >= 2^-29 on, y
  // is a multiple of 2^-52 and the difference (below 2 in magnitude) exact too; below,
  // both differences lie within 2^-29 of -half pi and round to it. So no check here.
  const double d = yd - double(2 * n + 1) * kHalfPi;
  float f = static_cast<float>(d);
  if (!SinePolynomialDouble(f)) return false;
  if (flip && f != 0) f = -f;
  result = f;
  return true;
}

}  // namespace

float FSqrt(float x) {
  if (x < 0) return 0.0f;
  return static_cast<float>(std::sqrt(Extended(x)));
}

float FArcTan(float x) {
  float f = FAbs(x);
  int n = 0;
  if (f > 1) {
    if (f > kTwoPlusRoot3) {
      f = static_cast<float>(1 / Extended(f));
      n = 2;
    } else {
      f = static_cast<float>((kRoot3 - f) / (kRoot3 * f + 1));
      n = 3;
    }
  } else if (f > kTwoMinusRoot3) {
    f = static_cast<float>((kRoot3 * f - 1) / (kRoot3 + f));
    n = 1;
  }
  if (FAbs(f) >= kTiny) {
    constexpr Extended p0 = -0.4708325141L, p1 = -0.05090958253L, q0 = 1.41250074L;
    const float g = FSqr(f);
    f = static_cast<float>(f + Extended(f) * g * (p1 * g + p0) / (g + q0));
  }
  if (n > 1) f = -f;
  f = static_cast<float>(Extended(f) + kArcTanOffset[n]);
  if (x < 0 && f != 0) f = -f;
  return f;
}

float FAngle(float x, float y) {
  if (x == 0 && y == 0) return 0.0f;
  Extended r;
  if (FAbs(y) > FAbs(x)) {
    r = -FArcTan(static_cast<float>(Extended(x) / y));
    r = y >= 0 ? r + kHalfPi : r - kHalfPi;
  } else {
    r = FArcTan(static_cast<float>(Extended(y) / x));
    if (x < 0) r = y >= 0 ? r + kPiExtended : r - kPiExtended;
  }
  return static_cast<float>(r);
}

float FArcCos(float x) {
  if (x == 1) return 0.0f;
  if (x == -1) return kPi;
  if (x == 0) return kHalfPi;
  float y = FAbs(x);
  int i = 1;
  if (y > kTiny) {
    constexpr Extended p1 = 0.933935835L, p2 = -0.504400557L, q0 = 5.60363004L,
                       q1 = -5.54846723L;
    float g;
    if (y > 0.5f) {
      i = 0;
      g = static_cast<float>((1 - Extended(y)) * 0.5L);
      y = static_cast<float>(FSqrt(g) * -2.0L);
    } else {
      g = static_cast<float>(Extended(y) * y);
    }
    y = static_cast<float>(y * (1 + g * (p2 * g + p1) / ((g + q1) * g + q0)));
  }
  if (x >= 0) return static_cast<float>(-Extended(y) + kArcCosOffsetPositive[i]);
  return static_cast<float>(Extended(y) + kArcCosOffsetNegative[i]);
}

float FTan(float x) {
  const int32_t n = FRound(static_cast<float>(Extended(x) * kTwoOverPi));
  const bool odd = (n & 1) != 0;
  const float f = static_cast<float>(x - Extended(n) * kHalfPi);
  float result;
  if (FAbs(f) < kTiny) {
    if (!odd) result = f;
    else result = f == 0 ? kTanOfOddMultiple : static_cast<float>(1 / Extended(f));
  } else {
    constexpr Extended p1 = -0.0958017723L, q1 = -0.429135777L, q2 = 0.00971685835L;
    const float g = FSqr(f);
    const float num = static_cast<float>(f * (p1 * g + 1));
    const float den = static_cast<float>((q2 * g + q1) * g + 1);
    result = static_cast<float>(odd ? Extended(den) / num : Extended(num) / den);
  }
  if (odd && result != 0) result = -result;
  return result;
}

float FSin(float x) {
  float result;
  if (SinDouble(x, result)) [[likely]]
    return result;
  return FSinExtended(x);
}

float FCos(float x) {
  float result;
  if (CosDouble(x, result)) [[likely]]
    return result;
  return FCosExtended(x);
}

bool FSinDouble(float x, float& result) { return SinDouble(x, result); }

bool FCosDouble(float x, float& result) { return CosDouble(x, result); }

float FSinExtended(float x) {
  if (x == 0) return 0.0f;
  const float y = FAbs(x);
  bool negative = x < 0;
  const int32_t n = FTrunc(static_cast<float>(Extended(y) * kOneOverPi + 0.5L));
  if (n & 1) negative = !negative;
  float f = static_cast<float>(y - Extended(n) * kPiExtended);
  f = SinePolynomial(f);
  if (negative && f != 0) f = -f;
  return f;
}

float FCosExtended(float x) {
  if (x == 0) return 1.0f;
  const float y = FAbs(x);
  const int32_t n = FTrunc(static_cast<float>(Extended(y) * kOneOverPi));
  const bool flip = (n & 1) == 0;
  // 2n + 1 in 64 bits: n saturates at the 32-bit limit for absurd arguments.
  float f = static_cast<float>(y - Extended(2 * int64_t(n) + 1) * kHalfPi);
  f = SinePolynomial(f);
  if (flip && f != 0) f = -f;
  return f;
}

}  // namespace marloq
