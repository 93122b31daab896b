// Drill entry: the digits are read as a decimal text, not through a binary float, so that
// a typed 6.35 rounds up as the user reads it.
#include "window/drill_entry.h"

namespace marloq {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trimmed(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  return t;
}

}  // namespace

std::optional<int> TypedDrillTenths(std::string_view typed) {
  const std::string_view t = Trimmed(typed);
  int whole = 0, tenths = 0, digits = 0, decimals = 0;
  bool separator = false, roundUp = false;
  for (const char c : t) {
    if (c == ',' || c == '.') {
      if (separator) return std::nullopt;
      separator = true;
    } else if (!IsDigit(c)) {
      return std::nullopt;
    } else if (!separator) {
      if (++digits > 3) return std::nullopt;  // 1000 mm and more: far out of range
      whole = whole * 10 + (c - '0');
    } else {
      ++decimals;
      if (decimals == 1) tenths = c - '0';
      if (decimals == 2) roundUp = c >= '5';
    }
  }
  if (digits + decimals == 0) return std::nullopt;
  const int value = whole * 10 + tenths + (roundUp ? 1 : 0);
  if (value > kMaxDrillTenths) return std::nullopt;
  return value;
}

}  // namespace marloq
