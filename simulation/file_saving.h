// Saving a file whole or not at all: the bytes go to a new file beside the target,
// every write and the flush to the disk are checked, and only then does that file take
// the target's name. A failure leaves the old file as it was and says why.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace marloq {

// The system's write(2), or a test's that fails as a full disk would.
using TWriteCall = ssize_t (*)(int fd, const void* bytes, size_t count);

bool SaveFileWhole(const std::string& path, std::string_view bytes, std::string& error,
                   TWriteCall write = nullptr);

// Whether two paths name one existing file (the same device and inode), however they
// are spelled: a hard link or a symbolic link to it counts.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace marloq
