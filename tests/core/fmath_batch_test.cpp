// FSinCos against FSin and FCos one at a time, bit for bit: every float of the angles
// arcs use, where the vector lanes do the work, and random bit patterns of all kinds.
// marloq_fmath_exhaustive runs the same comparison over all 2^32 floats.
#include "core/fmath_batch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "core/fmath.h"

namespace marloq {
namespace {

// Compares in batches of odd lengths, so that lanes and the scalar tail both take turns.
int Mismatches(TVectors vectors, const std::vector<float>& x) {
  std::vector<float> s(x.size()), c(x.size());
  for (size_t i = 0; i < x.size(); i += 1021) {
    const int n = static_cast<int>(std::min<size_t>(1021, x.size() - i));
    FSinCos(vectors, x.data() + i, s.data() + i, c.data() + i, n);
  }
  int bad = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    const bool same = std::bit_cast<uint32_t>(s[i]) == std::bit_cast<uint32_t>(FSin(x[i])) &&
                      std::bit_cast<uint32_t>(c[i]) == std::bit_cast<uint32_t>(FCos(x[i]));
    if (!same && ++bad <= 5) ADD_FAILURE() << "FSinCos differs at " << x[i];
  }
  return bad;
}

TEST(FSinCos, EqualsTheRoutinesOneAtATime) {
  std::vector<float> x;
  // Every float from 1/16 to 16 with a stride, both signs: the arcs' angles.
  for (uint32_t b = std::bit_cast<uint32_t>(0.0625f); b < std::bit_cast<uint32_t>(16.0f); b += 61) {
    x.push_back(std::bit_cast<float>(b));
    x.push_back(-std::bit_cast<float>(b));
  }
  uint64_t r = 88172645463325252ULL;
  for (int i = 0; i < 300'000; ++i) {
    r ^= r << 13, r ^= r >> 7, r ^= r << 17;
    x.push_back(std::bit_cast<float>(static_cast<uint32_t>(r)));
  }
  for (float special : {0.0f, -0.0f, 1e-45f, 1048575.9f, 1048576.0f, 3.0e38f, kHalfPi, kPi})
    x.push_back(special);
  // Every kind of vectors this processor has, down to none.
  for (int v = static_cast<int>(BestVectors()); v >= 0; --v) EXPECT_EQ(Mismatches(static_cast<TVectors>(v), x), 0) << v;
}

TEST(FRoundProducts, RoundsAsTheArcStepper) {
  std::vector<float> v;
  for (float f = -1.0f; f <= 1.0f; f += 0.000137f) v.push_back(f);
  for (float special : {0.0f, -0.0f, 0.5f, -0.5f, 1.0f, -1.0f}) v.push_back(special);
  for (const float r : {0.3f, 1.0f, 2.5f, 421.17f, 60000.0f, 536870000.0f}) {
    std::vector<int32_t> out(v.size());
    FRoundProducts(v.data(), r, out.data(), static_cast<int>(v.size()));
    for (size_t i = 0; i < v.size(); ++i)
      ASSERT_EQ(out[i], FRound(static_cast<float>(double(v[i]) * r))) << v[i] << " " << r;
  }
}

}  // namespace
}  // namespace marloq
