// Program text: the filtering of editor lines into the program buffer, the last line
// that no run reads, and a file's bytes split into editor lines.
#include "simulation/program_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace marloq {
namespace {

std::string Loaded(const std::vector<std::string>& lines, bool* cut = nullptr) {
  auto s = std::make_unique<TInterpreterState>();
  const bool c = LoadProgramText(*s, lines);
  if (cut) *cut = c;
  return reinterpret_cast<const char*>(s->ProgramText.data());
}

struct FilterCase {
  std::vector<std::string> lines;
  const char* text;
};

TEST(LoadProgramText, FiltersEveryLineButTheLast) {
  const FilterCase cases[] = {
      {{"g1 x5,5 y+2", ""}, "G1X5.5Y2\nM02\n"},
      {{"G0X1 ; to the start", "G1X2%rest", ""}, "G0X1\nG1X2\nM02\n"},
      {{"; a comment line", "", "  \t ", "N10"}, "M02\n"},  // nothing stored, last line dropped
      {{"G1X1", "M30"}, "G1X1\nM02\n"},                     // the last line is never part
      {{"x\xe4y", ""}, "X\xe4Y\nM02\n"},                    // 8-bit characters stay
      {{}, "M02\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Loaded(c.lines), c.text);
}

// Far past the 130,000 characters a fixed buffer once held.
TEST(LoadProgramText, LongTextIsStoredWhole) {
  std::vector<std::string> lines(20000, "G1X1234567");
  lines.push_back("");
  bool cut = true;
  const std::string text = Loaded(lines, &cut);
  EXPECT_FALSE(cut);
  EXPECT_EQ(text.size(), 20000u * 11 + 4);
  EXPECT_EQ(text.substr(text.size() - 15), "G1X1234567\nM02\n");
}

// The last line is never run: the warning names it only when it holds a block, by the
// rules every other line is stored with.
TEST(LastLineWarning, OnlyALastLineThatHoldsABlock) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"G0 X1", " m30 ; end"}, "line 1: last line not run"}, {{"; M30"}, ""}, {{"G0 X1", ""}, ""},
      {{"G0 X1", " \t+ "}, ""}, {{"G0 X1", "%"}, ""}, {{}, ""}};
  for (const auto& [lines, warning] : cases) {
    EXPECT_EQ(LastLineWarning(lines), warning) << testing::PrintToString(lines);
    if (lines.empty()) continue;
    // The same text holds a block exactly when it is stored as any other line.
    EXPECT_EQ(HoldsBlock(lines.back()), Loaded({lines.back(), ""}) != "M02\n") << lines.back();
  }
}

struct SplitCase {
  const char* bytes;
  std::vector<std::string> lines;
};

TEST(SplitEditorLines, AnyLineBreakAndNoExtraLineAfterTheLast) {
  const SplitCase cases[] = {
      {"A\r\nB\r\n", {"A", "B"}},
      {"A\nB", {"A", "B"}},
      {"A\rB\r", {"A", "B"}},
      {"A\r\n\r\nB", {"A", "", "B"}},
      {"\n", {""}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitEditorLines(c.bytes), c.lines) << c.bytes;
}

// The lines over a file's bytes are the editor's lines, for every text of up to seven
// characters of 'a', CR and LF.
TEST(SplitText, ViewsTheEditorLines) {
  for (int length = 0; length <= 7; ++length) {
    int texts = 1;
    for (int i = 0; i < length; ++i) texts *= 3;
    for (int t = 0; t < texts; ++t) {
      std::string bytes;
      for (int i = 0, rest = t; i < length; ++i, rest /= 3) bytes += "a\r\n"[rest % 3];
      const std::vector<std::string> expected = SplitEditorLines(bytes);
      const TSplitText split = SplitText(bytes);
      const TEditorLines lines(split);
      ASSERT_EQ(lines.size(), expected.size()) << bytes;
      for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(lines[i], expected[i]) << bytes << " line " << i;
    }
  }
}

}  // namespace
}  // namespace marloq
