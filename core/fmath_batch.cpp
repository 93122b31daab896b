// FSin and FCos of many arguments at once: eight at a time in AVX-512 or four in AVX2
// where the processor has it, each lane the very operations of the scalar double
// evaluation (so the same results), and a lane it cannot vouch for done by the scalar
// routines.
#include "core/fmath_batch.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cstdint>

#include "core/fmath.h"

namespace marloq {

namespace {

// As in fmath.cpp: extended pi as the exact sum of two doubles, the polynomial's
// coefficients rounded to double, and the check of v's dropped bits.
constexpr double kPiHigh = 0x1.921fb544p+1;
constexpr double kPiLow = 0x1.0b4611a8p-33;
constexpr double kSineR1d = -0.1666665668L, kSineR2d = 0.008333025139L, kSineR3d = -0.0001980741872L,
                 kSineR4d = 2.601903036e-6L;
constexpr int64_t kDroppedBits = (int64_t(1) << 29) - 1;
constexpr int64_t kHalfway = int64_t(1) << 28;
constexpr int64_t kPolynomialUlps = 16;

// The polynomial of FSin and FCos on four reduced arguments f (floats widened to
// double); ok lanes are those it vouches for.
[[gnu::target("avx2")]] __m128 SinePolynomial4(__m128 f, __m256d& ok) {
  const __m256d fd = _mm256_cvtps_pd(f);
  const __m128 g = _mm256_cvtpd_ps(_mm256_mul_pd(fd, fd));
  const __m256d gd = _mm256_cvtps_pd(g);
  const __m256d small = _mm256_cmp_pd(gd, _mm256_set1_pd(kTinySquared), _CMP_NGT_UQ);
  const __m256d big = _mm256_cmp_pd(gd, _mm256_set1_pd(4.0), _CMP_GT_OQ);
  const __m256d lowPart = _mm256_add_pd(_mm256_set1_pd(kSineR1d), _mm256_mul_pd(gd, _mm256_set1_pd(kSineR2d)));
  const __m256d highPart = _mm256_add_pd(_mm256_set1_pd(kSineR3d), _mm256_mul_pd(gd, _mm256_set1_pd(kSineR4d)));
  const __m256d p = _mm256_add_pd(lowPart, _mm256_mul_pd(_mm256_mul_pd(gd, gd), highPart));
  const __m256d v = _mm256_add_pd(fd, _mm256_mul_pd(_mm256_mul_pd(fd, gd), p));
  const __m256i dropped = _mm256_and_si256(
      _mm256_sub_epi64(_mm256_castpd_si256(v), _mm256_set1_epi64x(kHalfway - kPolynomialUlps)),
      _mm256_set1_epi64x(kDroppedBits));
  const __m256d clear = _mm256_castsi256_pd(_mm256_cmpgt_epi64(dropped, _mm256_set1_epi64x(2 * kPolynomialUlps)));
  ok = _mm256_and_pd(ok, _mm256_or_pd(small, _mm256_andnot_pd(big, clear)));
  return _mm_blendv_ps(_mm256_cvtpd_ps(v), f, _mm256_cvtpd_ps(small));
}

// -f where negate is set and f is not zero; a zero keeps its sign, as in the scalar code.
[[gnu::target("avx2")]] __m128 NegateNonZero(__m128 f, __m128 negate) {
  const __m128 nonZero = _mm_cmp_ps(f, _mm_setzero_ps(), _CMP_NEQ_UQ);
  return _mm_xor_ps(f, _mm_and_ps(_mm_and_ps(negate, nonZero), _mm_set1_ps(-0.0f)));
}

// Lanes of a double mask as a float mask.
[[gnu::target("avx2")]] __m128 Narrow(__m256d mask) { return _mm256_cvtpd_ps(mask); }

[[gnu::target("avx2")]] void SinCos4(const float* x, float* sines, float* cosines) {
  const __m128 xf = _mm_loadu_ps(x);
  const __m256d xd = _mm256_cvtps_pd(xf);
  const __m256d yd = _mm256_andnot_pd(_mm256_set1_pd(-0.0), xd);
  const __m256d inRange = _mm256_cmp_pd(yd, _mm256_set1_pd(kDoubleTrigLimit), _CMP_LT_OQ);
  const __m128i one = _mm_set1_epi32(1);

  // FSin: n = Trunc(Float(y / pi + 0.5)), f = y - n * pi, stored.
  __m256d sinOk = inRange;
  const __m128i n = _mm_cvttps_epi32(
      _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(yd, _mm256_set1_pd(kOneOverPi)), _mm256_set1_pd(0.5))));
  const __m256d nd = _mm256_cvtepi32_pd(n);
  const __m256d d = _mm256_sub_pd(_mm256_sub_pd(yd, _mm256_mul_pd(nd, _mm256_set1_pd(kPiHigh))),
                                  _mm256_mul_pd(nd, _mm256_set1_pd(kPiLow)));
  const __m256d err = _mm256_add_pd(_mm256_mul_pd(nd, _mm256_set1_pd(0x1p-61)),
                                    _mm256_mul_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), d), _mm256_set1_pd(0x1p-51)));
  const __m128 below = _mm256_cvtpd_ps(_mm256_sub_pd(d, err)), above = _mm256_cvtpd_ps(_mm256_add_pd(d, err));
  sinOk = _mm256_and_pd(sinOk, _mm256_cvtps_pd(_mm_cmp_ps(below, above, _CMP_EQ_OQ)));
  __m128 s = SinePolynomial4(_mm256_cvtpd_ps(d), sinOk);
  const __m128 nOdd = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(n, one), one));
  const __m128 negative = _mm_xor_ps(_mm_cmp_ps(xf, _mm_setzero_ps(), _CMP_LT_OQ), nOdd);
  s = NegateNonZero(s, negative);

  // FCos: n = Trunc(Float(y / pi)), f = y - (2n + 1) * half pi, stored; no reduction check.
  __m256d cosOk = inRange;
  const __m128i m = _mm_cvttps_epi32(_mm256_cvtpd_ps(_mm256_mul_pd(yd, _mm256_set1_pd(kOneOverPi))));
  const __m256d odd = _mm256_cvtepi32_pd(_mm_add_epi32(_mm_add_epi32(m, m), one));
  __m128 c = SinePolynomial4(_mm256_cvtpd_ps(_mm256_sub_pd(yd, _mm256_mul_pd(odd, _mm256_set1_pd(kHalfPi)))), cosOk);
  const __m128 mEven = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(m, one), _mm_setzero_si128()));
  c = NegateNonZero(c, mEven);

  // Zero arguments: sine 0 and cosine 1, as the routines answer before any reduction.
  const __m128 zero = _mm_cmp_ps(xf, _mm_setzero_ps(), _CMP_EQ_OQ);
  s = _mm_blendv_ps(s, _mm_setzero_ps(), zero);
  c = _mm_blendv_ps(c, _mm_set1_ps(1.0f), zero);
  _mm_storeu_ps(sines, s);
  _mm_storeu_ps(cosines, c);
  const int sinGood = _mm_movemask_ps(_mm_or_ps(Narrow(sinOk), zero));
  const int cosGood = _mm_movemask_ps(_mm_or_ps(Narrow(cosOk), zero));
  for (int lane = 0; lane < 4; ++lane) {
    if (!(sinGood >> lane & 1)) sines[lane] = FSin(x[lane]);
    if (!(cosGood >> lane & 1)) cosines[lane] = FCos(x[lane]);
  }
}

