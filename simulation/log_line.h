// One log line under construction: fixed texts and numbers in the log's formats, in a
// fixed buffer so that building a line never allocates.
#pragma once

#include <cstdio>
#include <cstring>
#include <string_view>

namespace marloq {

class TLogLine {
 public:
  TLogLine& Text(std::string_view t) {
    const size_t n = t.size() < Room() ? t.size() : Room();
    std::memcpy(buf_ + len_, t.data(), n);
    len_ += n;
    return *this;
  }
  // (w): an integer right-aligned in w characters, wider when needed; (n) is w = 0.
  TLogLine& Int(long long v, int w = 0) {
    const bool negative = v < 0;
    return Digits(negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v),
                  negative, w);
  }
  // (w:d): fixed notation with d decimals and '.' as the point, at least w characters.
  // Without decimals, as printf writes it: rounded half to even, and "-0" for a
  // negative value that rounds to zero.
  TLogLine& Real(long double v, int w, int d) {
    if (d == 0 && v > -0x1p62L && v < 0x1p62L) {
      const long long r = __builtin_llrintl(v);
      return Digits(static_cast<unsigned long long>(r < 0 ? -r : r), __builtin_signbit(v) != 0, w);
    }
    return Printf("%*.*Lf", w, d, v);
  }
  std::string_view View() const { return {buf_, len_}; }

 private:
  size_t Room() const { return sizeof buf_ - 1 - len_; }
  TLogLine& Digits(unsigned long long magnitude, bool minus, int width) {
    char digits[24];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (minus) digits[n++] = '-';
    for (int pad = width - n; pad > 0 && Room() > 0; --pad) buf_[len_++] = ' ';
    while (n > 0 && Room() > 0) buf_[len_++] = digits[--n];
    return *this;
  }
  template <typename... A>
  TLogLine& Printf(const char* fmt, A... args) {
    const int n = std::snprintf(buf_ + len_, Room() + 1, fmt, args...);
    if (n > 0) len_ += static_cast<size_t>(n) < Room() ? static_cast<size_t>(n) : Room();
    return *this;
  }
  char buf_[512];
  size_t len_ = 0;
};

}  // namespace marloq
