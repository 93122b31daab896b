// Single-precision math routines: the core's own roundings, roots and trigonometry.
// Every angle and root that decides the drawing comes from here, never from <cmath>.
#pragma once

#include <cstdint>

namespace marloq {

// Stored results are 32-bit floats; intermediates are evaluated as long double
// (the x87 80-bit format on x86-64) and rounded where a value is stored.
using Extended = long double;

inline constexpr float kHalfPi = 1.5707963705062866f;
inline constexpr Extended kPiExtended = 3.14159265358979323851L;
inline constexpr float kPi = 3.1415927410125732f;
inline constexpr float kTwoPi = 6.2831855f;
inline constexpr float kTwoOverPi = 0.6366197466850281f;
inline constexpr float kOneOverPi = 0.31830987334251404f;
inline constexpr float kTiny = 0.000244140625f;              // 2^-12
inline constexpr float kTinySquared = 5.9604644775390625e-8f; // 2^-24

// Truncates towards zero into 32 bits. NaN gives 0; values beyond the 32-bit
// range saturate, so absurd program numbers never reach an undefined conversion.
inline int32_t TruncToInt32(Extended v) {
  if (v != v) return 0;
  if (v >= 2147483648.0L) return INT32_MAX;
  if (v <= -2147483649.0L) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// The system's other rounding (the view's and the tool's): to nearest, ties to even,
// saturating like TruncToInt32. Uses the current rounding mode, which nothing changes.
inline int32_t RoundHalfEven(Extended v) {
  if (v != v) return 0;
  if (v >= 2147483647.5L) return INT32_MAX;
  if (v <= -2147483648.5L) return INT32_MIN;
  return static_cast<int32_t>(__builtin_lrintl(v));  // one fistp: math errno is off
}

inline float FAbs(float x) { return x >= 0 ? x : -x; }

// Half away from zero, unlike every other rounding of the system (half to even).
// The same truncation of a double: SSE's cvttsd2si, without the x87 control-word
// switches a long double conversion costs.
inline int32_t TruncToInt32(double v) {
  if (v != v) return 0;
  if (v >= 2147483648.0) return INT32_MAX;
  if (v <= -2147483649.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// x +- 0.5 is exact in double for every float below 2^31 in magnitude down to 2^-30,
// and rounds to +-0.5 below that as it would in extended precision: the same result.
inline int32_t FRound(float x) {
  return x >= 0 ? TruncToInt32(double(x) + 0.5) : TruncToInt32(double(x) - 0.5);
}

inline int32_t FTrunc(float x) { return TruncToInt32(double(x)); }

inline float FSqr(float x) { return static_cast<float>(Extended(x) * x); }

float FSqrt(float x);
float FArcTan(float x);
float FAngle(float x, float y);  // direction of (x, y) in (-pi, pi]; x first
float FArcCos(float x);
float FTan(float x);
// Sine and cosine. The results are exactly those of FSinExtended and FCosExtended;
// almost every argument is evaluated the cheaper way of FSinDouble and FCosDouble.
float FSin(float x);
float FCos(float x);

// The reference definition of FSin and FCos: reduction and polynomial evaluated in
// extended precision, rounded to float where a value is stored.
float FSinExtended(float x);
float FCosExtended(float x);

// The same evaluations in double (SSE2), for |x| < kDoubleTrigLimit. Each returns
// false, leaving result untouched, when it cannot vouch for the extended result: a
// stored value lies too close to a float rounding boundary, or x is out of range.
inline constexpr float kDoubleTrigLimit = 1048576.0f;  // 2^20
bool FSinDouble(float x, float& result);
bool FCosDouble(float x, float& result);

}  // namespace marloq
