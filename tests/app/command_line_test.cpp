// Command line and headless rendering: option values, clear errors, exit statuses,
// and what --render leaves on disk.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/render.h"

namespace marloq {
namespace {

namespace fs = std::filesystem;

struct ParseCase {
  std::vector<std::string> args;
  const char* error;  // a part of the message, or nullptr when the arguments are good
};

TEST(ParseCommandLine, BadValuesGetClearMessages) {
  const ParseCase cases[] = {
      {{"--render", "a.CNC"}, nullptr},
      {{"--render", "a.CNC", "--drill", "2,5", "--compensation", "Rechts", "--size", "320x200"}, nullptr},
      {{"--render"}, "--render needs a value"},
      {{"--render", "a.CNC", "--drill", "abc"}, "--drill takes"},
      {{"--render", "a.CNC", "--drill", "-1"}, "--drill takes"},
      {{"--render", "a.CNC", "--compensation", "links"}, "Links, keine or Rechts"},
      {{"--render", "a.CNC", "--size", "0x10"}, "--size takes"},
      {{"--render", "a.CNC", "--size", "10x"}, "--size takes"},
      {{"--render", "a.CNC", "--max-blocks", "1e3"}, "positive whole number"},
      {{"--render", "a.CNC", "--frobnicate", "1"}, "unknown option"},
      {{"a.CNC", "--bogus"}, "unknown option '--bogus'"},
      {{"a.CNC"}, nullptr},  // the window, with a.CNC
      {{}, nullptr},         // the window, empty
      {{"a.CNC", "b.CNC"}, "unexpected argument"},
      {{"--render", "a.CNC", "b.CNC"}, nullptr},  // a batch
      {{"--check", "a.CNC", "b.CNC"}, nullptr},
      {{"--send", "--simulate-controller"}, "--send needs a program file"},
      {{"--check", "a.CNC", "--drill", "2"}, "--drill goes only with --render"},
      {{"--render", "a.CNC", "b.CNC", "--image", "x.png"}, "--image goes only with one program"},
      {{"--render", "a.CNC", "--image", "x.png", "b.CNC"}, "--image goes only with one program"},
      {{"--render", "a.CNC", "--image", "x.png"}, nullptr},
      {{"--render", "--image", "x.png", "a.CNC"}, "--render needs a program file, not '--image'"},
      {{"a.CNC", "--render", "b.CNC"}, "unexpected argument 'a.CNC'"},
      {{"--blocks", "a.CNC", "b.CNC"}, "unexpected argument 'b.CNC'"},
      {{"--render", "a.CNC", "--blocks", "b.CNC"}, "--blocks comes after another job"},
      {{"--list-hid"}, nullptr},
      {{"a.CNC", "--version"}, nullptr},
      {{"--render", "a.CNC", "--view", "16"}, nullptr},
      {{"--render", "a.CNC", "--view", "2.5,-10.25,40"}, nullptr},
      {{"--render", "a.CNC", "--view", "0"}, "--view takes ZOOM or ZOOM,X,Y"},
      {{"--render", "a.CNC", "--view", "-2"}, "--view takes"},
      {{"--render", "a.CNC", "--view", "nan"}, "--view takes"},
      {{"--render", "a.CNC", "--view", "2,5"}, "--view takes"},
      {{"--render", "a.CNC", "--view", "2,1,2,3"}, "--view takes"},
      {{"--render", "a.CNC", "--view", "2,1e30,0"}, "--view takes"},
      {{"a.CNC", "--view", "2"}, "--view goes only with --render"},
      {{"--list-hid", "a.CNC"}, "--list-hid takes no other argument"},
      {{"--simulate-controller", "a.CNC"}, nullptr},
      {{"a.CNC", "--simulate-controller=unplug:3", "--answer-timeout", "0.5"}, nullptr},
      {{"--send", "a.CNC", "--simulate-controller=silent"}, nullptr},
      {{"--simulate-controller=loud"}, "--simulate-controller takes"},
      {{"--simulate-controller=unplug:"}, "--simulate-controller takes"},
      {{"--simulate-controller=unplug:-1"}, "--simulate-controller takes"},
      {{"--send", "a.CNC", "--answer-timeout", "0"}, "--answer-timeout takes"},
      {{"--send", "a.CNC", "--answer-timeout", "1e9"}, "--answer-timeout takes"},
      {{"--send", "a.CNC", "--answer-timeout", "nan"}, "--answer-timeout takes"},
      {{"--send", "a.CNC", "b.CNC"}, "unexpected argument"},
      {{"--send", "a.CNC", "--resume-line", "0"}, nullptr},
      {{"--send", "a.CNC", "--resume-line", "-1"}, "--resume-line takes"},
      {{"--send", "a.CNC", "--resume-line", "x"}, "--resume-line takes"},
      {{"--render", "a.CNC", "--resume-line", "2"}, "--resume-line goes only with --send"},
      {{"--send", "a.CNC", "--image", "x.png"}, "--image goes only with --render"},
      {{"--render", "a.CNC", "--simulate-controller"}, "goes only with the window or --send"},
      {{"a.CNC", "--drill", "2"}, "--drill goes only with --render"},
      {{"--render", "a.CNC", "--send", "b.CNC"}, "--send comes after another job"},
  };
  for (const auto& c : cases) {
    const TCommandLine cl = ParseCommandLine(c.args);
    if (c.error) EXPECT_NE(cl.Error.find(c.error), std::string::npos) << cl.Error;
    else EXPECT_EQ(cl.Error, "");
  }
}

struct ProgramsCase {
  std::vector<std::string> args;
  std::vector<std::string> programs;
};

// Every argument after --render that is no option nor an option's value is a program.
TEST(ParseCommandLine, RenderTakesProgramsInTheOrderGiven) {
  const ProgramsCase cases[] = {
      {{"--render", "a.CNC"}, {"a.CNC"}},
      {{"--render", "a.CNC", "b.CNC", "c.CNC"}, {"a.CNC", "b.CNC", "c.CNC"}},
      {{"--drill", "2", "--render", "a.CNC", "--size", "10x10", "b.CNC", "--max-steps", "5", "c.CNC"},
       {"a.CNC", "b.CNC", "c.CNC"}},
      {{"--render", "b.CNC", "a.CNC", "b.CNC"}, {"b.CNC", "a.CNC", "b.CNC"}},
  };
  for (const auto& c : cases) {
    const TCommandLine cl = ParseCommandLine(c.args);
    EXPECT_EQ(cl.Error, "");
    EXPECT_EQ(cl.Job, TJob::Render);
    EXPECT_EQ(cl.RenderFiles, c.programs);
    EXPECT_EQ(cl.Render.ProgramFile, c.programs[0]);
  }
}

TEST(ParseCommandLine, LinkOptionsReachTheWindowAndTheSender) {
  using TMode = TSimulatedControllerBehaviour::TMode;
  TCommandLine cl = ParseCommandLine({"--simulate-controller=unplug:3", "a.CNC", "--answer-timeout", "2.5"});
  EXPECT_EQ(cl.Job, TJob::Window);
  EXPECT_EQ(cl.WindowFile, "a.CNC");
  EXPECT_TRUE(cl.Link.Simulated);
  EXPECT_EQ(cl.Link.Behaviour.Mode, TMode::Unplugging);
  EXPECT_EQ(cl.Link.Behaviour.UnplugAfter, 3);
  EXPECT_EQ(cl.Link.AnswerTimeoutMs, 2500);
  cl = ParseCommandLine({"--send", "b.CNC", "--resume-line", "7"});
  EXPECT_EQ(cl.Job, TJob::Send);
  EXPECT_EQ(cl.SendFile, "b.CNC");
  EXPECT_EQ(cl.SendFromLine, 7);
  EXPECT_FALSE(cl.Link.Simulated);
  EXPECT_EQ(cl.Link.AnswerTimeoutMs, 10000);
}

TEST(ParseCommandLine, DrillIsKeptAsTheWindowWritesIt) {
  const char* drills[][2] = {{"2,5", "2,5"}, {"2.5", "2,5"}, {"3", "3,0"}, {"0.25", "0,2"}};
  for (const auto& d : drills) {
    const TCommandLine cl = ParseCommandLine({"--render", "a.CNC", "--drill", d[0]});
    EXPECT_EQ(cl.Render.DrillText, d[1]) << d[0];
  }
}

struct RenderCase {
  const char* program;
  uint64_t maxBlocks;
  int status;
};

TEST(RenderProgram, WritesLogAndPictureOrSaysWhyNot) {
  const fs::path dir = fs::temp_directory_path() / ("marloq-render-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const RenderCase cases[] = {
      {"G0X10Y10Z2\nG1Z-1\nG1X50\nM30\n\n", 1000, 0},
      {"N1\nL1\nM30\n\n", 1000, 3},  // never ends by itself: stopped by the guard
  };
  for (const auto& c : cases) {
    const fs::path program = dir / "prog.CNC";
    std::ofstream(program) << c.program;
    fs::remove(dir / "prog.LOG");
    fs::remove(dir / "prog.png");
    TRenderOptions o;
    o.ProgramFile = program.string();
    o.MaxBlocks = c.maxBlocks;
    EXPECT_EQ(RenderProgram(o), c.status) << c.program;
    EXPECT_TRUE(fs::exists(dir / "prog.LOG")) << "nothing written before is lost";
    EXPECT_GT(fs::file_size(dir / "prog.png"), 0u);
  }
  // M06 and H blocks change the window's choices; the render reports them as the window
  // would show them after the run.
  const fs::path program = dir / "tool.CNC";
  std::ofstream(program) << "M06 D3\nH42\nG1 X10\nM30\n\n";
  TRenderOptions tool;
  tool.ProgramFile = program.string();
  tool.Compensation = 0;
  testing::internal::CaptureStdout();
  EXPECT_EQ(RenderProgram(tool), 0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("mm\nmachining time 0:00:00 (no F)\nDrill (mm): 3,0  RadiusKorrektur: Rechts\n"),
            std::string::npos)
      << out;
  TRenderOptions missing;
  missing.ProgramFile = (dir / "missing.CNC").string();
  EXPECT_EQ(RenderProgram(missing), 2);
  TRenderOptions folder;
  folder.ProgramFile = dir.string();
  EXPECT_EQ(RenderProgram(folder), 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace marloq