// The same eight at a time in AVX-512, working in doubles throughout: a float result is
// held as the double it converts to exactly, blended and negated there.
[[gnu::target("avx512f"), gnu::always_inline]] inline __m512d SinePolynomial8(__m512d fd, __mmask8& ok) {
  const __m512d gd = _mm512_cvtps_pd(_mm512_cvtpd_ps(_mm512_mul_pd(fd, fd)));
  const __mmask8 small = _mm512_cmp_pd_mask(gd, _mm512_set1_pd(kTinySquared), _CMP_NGT_UQ);
  const __mmask8 big = _mm512_cmp_pd_mask(gd, _mm512_set1_pd(4.0), _CMP_GT_OQ);
  const __m512d lowPart = _mm512_add_pd(_mm512_set1_pd(kSineR1d), _mm512_mul_pd(gd, _mm512_set1_pd(kSineR2d)));
  const __m512d highPart = _mm512_add_pd(_mm512_set1_pd(kSineR3d), _mm512_mul_pd(gd, _mm512_set1_pd(kSineR4d)));
  const __m512d p = _mm512_add_pd(lowPart, _mm512_mul_pd(_mm512_mul_pd(gd, gd), highPart));
  const __m512d v = _mm512_add_pd(fd, _mm512_mul_pd(_mm512_mul_pd(fd, gd), p));
  const __m512i dropped = _mm512_and_si512(
      _mm512_sub_epi64(_mm512_castpd_si512(v), _mm512_set1_epi64(kHalfway - kPolynomialUlps)),
      _mm512_set1_epi64(kDroppedBits));
  const __mmask8 clear = _mm512_cmpgt_epi64_mask(dropped, _mm512_set1_epi64(2 * kPolynomialUlps));
  ok &= small | (~big & clear);
  return _mm512_mask_blend_pd(small, _mm512_cvtps_pd(_mm512_cvtpd_ps(v)), fd);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512d NegateNonZero8(__m512d f, __mmask8 negate) {
  const __mmask8 nonZero = _mm512_cmp_pd_mask(f, _mm512_setzero_pd(), _CMP_NEQ_UQ);
  return _mm512_mask_sub_pd(f, negate & nonZero, _mm512_setzero_pd(), f);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __mmask8 OddLanes8(__m256i k) {
  const __m256i one = _mm256_set1_epi32(1);
  return static_cast<__mmask8>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_and_si256(k, one), one))));
}

