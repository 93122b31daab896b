// Checking programs from the command line: each finding as a compiler's warning line,
// then a summary; the exit status says whether anything was found.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace marloq {

inline constexpr int kExitFindings = 1;

// Prints "FILE:LINE:COL: warning: MESSAGE [KIND]" per finding and a summary line on
// out, unreadable files on err. Returns 0 without findings, 1 with some, 2 when a
// file could not be read.
int CheckPrograms(const std::vector<std::string>& files, std::FILE* out, std::FILE* err);

}  // namespace marloq
