// marloq --check: the compiler's warning lines and summary, and the exit status for a
// clean program, one with findings and one that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/check_programs.h"
#include "tests/app/captured_output.h"

namespace marloq {
namespace {

namespace fs = std::filesystem;
using test::Captured;

TEST(CheckPrograms, PrintsFindingsAsWarningsAndExitsByWhatItFound) {
  const fs::path dir = fs::temp_directory_path() / "marloq_check_programs";
  fs::create_directories(dir);
  const std::string clean = (dir / "CLEAN.CNC").string(), found = (dir / "FOUND.CNC").string();
  std::ofstream(clean) << "G0 X0 Y0\nG1 X10\nM02\n\n";
  std::ofstream(found) << "G0 X0 Y0\nX10 Y10 F300\nM02\n\n";
  struct {
    std::vector<std::string> Files;
    int Status;
    std::string Out, Err;
  } cases[] = {
      {{clean}, 0, "no findings in 1 program\n", ""},
      {{clean, found},
       1,
       found + ":2:1: warning: bare coordinates after G0 run as a feed move (G1), not as a rapid [feed-move]\n" +
           found + ":2:9: warning: F300 is skipped: F is read only in a block of its own [unread-word]\n" +
           "2 findings in 2 programs\n",
       ""},
      {{clean, (dir / "NONE.CNC").string()},
       2,
       "no findings in 1 program\n",
       "marloq: cannot open " + (dir / "NONE.CNC").string() + ": No such file or directory\n"},
  };
  for (const auto& c : cases) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(CheckPrograms(c.Files, out, err), c.Status);
    EXPECT_EQ(Captured(out), c.Out);
    EXPECT_EQ(Captured(err), c.Err);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace marloq