[[gnu::target("avx512f")]] void SinCos8(const float* x, float* sines, float* cosines) {
  const __m256 xf = _mm256_loadu_ps(x);
  const __m512d xd = _mm512_cvtps_pd(xf);
  const __m512d yd = _mm512_abs_pd(xd);
  const __mmask8 inRange = _mm512_cmp_pd_mask(yd, _mm512_set1_pd(kDoubleTrigLimit), _CMP_LT_OQ);
  const __m256i one = _mm256_set1_epi32(1);

  __mmask8 sinOk = inRange;
  const __m256i n = _mm256_cvttps_epi32(
      _mm512_cvtpd_ps(_mm512_add_pd(_mm512_mul_pd(yd, _mm512_set1_pd(kOneOverPi)), _mm512_set1_pd(0.5))));
  const __m512d nd = _mm512_cvtepi32_pd(n);
  const __m512d d = _mm512_sub_pd(_mm512_sub_pd(yd, _mm512_mul_pd(nd, _mm512_set1_pd(kPiHigh))),
                                  _mm512_mul_pd(nd, _mm512_set1_pd(kPiLow)));
  const __m512d err = _mm512_add_pd(_mm512_mul_pd(nd, _mm512_set1_pd(0x1p-61)),
                                    _mm512_mul_pd(_mm512_abs_pd(d), _mm512_set1_pd(0x1p-51)));
  const __m256 below = _mm512_cvtpd_ps(_mm512_sub_pd(d, err)), above = _mm512_cvtpd_ps(_mm512_add_pd(d, err));
  sinOk &= static_cast<__mmask8>(_mm256_movemask_ps(_mm256_cmp_ps(below, above, _CMP_EQ_OQ)));
  __m512d s = SinePolynomial8(_mm512_cvtps_pd(_mm512_cvtpd_ps(d)), sinOk);
  const __mmask8 negative = _mm512_cmp_pd_mask(xd, _mm512_setzero_pd(), _CMP_LT_OQ) ^ OddLanes8(n);
  s = NegateNonZero8(s, negative);

  __mmask8 cosOk = inRange;
  const __m256i m = _mm256_cvttps_epi32(_mm512_cvtpd_ps(_mm512_mul_pd(yd, _mm512_set1_pd(kOneOverPi))));
  const __m512d odd = _mm512_cvtepi32_pd(_mm256_add_epi32(_mm256_add_epi32(m, m), one));
  const __m512d reduced = _mm512_sub_pd(yd, _mm512_mul_pd(odd, _mm512_set1_pd(kHalfPi)));
  __m512d c = SinePolynomial8(_mm512_cvtps_pd(_mm512_cvtpd_ps(reduced)), cosOk);
  c = NegateNonZero8(c, static_cast<__mmask8>(~OddLanes8(m)));

  const __mmask8 zero = _mm512_cmp_pd_mask(xd, _mm512_setzero_pd(), _CMP_EQ_OQ);
  s = _mm512_mask_blend_pd(zero, s, _mm512_setzero_pd());
  c = _mm512_mask_blend_pd(zero, c, _mm512_set1_pd(1.0));
  _mm256_storeu_ps(sines, _mm512_cvtpd_ps(s));
  _mm256_storeu_ps(cosines, _mm512_cvtpd_ps(c));
  const unsigned sinGood = sinOk | zero, cosGood = cosOk | zero;
  if ((sinGood & cosGood) == 0xFF) return;
  for (int lane = 0; lane < 8; ++lane) {
    if (!(sinGood >> lane & 1)) sines[lane] = FSin(x[lane]);
    if (!(cosGood >> lane & 1)) cosines[lane] = FCos(x[lane]);
  }
}

