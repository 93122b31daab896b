// Reading a program file: its bytes, or a clear message why not. The command line
// and the window both read programs here.
#pragma once

#include <optional>
#include <string>

namespace marloq {

inline constexpr long long kMaxProgramFileBytes = 64LL << 20;

// The bytes of a regular file, or nothing with error set to "cannot open PATH: reason".
std::optional<std::string> ReadProgramFile(const std::string& path, std::string& error);

}  // namespace marloq
