// Test helper: what a job wrote to a FILE* stream (a std::tmpfile standing in for
// standard output or error), read back and closed.
#pragma once

#include <cstdio>
#include <string>

namespace marloq::test {

inline std::string Captured(std::FILE* f) {
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
  std::fclose(f);
  return s;
}

}  // namespace marloq::test
