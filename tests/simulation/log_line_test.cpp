// Log numbers: the integers and whole reals of the log's lines, written without printf,
// against printf itself on the values the log writes and on the awkward ones.
#include "simulation/log_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace marloq {
namespace {

std::string Printf(const char* format, int w, auto v) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, w, v);
  return buf;
}

TEST(LogLine, NumbersAsPrintfWritesThem) {
  const long double reals[] = {0.0L, -0.0L, 0.5L, 1.5L, 2.5L, -2.5L, -0.4L, -0.5L, 0.49999999L, 123456.5L,
                               -98765.25L, 1e18L, -1e18L, 2147483647.5L, 3.0e30L, 1e200L};
  for (const int w : {0, 6, 7}) {
    for (const long double v : reals)
      EXPECT_EQ(std::string(TLogLine().Real(v, w, 0).View()), Printf("%*.0Lf", w, v)) << static_cast<double>(v);
    for (const long long v : {0LL, 7LL, -7LL, 123456LL, -1234567LL, LLONG_MIN, LLONG_MAX})
      EXPECT_EQ(std::string(TLogLine().Int(v, w).View()), Printf("%*lld", w, v)) << v;
  }
  // A step line's gaps: float targets less integer positions, as the steppers log them.
  uint64_t r = 1;
  for (int i = 0; i < 100'000; ++i) {
    r = r * 6364136223846793005ULL + 1442695040888963407ULL;
    const float target = static_cast<float>(static_cast<int64_t>(r) >> 40) / 8.0f;
    const long double gap = static_cast<long double>(target) - static_cast<int32_t>(r >> 40);
    ASSERT_EQ(std::string(TLogLine().Real(gap, 6, 0).View()), Printf("%*.0Lf", 6, gap)) << static_cast<double>(gap);
  }
}

}  // namespace
}  // namespace marloq
