// Golden programs: every tests/golden/<feature>/<case>.CNC is drawn once and its log
// compared with <case>.LOG beside it. Set MARLOQ_UPDATE_GOLDEN=1 to write the logs.
// A comment line "; window: ComboBox1=2 DR_Edit=2,5" sets the window's choices first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/simulation/draw_fixture.h"

namespace marloq {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> GoldenPrograms() {
  std::vector<fs::path> programs;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(MARLOQ_SOURCE_DIR) / "tests/golden"))
    if (e.path().extension() == ".CNC") programs.push_back(e.path());
  std::sort(programs.begin(), programs.end());
  return programs;
}

// The log's first line names the program by its full path; golden logs name it by file.
std::string WithoutFolder(std::string log, const fs::path& folder) {
  const std::string prefix = folder.string() + "/";
  if (const size_t at = log.find(prefix); at != std::string::npos && at < 16) log.erase(at, prefix.size());
  return log;
}

// The window's choices a program asks for in its "; window:" line.
void SetWindowChoices(THeadlessHost& host, const std::string& program) {
  std::istringstream lines(program);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("; window:", 0) != 0) continue;
    std::istringstream words(line.substr(9));
    for (std::string word; words >> word;) {
      const size_t eq = word.find('=');
      const std::string key = word.substr(0, eq), value = eq == std::string::npos ? "" : word.substr(eq + 1);
      if (key == "ComboBox1") host.SetComboBox1Index(std::stoi(value));
      else if (key == "DR_Edit") host.SetDrEditText(value);
      else ADD_FAILURE() << "unknown window choice " << word;
    }
  }
}

std::string UnifiedDiff(const std::string& expected, const std::string& actual) {
  const fs::path dir = test::ScratchDir();
  std::ofstream(dir / "expected.LOG", std::ios::binary) << expected;
  std::ofstream(dir / "actual.LOG", std::ios::binary) << actual;
  const std::string cmd = "diff -u '" + (dir / "expected.LOG").string() + "' '" + (dir / "actual.LOG").string() + "'";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

TEST(GoldenLogs, EveryProgramLogsWhatItsGoldenLogSays) {
  const auto programs = GoldenPrograms();
  ASSERT_FALSE(programs.empty());
  const bool update = std::getenv("MARLOQ_UPDATE_GOLDEN") != nullptr;
  for (const fs::path& program : programs) {
    test::Draw draw(program.filename().string());
    const std::string text = test::ReadFile(program);
    SetWindowChoices(draw.host, text);
    draw.Run(text);
    const std::string actual = WithoutFolder(draw.Log(), test::ScratchDir());
    const fs::path golden = fs::path(program).replace_extension(".LOG");
    if (update) {
      std::ofstream(golden, std::ios::binary) << actual;
      continue;
    }
    const std::string expected = test::ReadFile(golden);
    EXPECT_EQ(expected, actual) << program << "\n" << UnifiedDiff(expected, actual);
  }
}

}  // namespace
}  // namespace marloq
