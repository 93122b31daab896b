// Headless rendering of one program and of batches: the machining time worked out by
// hand, a batch drawing exactly what each program drawn alone draws, and batch results.
#include "app/render.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/captured_output.h"

namespace marloq {
namespace {

namespace fs = std::filesystem;

fs::path FreshDir(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("marloq-" + name + "-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

using test::Captured;

// The log names its program's path in its first line; the rest must not depend on it.
std::string LogAfterFirstLine(const fs::path& log) {
  const std::string bytes = ReadBytes(log);
  const size_t end = bytes.find('\n');
  return end == std::string::npos ? "" : bytes.substr(end + 1);
}

struct TimeCase {
  const char* program;
  const char* length;
  const char* time;
  const char* warning = "";  // on standard error after the program's path
};

// Worked by hand: the tool starts at X0 Y0 Z0; G0 travels at 3600 mm/min (60 mm a
// second); G1 cuts, plunges included, at the F in force. The estimate follows the
// steps the way the milling length counts them, so a diagonal costs its staircase.
TEST(MachiningTime, WorkedByHand) {
  const fs::path dir = FreshDir("time");
  const TimeCase cases[] = {
      // 60 mm travel, 1 s; 60 mm cut at 600, 6 s.
      {"F600\nG0 X60\nG1 X120\nM30\n\n", "milling length 60 mm", "machining time 0:00:07"},
      // Without the closing empty line M30 is no block, and the program still ends; the
      // line is named, counted from 0.
      {"F600\nG0 X60\nG1 X120\nM30\n", "milling length 60 mm", "machining time 0:00:07",
       ": line 3: last line not run\n"},
      // 1 s travel; 3 mm plunge at 60, 3 s; 60 mm cut at 600, 6 s; Z -3 to 57 at rapid, 1 s.
      {"F600\nG0 X60\nF60\nG1 Z-3\nF600\nG1 X120\nG0 Z57\nM30\n\n", "milling length 63 mm",
       "machining time 0:00:11"},
      // No F at all: the cut counts at the rapid feed, 1 s + 1 s, and says so.
      {"G0 X60\nG1 X120\nM30\n\n", "milling length 60 mm", "machining time 0:00:02 (no F)"},
      // The F comes too late for the first cut: 1 s + 1 s + 6 s, still flagged.
      {"G0 X60\nG1 X120\nF600\nG1 X180\nM30\n\n", "milling length 120 mm",
       "machining time 0:00:08 (no F)"},
      // X60 Y80 is 6000 diagonal steps of sqrt 2 and 2000 straight ones of 0.01 mm:
      // 104.85 mm, not the straight 100 mm, at 600: 10.485 s.
      {"F600\nG1 X60 Y80\nM30\n\n", "milling length 105 mm", "machining time 0:00:10"},
  };
  for (const TimeCase& c : cases) {
    std::ofstream(dir / "t.CNC", std::ios::binary) << c.program;
    TRenderOptions o;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(RenderPrograms({(dir / "t.CNC").string()}, o, out, err), 0) << c.program;
    EXPECT_EQ(Captured(out), std::string(c.length) + "\n" + c.time + "\nDrill (mm): 1,0  RadiusKorrektur: keine\n")
        << c.program;
    const std::string program = (dir / "t.CNC").string();
    const std::string warned = *c.warning ? "marloq: " + program + c.warning + "1 finding: marloq --check " + program + "\n" : "";
    EXPECT_EQ(Captured(err), warned) << c.program;
    // The time is printed, never logged: the log ends as it always did.
    const std::string log = ReadBytes(dir / "t.LOG");
    EXPECT_EQ(log.find("machining time"), std::string::npos) << c.program;
    EXPECT_NE(log.find(std::string(c.length) + " \r\n"), std::string::npos) << c.program;
  }
  fs::remove_all(dir);
}

// Each program drawn alone, one after the other, and all of them at once on threads of
// one process: the same lines, logs and pictures, byte for byte. Under ThreadSanitizer
// this is where shared state in the engine would show.
TEST(RenderBatch, DrawsWhatEachDrawsAlone) {
  const char* examples[] = {"plate.CNC", "compensated.CNC", "contour.CNC", "circles.CNC"};
  const fs::path alone = FreshDir("alone"), batch = FreshDir("batch");
  std::vector<std::string> programs;
  std::string expectedLines;
  for (const char* name : examples) {
    const fs::path source = fs::path(MARLOQ_SOURCE_DIR) / "examples" / name;
    fs::copy_file(source, alone / name);
    fs::copy_file(source, batch / name);
    programs.push_back((batch / name).string());
  }
  TRenderOptions o;
  o.Compensation = 2;
  o.DrillText = "2,0";
  for (size_t i = 0; i < programs.size(); ++i) {
    o.ProgramFile = (alone / examples[i]).string();
    const TRenderResult r = RenderOne(o);
    EXPECT_EQ(r.Status, 0) << examples[i];
    expectedLines += RenderSummaryLine(programs[i], r) + "\n";
  }
  o.ProgramFile.clear();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(RenderPrograms(programs, o, out, err, 4), 0);
  EXPECT_EQ(Captured(out), expectedLines);
  EXPECT_EQ(Captured(err), "");
  for (const char* name : examples) {
    const fs::path log = fs::path(name).replace_extension(".LOG");
    const fs::path png = fs::path(name).replace_extension(".png");
    EXPECT_EQ(LogAfterFirstLine(batch / log), LogAfterFirstLine(alone / log)) << name;
    EXPECT_GT(ReadBytes(alone / log).size(), 100u) << name;
    EXPECT_EQ(ReadBytes(batch / png), ReadBytes(alone / png)) << name;
  }
  fs::remove_all(alone);
  fs::remove_all(batch);
}

struct BatchCase {
  std::vector<const char*> programs;  // in the test's folder
  int status;
  std::vector<const char*> ends;      // how each one's line ends; {D} the folder, {C} as on disk
};

std::string Expand(std::string text, const fs::path& dir) {
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"{D}", dir.string()},
                                   {"{C}", fs::weakly_canonical(dir).string()}})
    for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  return text;
}

// The worst result wins the exit status: bad input, then a guard's stop, then done.
// Every program gets its line, in the order given, and its drawing whatever the others did.
TEST(RenderBatch, WorstResultIsTheExitStatus) {
  const fs::path dir = FreshDir("worst");
  std::ofstream(dir / "good.CNC") << "F600\nG0 X10\nG1 X20\nM30\n\n";
  std::ofstream(dir / "other.CNC") << "F300\nG1 Y10\nM30\n\n";
  std::ofstream(dir / "loop.CNC") << "N1\nL1\nM30\n\n";  // calls itself for ever
  const BatchCase cases[] = {
      {{"good.CNC", "other.CNC"}, 0, {", done", ", done"}},
      {{"good.CNC", "loop.CNC"}, 3, {", done", ", stopped (guard)"}},
      {{"loop.CNC", "missing.CNC", "good.CNC"}, 2,
       {", stopped (guard)", ": error: cannot open {D}/missing.CNC: No such file or directory", ", done"}},
      {{"missing.CNC", "loop.CNC"}, 2, {": No such file or directory", ", stopped (guard)"}},
      {{"good.CNC", "."}, 2, {", done", ": error: cannot open {D}/.: is a folder"}},
      // Two names of one file would write one log from two threads: the later is refused.
      {{"good.CNC", "./good.CNC"}, 2, {", done", ": error: {D}/./good.CNC would write {C}/good.LOG as {D}/good.CNC does"}},
      {{"good.CNC", "good.png"}, 2, {", done", ": error: {D}/good.png would write {C}/good.LOG as {D}/good.CNC does"}},
  };
  for (const BatchCase& c : cases) {
    std::vector<std::string> programs;
    for (const char* p : c.programs) {
      programs.push_back((dir / p).string());
      fs::remove(dir / fs::path(p).replace_extension(".png"));
    }
    TRenderOptions o;
    o.MaxBlocks = 1000;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(RenderPrograms(programs, o, out, err, 2), c.status) << programs[0];
    std::istringstream lines(Captured(out));
    std::string line;
    for (size_t i = 0; i < programs.size(); ++i) {
      ASSERT_TRUE(std::getline(lines, line)) << programs[i];
      EXPECT_EQ(line.rfind(programs[i] + ":", 0), 0u) << line;
      EXPECT_TRUE(line.ends_with(Expand(c.ends[i], dir))) << line;
      if (line.ends_with(", done")) {
        EXPECT_TRUE(fs::exists(fs::path(programs[i]).replace_extension(".png"))) << programs[i];
      }
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
    Captured(err);
  }
  fs::remove_all(dir);
}

// The program itself: results in the order given, messages on standard error named by
// their program, the worst exit status.
TEST(RenderBatch, CommandLineBatch) {
  const fs::path dir = FreshDir("cli");
  std::ofstream(dir / "good.CNC") << "F600\nG0 X60\nG1 X120\nM30\n\n";
  std::ofstream(dir / "loop.CNC") << "N1\nL1\nM30\n\n";
  const std::string command = "cd '" + dir.string() + "' && '" MARLOQ_BINARY
                              "' --render good.CNC missing.CNC --max-blocks 1000 loop.CNC >out.txt 2>err.txt";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 2);
  EXPECT_EQ(ReadBytes(dir / "out.txt"),
            "good.CNC: milling length 60 mm, machining time 0:00:07, 5 blocks, 12000 steps, done\n"
            "missing.CNC: error: cannot open missing.CNC: No such file or directory\n"
            "loop.CNC: milling length 0 mm, machining time 0:00:00, 1000 blocks, 0 steps, stopped (guard)\n");
  const std::string err = ReadBytes(dir / "err.txt");
  EXPECT_EQ(err.find("marloq: missing.CNC: cannot open"), 0u) << err;
  EXPECT_NE(err.find("\nmarloq: loop.CNC: stopped: more than 1000 blocks in the run"), std::string::npos) << err;
  EXPECT_GT(fs::file_size(dir / "good.png"), 0u);
  EXPECT_TRUE(fs::exists(dir / "loop.LOG"));
  fs::remove_all(dir);
}

// Without a display the window cannot open: said, with the headless form, instead of Qt's abort.
TEST(CommandLine, WindowWithoutADisplayShowsTheRenderForm) {
  const fs::path dir = FreshDir("nodisplay");
  const std::string command = "cd '" + dir.string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '"
                              MARLOQ_BINARY "' p.CNC 2>err.txt";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 2);
  EXPECT_NE(ReadBytes(dir / "err.txt").find("needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set);\n"
                                            "  without one, draw the program headless: marloq --render p.CNC\n"),
            std::string::npos);
  fs::remove_all(dir);
}

