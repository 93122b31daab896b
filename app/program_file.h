// Reading a program file for the command line, with a clear message on failure.
#pragma once

#include <optional>
#include <string>

namespace marloq {

inline constexpr long long kMaxProgramFileBytes = 64LL << 20;  // far beyond any 130,000-byte program

// The file's bytes, or nothing with error set to "cannot open PATH: reason".
std::optional<std::string> ReadProgramFile(const std::string& path, std::string& error);

}  // namespace marloq
