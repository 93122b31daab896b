// Log writer: lines are gathered in memory and written in one system call when the
// run reaches a point where the user can act (it pumps window messages, waits, or
// ends) or when the buffer fills. One open or write per line would dominate the run's
// time; this way the file on disk still holds every line whenever anyone can look.
#include "simulation/log_writer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace marloq {

namespace {
constexpr size_t kBufferCapacity = 64 * 1024;
}

TLogWriter::TLogWriter() { buffer_.reserve(kBufferCapacity + 1024); }

TLogWriter::~TLogWriter() { Close(); }

void TLogWriter::Create(const std::string& path, std::string_view firstLine) {
  Close();
  path_ = path;
  error_.clear();
  buffer_.clear();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) Fail("cannot create");
  AppendLine(firstLine);
  Flush();
}

void TLogWriter::AppendLine(std::string_view text) {
  if (fd_ < 0) return;
  buffer_.append(text);
  buffer_.append("\r\n");
  if (buffer_.size() >= kBufferCapacity) Flush();
}

void TLogWriter::Flush() {
  if (fd_ < 0 || buffer_.empty()) return;
  const char* p = buffer_.data();
  size_t left = buffer_.size();
  while (left > 0) {
    const ssize_t n = write_(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      Fail("cannot write");
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  buffer_.clear();
}

void TLogWriter::Close() {
  Flush();
  // Some file systems report a failed write only here.
  if (fd_ >= 0 && ::close(fd_) != 0 && error_.empty()) error_ = "cannot write " + path_ + ": " + std::strerror(errno);
  fd_ = -1;
}

void TLogWriter::Fail(const char* what) {
  if (error_.empty()) error_ = std::string(what) + " " + path_ + ": " + std::strerror(errno);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace marloq
