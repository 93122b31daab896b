// Hostile input to `marloq --render`, through the program itself: each case ends with
// its exit status within seconds, and no file but the run's log and picture changes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

namespace marloq {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Every regular file under dir with its bytes; folders and pipes by their kind.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(e.path(), dir).string();
    files[name] = e.is_regular_file() ? ReadAll(e.path()) : e.is_directory() ? "<folder>" : "<other>";
  }
  return files;
}

struct HostileCase {
  const char* name;
  std::function<void(const fs::path&)> setUp;
  const char* arguments;
  int status;
  const char* mayChange;  // the files the render may write, blank-separated
  const char* says = "";  // a part of the message on standard error
};

const char kProgram[] = "G0 X10 Y10 Z2\nG1 Z-1\nG1 X50\nM30\n\n";

// A setting-up that writes p.CNC with text and then does more.
std::function<void(const fs::path&)> Program(std::string text, std::function<void(const fs::path&)> more = {}) {
  return [text, more](const fs::path& d) {
    Write(d / "p.CNC", text);
    if (more) more(d);
  };
}

std::string Repeated(const std::string& s, int n) {
  std::string all;
  for (int i = 0; i < n; ++i) all += s;
  return all;
}

TEST(HostileInput, EndsWithItsStatusAndChangesNothingElse) {
  const auto folder = [](const char* name) { return [name](const fs::path& d) { fs::create_directory(d / name); }; };
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) % 256);
  const HostileCase cases[] = {
      {"its own log", [](const fs::path& d) { Write(d / "p.LOG", kProgram); }, "p.LOG", 2, ""},
      {"its own picture", [](const fs::path& d) { Write(d / "p.png", kProgram); }, "p.png", 2, ""},
      {"the picture named as the program", Program(kProgram), "p.CNC --image p.CNC", 2, ""},
      {"the picture a second name of the program",
       Program(kProgram, [](const fs::path& d) { fs::create_hard_link(d / "p.CNC", d / "other.png"); }),
       "p.CNC --image other.png", 2, ""},
      {"a pipe", [](const fs::path& d) { ::mkfifo((d / "p.CNC").c_str(), 0600); }, "p.CNC", 2, ""},
      {"a folder", folder("p.CNC"), "p.CNC", 2, ""},
      {"no such file", [](const fs::path&) {}, "p.CNC", 2, ""},
      {"larger than a program can be",  // sparse: no disk taken
       Program(kProgram, [](const fs::path& d) { fs::resize_file(d / "p.CNC", (64u << 20) + 1); }), "p.CNC", 2, "",
       "p.CNC: file too large (65 MB, at most 64 MB)"},
      {"the log's place taken by a folder", Program(kProgram, folder("p.LOG")), "p.CNC", 5, "p.png"},
      {"the picture's place taken by a folder", Program(kProgram, folder("p.png")), "p.CNC", 5, "p.LOG"},
      {"a subprogram calling itself", Program("N1\nL1\nM30\n\n"), "p.CNC --max-blocks 100000", 3, "p.LOG p.png"},
      {"a move to the 32-bit limit and back", Program("G91\nG0X21474836\nG0X1\nG0X1\nG0X-21474838\nM30\n\n"),
       "p.CNC", 3, "p.LOG p.png"},
      {"numbers beyond every range", Program("G1X1e40Y-1e40Z1e39\nG2X1e30R1e-30\nG3X9R1e99\nM30\n\n"), "p.CNC",
       0, "p.LOG p.png"},
      {"binary bytes", Program(binary), "p.CNC", 0, "p.LOG p.png"},
      {"an empty file", Program(""), "p.CNC", 0, "p.LOG p.png"},
      {"one line of 24 MB", Program(Repeated("G1 X1 ", 4'000'000) + "\n"), "p.CNC", 0, "p.LOG p.png"},
  };
  const fs::path root = fs::temp_directory_path() / ("marloq-hostile-" + std::to_string(::getpid()));
  for (const HostileCase& c : cases) {
    const fs::path dir = root / "case";
    fs::remove_all(dir);
    fs::create_directories(dir);
    c.setUp(dir);
    std::map<std::string, std::string> expected = Snapshot(dir);
    const std::string command = "cd '" + dir.string() + "' && timeout 60 '" MARLOQ_BINARY "' --render " +
                                c.arguments + " >/dev/null 2>../err";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << c.name;
    const std::string err = ReadAll(root / "err");
    EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.name << ": " << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << c.name << ": " << err;
    std::map<std::string, std::string> after = Snapshot(dir);
    std::istringstream allowed(c.mayChange);
    for (std::string name; allowed >> name;) {
      expected.erase(name);
      after.erase(name);
    }
    EXPECT_TRUE(after == expected) << c.name << ": a file changed that the render may not write";
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace marloq
