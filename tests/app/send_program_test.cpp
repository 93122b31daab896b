// Sending from the command line: what goes to standard output and error, and the exit
// status, against the simulated controller in each of its behaviours.
#include "app/send_program.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "hid/simulated_controller.h"
#include "tests/app/captured_output.h"

namespace marloq {
namespace {

using TMode = TSimulatedControllerBehaviour::TMode;

struct SendCase {
  const char* name;
  std::optional<TSimulatedControllerBehaviour> controller;  // none: no device at all
  const char* program;
  int status;
  const char* out;
  const char* err;  // a part of standard error
};

using test::Captured;

TEST(SendProgram, AnswersOnStandardOutputAndFailuresWithTheirExitStatus) {
  int argc = 1;
  char name[] = "send_program_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  const SendCase cases[] = {
      {"answered", TSimulatedControllerBehaviour{}, "G0 X1\nG1 X2 ; cut\nM30\n", 0, "ok 1\nok 2\n", ""},
      {"one line", TSimulatedControllerBehaviour{}, "M30\n", 0, "", ""},
      {"silent", TSimulatedControllerBehaviour{TMode::Silent, 0}, "G0 X1\nM30\n", 4, "", "Error HID Line0\n"},
      {"unplugged", TSimulatedControllerBehaviour{TMode::Unplugging, 1}, "G0 X1\nG0 X2\nM30\n", 4, "ok 1\n",
       "Error HID Line1\n"},
      {"no controller", std::nullopt, "G0 X1\nM30\n", 2, "", "no milling controller \"USB HID STM32F4\" found"},
      // 64 characters and the line feed: one more than a 65-byte report carries.
      {"too long", TSimulatedControllerBehaviour{}, "G0 X1\nG1 X123456789012345678901234567890123456789012345678901234567890\nM30\n",
       4, "ok 1\n", "Error HID Line1\nline 1 does not fit one report (65 characters, at most 64)\n"},
  };
  const auto dir = std::filesystem::temp_directory_path() / ("marloq-send-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (const SendCase& c : cases) {
    const auto program = dir / (std::string(c.name) + ".CNC");
    std::ofstream(program, std::ios::binary) << c.program;
    TSimulatedHidPlatform platform;
    if (c.controller) PlugSimulatedController(platform, *c.controller);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(SendProgram(program.string(), platform, 200, out, err), c.status) << c.name;
    EXPECT_EQ(Captured(out), c.out) << c.name;
    const std::string errText = Captured(err);
    EXPECT_NE(errText.find(c.err), std::string::npos) << c.name << ": " << errText;
  }
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  TSimulatedHidPlatform platform;
  EXPECT_EQ(SendProgram((dir / "missing.CNC").string(), platform, 200, out, err), 2);
  Captured(out);
  EXPECT_NE(Captured(err).find("cannot open"), std::string::npos);

  // A controller the user may not write to (no udev rule): said so, then the line fails.
  platform.SetOpening(PlugSimulatedController(platform, {}), TSimulatedDevice::TOpening::QueryOnly);
  out = std::tmpfile();
  err = std::tmpfile();
  EXPECT_EQ(SendProgram((dir / "answered.CNC").string(), platform, 200, out, err), 4);
  EXPECT_EQ(Captured(out), "");
  EXPECT_EQ(Captured(err), "marloq: " + (dir / "answered.CNC").string() +
                               ": line 2: last line not run\n"
                               "1 finding: marloq --check " + (dir / "answered.CNC").string() + "\n"
                               "marloq: sim:hidraw0 cannot be opened for reading and writing; see the README on "
                               "the udev rule\n"
                               "Error HID Line0\n");
  std::filesystem::remove_all(dir);
}

// A resume sends exactly the lines from the index on, then the end report.
TEST(SendProgram, ResumeLineSendsTheRestOfTheProgram) {
  int argc = 1;
  char name[] = "send_program_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  const auto dir = std::filesystem::temp_directory_path() / ("marloq-resume-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto program = dir / "resume.CNC";
  std::ofstream(program, std::ios::binary) << "G0 X1\nG0 X2\nG0 X3\nM30\n";
  struct Case {
    int firstLine, status;
    std::vector<std::string> sent;
    const char* err;
  };
  const Case cases[] = {
      {1, 0, {"G0 X2\n", "G0 X3\n", "\n"}, ""},
      {2, 0, {"G0 X3\n", "\n"}, ""},
      {3, 2, {}, "there is no line 3 to resume at"},  // M30 is the editor's last line
  };
  for (const Case& c : cases) {
    TSimulatedHidPlatform platform;
    const int id = PlugSimulatedController(platform, {});
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(SendProgram(program.string(), platform, 200, out, err, c.firstLine), c.status) << c.firstLine;
    std::vector<std::string> sent;
    for (const THidReport& r : platform.Written(id)) sent.emplace_back(r.begin() + 1, r.begin() + 1 + r[0]);
    EXPECT_EQ(sent, c.sent) << c.firstLine;
    Captured(out);
    EXPECT_NE(Captured(err).find(c.err), std::string::npos) << c.firstLine;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace marloq
