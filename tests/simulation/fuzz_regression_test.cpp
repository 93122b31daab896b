// Fuzz regressions: every input the draw fuzzer once broke (undefined behaviour, a
// crash or a hang) replayed through the fuzzer's own DRAW, whose settings come from
// the input's first byte. Each must finish, and soon.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_draw.h"

namespace marloq {
namespace {

namespace fs = std::filesystem;

// Far above what any of them takes now, far below what the slow ones took before.
constexpr auto kTimeLimit = std::chrono::seconds(10);

std::vector<fs::path> RegressionInputs() {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(fs::path(MARLOQ_SOURCE_DIR) / "tests/fuzz/regressions"))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string NameOf(const testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

class FuzzRegression : public testing::TestWithParam<fs::path> {};

TEST_P(FuzzRegression, DrawFinishes) {
  std::ifstream in(GetParam(), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const fs::path dir = fs::temp_directory_path() / ("marloq-fuzz-regression-" + std::to_string(::getpid()));
  fs::create_directories(dir);

  const auto start = std::chrono::steady_clock::now();
  const auto outcome = fuzz::RunFuzzDraw(bytes.str(), (dir / "prog.CNC").string());
  const auto took = std::chrono::steady_clock::now() - start;

  EXPECT_EQ(outcome.Label1.rfind("milling length ", 0), 0u) << outcome.Label1;
  EXPECT_TRUE(outcome.LineButtonEnabled);
  EXPECT_LT(took, kTimeLimit);
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzRegression, testing::ValuesIn(RegressionInputs()), NameOf);

TEST(FuzzRegressionInputs, FolderIsFound) { EXPECT_FALSE(RegressionInputs().empty()); }

}  // namespace
}  // namespace marloq
