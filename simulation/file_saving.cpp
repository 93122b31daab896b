// Saving a file whole: a temporary file in the target's folder (so the rename stays on
// one file system), written and fsync'ed with every result checked, then renamed over
// the target and the folder fsync'ed. Qt's QSaveFile is not used: Qt 6.4's commit()
// reports success when its writes failed, which left 0-byte files on a full disk.
#include "simulation/file_saving.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marloq {

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A symbolic link is saved through: its target gets the new bytes, the link stays.
std::string Resolved(const std::string& path) {
  char real[PATH_MAX];
  struct stat st{};
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(path.c_str(), real)) return real;
  return path;
}

bool WriteAll(int fd, std::string_view bytes, TWriteCall write) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The process's umask without changing it (umask(2) can only swap it, which other
// threads creating files at the same moment would notice).
mode_t CurrentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    unsigned mask = 022;
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    std::fclose(f);
    return static_cast<mode_t>(mask);
  }
  return 022;
}

}  // namespace

bool SaveFileWhole(const std::string& named, std::string_view bytes, std::string& error, TWriteCall write) {
  if (!write) write = ::write;
  const std::string path = Resolved(named);
  const auto fail = [&](const char* what) {
    error = "cannot " + std::string(what) + " " + named + ": " + std::strerror(errno);
    return false;
  };
  struct stat old{};
  const bool existed = stat(path.c_str(), &old) == 0;
  if (existed && !S_ISREG(old.st_mode)) {
    errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
    return fail("write");
  }
  std::string temporary = FolderOf(path) + "/.marloq-save-XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return fail("write");
  const auto abandon = [&](const char* what) {
    const int saved = errno;
    ::close(fd);
    ::unlink(temporary.c_str());
    errno = saved;
    return fail(what);
  };
  // The new file gets the old one's permissions, or those a new file would get.
  const mode_t mode = existed ? old.st_mode & 07777 : 0666 & ~CurrentUmask();
  if (fchmod(fd, mode) != 0) return abandon("write");
  if (!WriteAll(fd, bytes, write)) return abandon("write");
  if (fsync(fd) != 0) return abandon("write");
  if (::close(fd) != 0) {
    const int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    return fail("write");
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    return fail("write");
  }
  // The rename itself reaches the disk with the folder.
  const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    ::close(folder);
  }
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa{}, sb{};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace marloq