// --view: the picture of the zoomed view as a re-draw by the DRAW again gives it; a zoom
// the window would not go to is refused with status 2 and the range it may take.
TEST(RenderView, ZoomedPictureOrAClearRefusal) {
  const fs::path dir = FreshDir("view");
  const fs::path program = dir / "p.CNC";
  std::ofstream(program) << "G0 X10 Y10 Z2\nG1 Z-1\nG1 X50\nG2 X50 Y40 R-15\nG1 X10\nM30\n\n";
  const struct {
    TRenderView view;
    int status;
    const char* says;
  } cases[] = {{{4, false, 0, 0}, kExitDone, ""},
               {{16, true, 30, 20}, kExitDone, ""},
               {{0.05, false, 0, 0}, kExitBadInput, "--view: zoom 0.05 is outside 0.0625 to "},
               {{1e6, false, 0, 0}, kExitBadInput, "for this drawing"}};
  for (const auto& c : cases) {
    TRenderOptions o;
    o.ProgramFile = program.string();
    o.View = c.view;
    const TRenderResult r = RenderOne(o);
    EXPECT_EQ(r.Status, c.status) << c.view.Zoom;
    EXPECT_NE(r.Error.find(c.says), std::string::npos) << r.Error;
  }
}

}  // namespace
}  // namespace marloq
