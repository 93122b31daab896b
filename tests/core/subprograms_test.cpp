// Subprograms: the label index finds, for every label, the line a search from the top
// of the program would find.
#include "core/subprograms.h"

#include <gtest/gtest.h>

#include <string>

#include "core/block_reader.h"
#include "tests/core/interpreter_fixture.h"

namespace marloq {
namespace {

// The search the index replaces: line by line from the top, the first line that
// starts with N and whose N word reads as the label. The offset after it, or -1.
int32_t SearchFromTop(TInterpreterState& s, int32_t label) {
  int32_t p = 0;
  do {
    const int32_t line = p;
    p = ReadBlockText(s, line);
    if (s.ProgramText[line] == 'N' && ReadIntWord(s, 'N') == label) return p;
  } while (p != 0);
  return -1;
}

TEST(IndexLabels, EveryCallFindsWhatTheSearchFromTheTopFinds) {
  const std::string longNumber = "N" + std::string(126, '0') + "77";  // the 7 at 128 is cut
  const std::string programs[] = {
      "N10\nG1X1\nM30\nM02\n",
      "G1X1\nN10G1X2\nN10\nM02\n",             // the first of two lines with 10 wins
      "N010\nN10.5\nN4294967306\nM02\n",       // leading zero, fraction, wrapped to 10
      "N\nNX5\nG1N5\nN5\nM02\n",               // N alone and NX read as 0; G1N5 is no label
      longNumber + "\nN77\nM02\n",
      "N7\nG0X1\nN8",                          // last line without line feed
      "",
  };
  const int32_t labels[] = {0, 5, 7, 8, 10, 77, 99};
  for (const std::string& text : programs) {
    for (const int32_t label : labels) {
      auto s = test::MakeState(text);
      const int32_t expected = SearchFromTop(*s, label);
      ResetInterpreter(*s);
      test::SetBlockText(*s, "L" + std::to_string(label) + "\n");
      const int32_t found = CallSubprogram(*s);
      SCOPED_TRACE("program \"" + text + "\", L" + std::to_string(label));
      if (expected < 0) {
        EXPECT_EQ(found, 0);
        EXPECT_EQ(s->ReadPos, 0);
      } else {
        EXPECT_EQ(found, label);
        EXPECT_EQ(s->NextBlock.TextPos, expected) << "the block after the label line runs next";
      }
    }
  }
}

}  // namespace
}  // namespace marloq
