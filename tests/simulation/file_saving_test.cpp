// Saving a file whole: the old file stays as it was whenever the new one cannot be
// written, on a disk that fills up (a write call that fails, or a real small tmpfs
// when the tests run as root), and nothing is left behind.
#include "simulation/file_saving.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "simulation/log_writer.h"
#include "tests/simulation/draw_fixture.h"

namespace marloq {
namespace {

namespace fs = std::filesystem;

// Writes half of what it is given, then finds the disk full.
ssize_t FullAfterHalf(int fd, const void* bytes, size_t count) {
  static size_t written = 0;
  if (written > 0) {
    written = 0;
    errno = ENOSPC;
    return -1;
  }
  written = count / 2 + 1;
  return ::write(fd, bytes, written);
}

// What a folder holds, by name: a save that fails must leave no temporary file.
std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SaveFileWhole, ReplacesOrKeepsTheOldFileWhole) {
  const fs::path dir = test::ScratchDir() / "saving";
  fs::remove_all(dir);
  fs::create_directories(dir / "folder");
  const std::string file = (dir / "p.CNC").string();
  std::string error;
  ASSERT_TRUE(SaveFileWhole(file, "old\r\n", error)) << error;
  chmod(file.c_str(), 0640);
  ASSERT_TRUE(SaveFileWhole(file, "new\r\n", error)) << error;
  EXPECT_EQ(test::ReadFile(file), "new\r\n");
  struct stat st{};
  stat(file.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "the old file's permissions";

  EXPECT_FALSE(SaveFileWhole(file, std::string(10000, 'x'), error, FullAfterHalf));
  EXPECT_EQ(test::ReadFile(file), "new\r\n");
  EXPECT_EQ(error, "cannot write " + file + ": No space left on device");
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"folder", "p.CNC"}));

  EXPECT_FALSE(SaveFileWhole((dir / "folder").string(), "x", error));
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;

  fs::create_symlink("p.CNC", dir / "link.CNC");
  ASSERT_TRUE(SaveFileWhole((dir / "link.CNC").string(), "via link\r\n", error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir / "link.CNC"));
  EXPECT_EQ(test::ReadFile(file), "via link\r\n");
  EXPECT_TRUE(SameFile(file, (dir / "link.CNC").string()));
}

TEST(SaveFileWhole, KeepsTheOldFileOnARealFullDisk) {
  const fs::path dir = test::ScratchDir() / "tiny-disk";
  fs::create_directories(dir);
  if (geteuid() != 0 || mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "needs root to mount a small tmpfs";
  const std::string file = (dir / "p.CNC").string();
  std::string error;
  EXPECT_TRUE(SaveFileWhole(file, std::string(20000, 'a'), error)) << error;
  EXPECT_FALSE(SaveFileWhole(file, std::string(60000, 'b'), error));
  EXPECT_EQ(test::ReadFile(file), std::string(20000, 'a'));
  EXPECT_NE(error.find("No space left"), std::string::npos) << error;
  umount(dir.c_str());
}

TEST(LogWriter, ALogThatCannotBeWrittenWholeSaysSo) {
  test::Draw d("fulldisk.CNC");
  d.sim->Log.SetWriteCall(FullAfterHalf);
  d.Run("G1 X10\nG1 Y10\nM30\n\n");
  EXPECT_EQ(d.sim->Log.Error().rfind("cannot write ", 0), 0u) << d.sim->Log.Error();
  EXPECT_EQ(d.host.Label1Text(), "milling length 20 mm ") << "the run goes on";
}

}  // namespace
}  // namespace marloq
