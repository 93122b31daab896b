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
  TLogLine& Int(long long v, int w = 0) { return Printf("%*lld", w, v); }
  // (w:d): fixed notation with d decimals and '.' as the point, at least w characters.
  TLogLine& Real(long double v, int w, int d) { return Printf("%*.*Lf", w, d, v); }
  std::string_view View() const { return {buf_, len_}; }

 private:
  size_t Room() const { return sizeof buf_ - 1 - len_; }
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
