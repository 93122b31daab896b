// Numbers in the window's texts: format strings with the system's decimal separator
// (a comma, as in the window's start value "1,0"), and reading them back.
#pragma once

#include <string>
#include <string_view>

namespace marloq {

inline constexpr char kDecimalSeparator = ',';

// printf-style formatting of extended values (formats with L: "%1.1Lf"), then '.' shown
// as the system's decimal separator. An extended quotient is formatted as it is: 15/100
// is 0.1500...01 and shows "0,2", where through a double (0.1499...94) it would show "0,1".
std::string FormatSystem(const char* format, long double a);
std::string FormatSystem(const char* format, long double a, long double b);
std::string FormatSystem(const char* format, long double a, long double b, long double c);

// The first comma read as a point, then the whole text as a number; 0 when it is none.
float ParseDecimal(std::string_view text);

}  // namespace marloq
