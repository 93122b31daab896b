// Reading a program file: only a regular file, opened without blocking (a FIFO or a
// device named as a program would otherwise hang the open or the read), read whole,
// refusing files too large to be a program before filling memory with them.
#include "simulation/program_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marloq {

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder";
  if (S_ISFIFO(mode)) return "is a pipe, not a file";
  if (S_ISSOCK(mode)) return "is a socket, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a file";
  return "is not a regular file";
}

// The size in whole megabytes, rounded up: a file just over the limit must not read as
// being at it.
std::string TooLarge(long long bytes) {
  constexpr long long kMB = 1LL << 20;
  return "file too large (" + std::to_string((bytes + kMB - 1) / kMB) + " MB, at most " +
         std::to_string(kMaxProgramFileBytes / kMB) + " MB)";
}

}  // namespace

std::optional<std::string> ReadProgramFile(const std::string& path, std::string& error) {
  const auto fail = [&](const std::string& reason) {
    error = "cannot open " + path + ": " + reason;
    return std::nullopt;
  };
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail(KindOf(st.st_mode));
  if (st.st_size > kMaxProgramFileBytes) return fail(TooLarge(st.st_size));
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(std::strerror(errno));
  // What was opened is what counts: the name may have changed hands since the check.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail(KindOf(st.st_mode));
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));  // no doubling past the file: a 60 MB file, not 64 MiB
  char buf[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int savedErrno = errno;
      ::close(fd);
      return fail(std::strerror(savedErrno));
    }
    if (got == 0) break;
    bytes.append(buf, static_cast<size_t>(got));
    if (static_cast<long long>(bytes.size()) > kMaxProgramFileBytes) {
      ::close(fd);
      return fail(TooLarge(static_cast<long long>(bytes.size())));
    }
  }
  ::close(fd);
  return bytes;
}

}  // namespace marloq
