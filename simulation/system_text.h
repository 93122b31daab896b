// Numbers in the window's texts: format strings with the system's decimal separator
// (a comma, as in the window's start value "1,0"), and reading them back.
#pragma once

#include <string>
#include <string_view>

namespace marloq {

inline constexpr char kDecimalSeparator = ',';

// printf-style formatting, then '.' shown as the system's decimal separator.
std::string FormatSystem(const char* format, double a);
std::string FormatSystem(const char* format, double a, double b);
std::string FormatSystem(const char* format, double a, double b, double c);

// The first comma read as a point, then the whole text as a number; 0 when it is none.
float ParseDecimal(std::string_view text);

}  // namespace marloq