[[gnu::target("avx512f")]] void SinCosAvx512(const float* x, float* sines, float* cosines, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) SinCos8(x + i, sines + i, cosines + i);
  for (; i < n; ++i) {
    sines[i] = FSin(x[i]);
    cosines[i] = FCos(x[i]);
  }
}

[[gnu::target("avx2")]] void SinCosAvx2(const float* x, float* sines, float* cosines, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) SinCos4(x + i, sines + i, cosines + i);
  for (; i < n; ++i) {
    sines[i] = FSin(x[i]);
    cosines[i] = FCos(x[i]);
  }
}

void SinCosScalar(const float* x, float* sines, float* cosines, int n) {
  for (int i = 0; i < n; ++i) {
    sines[i] = FSin(x[i]);
    cosines[i] = FCos(x[i]);
  }
}

// FRound of a float product: the float multiply rounds the exact product once, as the
// product of two floats in double and its rounding to float do; then half away from zero.
[[gnu::target("avx512f")]] void RoundProductsAvx512(const float* v, float r, int32_t* out, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m512d p = _mm512_cvtps_pd(_mm256_mul_ps(_mm256_loadu_ps(v + i), _mm256_set1_ps(r)));
    const __mmask8 negative = _mm512_cmp_pd_mask(p, _mm512_setzero_pd(), _CMP_LT_OQ);
    const __m512d half = _mm512_mask_blend_pd(negative, _mm512_set1_pd(0.5), _mm512_set1_pd(-0.5));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm512_cvttpd_epi32(_mm512_add_pd(p, half)));
  }
  for (; i < n; ++i) out[i] = FRound(v[i] * r);
}

void RoundProductsScalar(const float* v, float r, int32_t* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = FRound(v[i] * r);
}

using TSinCos = void (*)(const float*, float*, float*, int);

TSinCos SinCosWith(TVectors vectors) {
  switch (vectors) {
    case TVectors::Avx512: return SinCosAvx512;
    case TVectors::Avx2: return SinCosAvx2;
    case TVectors::None: break;
  }
  return SinCosScalar;
}

const TVectors kBest = [] {
  __builtin_cpu_init();  // before the checks, which may run before other constructors
  if (__builtin_cpu_supports("avx512f")) return TVectors::Avx512;
  return __builtin_cpu_supports("avx2") ? TVectors::Avx2 : TVectors::None;
}();
const TSinCos kSinCos = SinCosWith(kBest);

}  // namespace

TVectors BestVectors() { return kBest; }

void FRoundProducts(const float* v, float r, int32_t* out, int n) {
  if (kBest == TVectors::Avx512) RoundProductsAvx512(v, r, out, n);
  else RoundProductsScalar(v, r, out, n);
}

void FSinCos(const float* x, float* sines, float* cosines, int n) { kSinCos(x, sines, cosines, n); }

void FRoundOffsets(const float* angles, float r, int32_t* xs, int32_t* ys, int n) {
  constexpr int kBatch = 256;
  float sines[kBatch], cosines[kBatch];
  for (int done = 0; done < n; done += kBatch) {
    const int m = std::min(kBatch, n - done);
    kSinCos(angles + done, sines, cosines, m);
    FRoundProducts(sines, r, ys + done, m);
    FRoundProducts(cosines, r, xs + done, m);
  }
}

void FSinCos(TVectors vectors, const float* x, float* sines, float* cosines, int n) {
  SinCosWith(vectors)(x, sines, cosines, n);
}

}  // namespace marloq
