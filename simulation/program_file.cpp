// Reading a program file: whole file into memory, refusing directories and files too
// large to be a program, so a wrong argument fails at once instead of filling memory.
#include "simulation/program_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace marloq {

std::optional<std::string> ReadProgramFile(const std::string& path, std::string& error) {
  const auto fail = [&](const std::string& reason) {
    error = "cannot open " + path + ": " + reason;
    return std::nullopt;
  };
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return fail(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return fail("is a folder");
  if (S_ISREG(st.st_mode) && st.st_size > kMaxProgramFileBytes) return fail("file too large");
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return fail(std::strerror(errno));
  std::string bytes;
  char buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
    bytes.append(buf, got);
    if (static_cast<long long>(bytes.size()) > kMaxProgramFileBytes) {
      std::fclose(f);
      return fail("file too large");
    }
  }
  const bool readError = std::ferror(f) != 0;
  const int savedErrno = errno;
  std::fclose(f);
  if (readError) return fail(std::strerror(savedErrno));
  return bytes;
}

}  // namespace marloq
