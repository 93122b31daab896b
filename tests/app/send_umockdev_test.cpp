// marloq --send end to end on the Linux backend: umockdev mocks a "USB HID STM32F4"
// hidraw node whose script expects each line report byte for byte and answers it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace marloq {
namespace {

namespace fs = std::filesystem;

// A script's data: bytes below 32 as '^' and the byte + 64, '^' itself as "^`".
std::string ScriptData(const std::vector<uint8_t>& bytes) {
  std::string s;
  for (const uint8_t b : bytes) {
    if (b < 32) s += {'^', static_cast<char>(b + 64)};
    else if (b == '^') s += "^`";
    else s += static_cast<char>(b);
  }
  return s;
}

// The program writes this line report of 65 bytes.
std::string Expect(const std::string& text) {
  std::vector<uint8_t> report(65, 0);
  report[0] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), report.begin() + 1);
  return "w 0 " + ScriptData(report) + "\n";
}

// The controller answers with 64 data bytes (the node has no report IDs).
std::string Answer(const std::string& text) {
  std::vector<uint8_t> data(64, 0);
  std::copy(text.begin(), text.end(), data.begin());
  return "r 10 " + ScriptData(data) + "\n";
}

struct SendRun {
  int status;
  std::string out, err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

SendRun SendUnderUmockdev(const fs::path& dir, const std::string& program, const std::string& script,
                      const std::string& options) {
  std::ofstream(dir / "p.CNC", std::ios::binary) << program;
  std::ofstream(dir / "controller.script", std::ios::binary) << script;
  // The preload library comes before a sanitizer runtime in the library list.
  const std::string command = "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" umockdev-run -d " MARLOQ_SOURCE_DIR
                              "/tests/app/data/milling_controller.umockdev -s /dev/hidraw0=" +
                              (dir / "controller.script").string() + " -- " MARLOQ_BINARY " --send " +
                              (dir / "p.CNC").string() + " " + options + " >" + (dir / "out").string() + " 2>" +
                              (dir / "err").string();
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), Slurp(dir / "out"), Slurp(dir / "err")};
}

TEST(SendUnderUmockdev, EachLineReportIsAnsweredThenTheEndReportCloses) {
  if (std::system("command -v umockdev-run >/dev/null") != 0) GTEST_SKIP() << "umockdev-run is not installed";
  const fs::path dir = fs::temp_directory_path() / ("marloq-umockdev-" + std::to_string(::getpid()));
  fs::create_directories(dir);

  const SendRun answered = SendUnderUmockdev(
      dir, "G0 X10 Y10\nG1 X20 ; cut\n;^ comment\nM30\n",
      Expect("G0 X10 Y10\n") + Answer("ok 1\n") + Expect("G1 X20 \n") + Answer("ok 2\nrest") + Expect("\n") +
          Answer("ok 3\n") + Expect("\n"),
      "--answer-timeout 5");
  EXPECT_EQ(answered.status, 0) << answered.err;
  EXPECT_EQ(answered.out, "ok 1\nok 2\nok 3\n");

  // The second line is never answered: the time-out fails it and nothing more is sent.
  const SendRun silent = SendUnderUmockdev(dir, "G0 X10\nG1 X20\nM30\n",
                                       Expect("G0 X10\n") + Answer("done") + Expect("G1 X20\n"),
                                       "--answer-timeout 0.5");
  EXPECT_EQ(silent.status, 4) << silent.err;
  EXPECT_EQ(silent.out, "done\n");
  EXPECT_EQ(silent.err, "marloq: " + (dir / "p.CNC").string() + ": line 2: last line not run\n1 finding: marloq --check " +
                            (dir / "p.CNC").string() + "\nError HID Line1\n");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace marloq
