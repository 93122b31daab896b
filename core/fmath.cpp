// Single-precision math routines: argument reduction, then one short polynomial or
// rational approximation, with the constants of the original single-precision library.
#include "core/fmath.h"

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
float SinePolynomial(float f) {
  constexpr Extended r1 = -0.1666665668L, r2 = 0.008333025139L, r3 = -0.0001980741872L,
                     r4 = 2.601903036e-6L;
  const float g = FSqr(f);
  if (g > kTinySquared) f = static_cast<float>(f * (1 + g * (r1 + g * (r2 + g * (r3 + g * r4)))));
  return f;
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

float FCos(float x) {
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
