// Numbers in the window's texts.
#include "simulation/system_text.h"

#include <charconv>
#include <cstdio>

namespace marloq {

namespace {

template <typename... A>
std::string Format(const char* format, A... args) {
  char buf[256];
  const int n = std::snprintf(buf, sizeof buf, format, args...);
  std::string s(buf, n < 0 ? 0 : (n < int(sizeof buf) ? n : int(sizeof buf) - 1));
  for (char& c : s)
    if (c == '.') c = kDecimalSeparator;
  return s;
}

}  // namespace

std::string FormatSystem(const char* f, long double a) { return Format(f, a); }
std::string FormatSystem(const char* f, long double a, long double b) { return Format(f, a, b); }
std::string FormatSystem(const char* f, long double a, long double b, long double c) {
  return Format(f, a, b, c);
}

float ParseDecimal(std::string_view text) {
  std::string t(text);
  if (const size_t comma = t.find(','); comma != std::string::npos) t[comma] = '.';
  size_t b = t.find_first_not_of(' '), e = t.find_last_not_of(' ');
  if (b == std::string::npos) return 0.0f;
  float v = 0.0f;
  const auto [end, ec] = std::from_chars(t.data() + b, t.data() + e + 1, v);
  if (ec != std::errc() || end != t.data() + e + 1) return 0.0f;
  return v;
}

}  // namespace marloq
