// marloq_fmath_exhaustive: FSin and FCos against their extended-precision reference on
// every one of the 2^32 float bit patterns, compared bit for bit, so a -0 for +0 or
// another NaN payload counts as a mismatch. Also counts how often the double
// evaluation declines, and compares FSinCos, many at once, with the two one at a time.
// Then checks the error bounds the arc offsets rest on, over every float they cover.
// Takes minutes; exits 1 on any mismatch.
#include <algorithm>
#include <array>
#include <chrono>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <string_view>
#include <vector>

#include "core/arc_offsets.h"
#include "core/fmath.h"
#include "core/fmath_batch.h"

namespace {

using marloq::FCos;
using marloq::FCosDouble;
using marloq::FCosExtended;
using marloq::FSin;
using marloq::FSinDouble;
using marloq::FSinExtended;

uint32_t Bits(float v) { return std::bit_cast<uint32_t>(v); }
float FromBits(uint32_t b) { return std::bit_cast<float>(b); }

constexpr int kKeptMismatches = 8;

struct TRoutine {
  const char* Name;
  float (*Fast)(float);
  float (*Reference)(float);
  bool (*Double)(float, float&);
};

struct TTally {
  uint64_t Mismatches = 0;
  uint64_t Declined = 0;         // double evaluation declined, any argument
  uint64_t InRange = 0;          // finite and |x| < kDoubleTrigLimit
  uint64_t DeclinedInRange = 0;  // declined although in range: near a rounding boundary
  std::array<uint64_t, 256> DeclinedByExponent{};  // in range, by biased exponent
  std::array<uint32_t, kKeptMismatches> First{};
};

// Bit patterns [begin, end) as 64-bit numbers so that the last block reaches 2^32.
void Scan(const TRoutine& r, uint64_t begin, uint64_t end, TTally& t) {
  for (uint64_t i = begin; i < end; ++i) {
    const uint32_t bits = static_cast<uint32_t>(i);
    const float x = FromBits(bits);
    if (Bits(r.Fast(x)) != Bits(r.Reference(x))) {
      if (t.Mismatches < kKeptMismatches) t.First[t.Mismatches] = bits;
      ++t.Mismatches;
    }
    float unused;
    const bool declined = !r.Double(x, unused);
    const bool in_range = std::fabs(x) < marloq::kDoubleTrigLimit;  // false for NaN
    t.Declined += declined;
    t.InRange += in_range;
    t.DeclinedInRange += declined && in_range;
    if (declined && in_range) ++t.DeclinedByExponent[(bits >> 23) & 0xff];
  }
}

bool Check(const TRoutine& r) {
  constexpr uint64_t kAll = uint64_t(1) << 32;
  constexpr int kThreads = 2;
  const auto start = std::chrono::steady_clock::now();
  std::vector<TTally> tallies(kThreads);
  std::vector<std::thread> threads;
  for (int k = 0; k < kThreads; ++k)
    threads.emplace_back(Scan, std::cref(r), kAll * k / kThreads, kAll * (k + 1) / kThreads,
                         std::ref(tallies[k]));
  for (std::thread& th : threads) th.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  TTally sum;
  std::vector<uint32_t> first;
  for (const TTally& t : tallies) {
    sum.Mismatches += t.Mismatches;
    sum.Declined += t.Declined;
    sum.InRange += t.InRange;
    sum.DeclinedInRange += t.DeclinedInRange;
    for (int e = 0; e < 256; ++e) sum.DeclinedByExponent[e] += t.DeclinedByExponent[e];
    for (uint64_t j = 0; j < t.Mismatches && j < kKeptMismatches; ++j) first.push_back(t.First[j]);
  }
  std::printf("%s: %llu mismatches in 2^32 arguments (%.1f s)\n", r.Name,
              static_cast<unsigned long long>(sum.Mismatches), seconds);
  std::printf("  double evaluation declined: %llu of all (%.4f%%, mostly |x| >= 2^20, inf, NaN)\n",
              static_cast<unsigned long long>(sum.Declined), 100.0 * sum.Declined / kAll);
  std::printf("  declined with |x| < 2^20: %llu of %llu (%.3g)\n",
              static_cast<unsigned long long>(sum.DeclinedInRange),
              static_cast<unsigned long long>(sum.InRange),
              static_cast<double>(sum.DeclinedInRange) / sum.InRange);
  // Each binade [2^k, 2^(k+1)) holds 2^24 arguments of both signs.
  for (int e = 0; e < 256; ++e)
    if (sum.DeclinedByExponent[e] != 0)
      std::printf("    |x| in [2^%d, 2^%d): %llu (%.3g)\n", e - 127, e - 126,
                  static_cast<unsigned long long>(sum.DeclinedByExponent[e]),
                  sum.DeclinedByExponent[e] / 16777216.0);
  for (uint32_t bits : first) {
    const float x = FromBits(bits);
    std::printf("  x = %a (0x%08x): %a, reference %a\n", x, bits, r.Fast(x), r.Reference(x));
  }
  return sum.Mismatches == 0;
}

// FSinCos over [begin, end) in blocks, against FSin and FCos one at a time.
void ScanBatch(marloq::TVectors vectors, uint64_t begin, uint64_t end, uint64_t& mismatches) {
  constexpr int kBlock = 4096;
  std::array<float, kBlock> x, s, c;
  for (uint64_t i = begin; i < end; i += kBlock) {
    const int n = static_cast<int>(std::min<uint64_t>(kBlock, end - i));
    for (int k = 0; k < n; ++k) x[k] = FromBits(static_cast<uint32_t>(i + k));
    marloq::FSinCos(vectors, x.data(), s.data(), c.data(), n);
    for (int k = 0; k < n; ++k)
      mismatches += Bits(s[k]) != Bits(FSin(x[k])) || Bits(c[k]) != Bits(FCos(x[k]));
  }
}

// Each kind of vectors the processor has.
bool CheckBatch() {
  constexpr uint64_t kAll = uint64_t(1) << 32;
  constexpr int kThreads = 2;
  bool ok = true;
  for (int v = static_cast<int>(marloq::BestVectors()); v > 0; --v) {
    std::vector<uint64_t> mismatches(kThreads);
    std::vector<std::thread> threads;
    for (int k = 0; k < kThreads; ++k)
      threads.emplace_back(ScanBatch, static_cast<marloq::TVectors>(v), kAll * k / kThreads,
                           kAll * (k + 1) / kThreads, std::ref(mismatches[k]));
    for (std::thread& th : threads) th.join();
    const uint64_t sum = mismatches[0] + mismatches[1];
    std::printf("FSinCos (%s): %llu arguments unlike FSin or FCos in 2^32\n", v == 2 ? "AVX-512" : "AVX2",
                static_cast<unsigned long long>(sum));
    std::fflush(stdout);
    ok = ok && sum == 0;
  }
  return ok;
}

// Every float of the binades with bounds: FSin and FCos no further from the sine and
// cosine (double's, within an ulp) than the bounds of their binade.
bool CheckErrorBounds() {
  bool ok = true;
  for (int e = -126; e < 128; ++e) {
    if (marloq::FSinErrorBound(e) < 0) continue;
    double worstSin = 0, worstCos = 0;
    const uint32_t first = Bits(std::ldexp(1.0f, e)), end = Bits(std::ldexp(1.0f, e + 1));
    for (uint32_t b = first; b < end; ++b) {
      const float x = FromBits(b);
      worstSin = std::max(worstSin, std::fabs(FSin(x) - std::sin(double(x))));
      worstCos = std::max(worstCos, std::fabs(FCos(x) - std::cos(double(x))));
    }
    const bool held = worstSin < marloq::FSinErrorBound(e) && worstCos < marloq::FCosErrorBound(e);
    std::printf("[2^%d, 2^%d): FSin off by up to %a (bound %a), FCos by %a (bound %a)%s\n", e, e + 1, worstSin,
                marloq::FSinErrorBound(e), worstCos, marloq::FCosErrorBound(e), held ? "" : ": BOUND EXCEEDED");
    ok = ok && held;
  }
  return ok;
}

}  // namespace

// With --batch only FSinCos is compared, with each kind of vectors; with --bounds only
// the error bounds are checked.
int main(int argc, char** argv) {
  const TRoutine routines[] = {{"FSin", FSin, FSinExtended, FSinDouble},
                               {"FCos", FCos, FCosExtended, FCosDouble}};
  const std::string_view only = argc > 1 ? argv[1] : "";
  if (only == "--bounds") return CheckErrorBounds() ? 0 : 1;
  const bool batchOnly = only == "--batch";
  bool ok = true;
  if (!batchOnly)
    for (const TRoutine& r : routines) ok = Check(r) && ok;
  ok = CheckBatch() && ok;
  ok = CheckErrorBounds() && ok;
  std::printf(ok ? "all equal\n" : "MISMATCHES\n");
  return ok ? 0 : 1;
}
