// Block reader: block codes, word extraction, block text limits, and the advance with
// its modal words, headings and lookahead.
#include "core/block_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/block_codes.h"
#include "core/fmath.h"
#include "tests/core/interpreter_fixture.h"

namespace marloq {
namespace {

using test::BlockTextOf;
using test::MakeState;
using test::SetBlockText;

struct CodeCase {
  const char* text;
  uint16_t code;
};

TEST(BlockCode, LetterHighByteNumberLowByte) {
  const CodeCase cases[] = {
      {"N10G01X5Y-2.5\n", kG1},
      {"X10\n", kG1},          // X, Y and Z blocks are G1 whatever follows
      {"Y5Z3\n", kG1},
      {"Z-1\n", kG1},
      {"X7G0\n", kG1},
      {"G90\n", 0x475A},
      {"M30\n", 0x4D1E},
      {"H40\n", 0x4828},
      {"H41\n", 0x4829},
      {"G300\n", BlockCode('G', 44)},  // only the low 8 bits of the number
      {"M286\n", kM30},
      {"N20\n", kEmptyBlock},  // a bare line number: the letter is the line feed
      {"\n", kEmptyBlock},
      {"N1.5,G2X1\n", kG2},  // the line number may hold points and commas
      {"G\n", BlockCode('G', 0)},
      {"L-5\n", BlockCode('L', 0)},
  };
  for (const auto& c : cases) {
    auto s = MakeState("");
    SetBlockText(*s, c.text);
    EXPECT_EQ(BlockCodeOfText(*s), c.code) << c.text;
  }
}

TEST(BlockCode, BlockCutInsideItsLineNumberHasCodeZero) {
  auto s = MakeState("");
  SetBlockText(*s, "N" + std::string(127, '7'));
  EXPECT_EQ(BlockCodeOfText(*s), kNoBlock);
}

struct RealWordCase {
  const char* text;
  char letter;
  float scale;
  float value;
  bool found;
};

TEST(ReadRealWord, ScaledValueAndWordFound) {
  const RealWordCase cases[] = {
      {"G1X5Y-2.5\n", 'X', 100, 500, true},
      {"G1X5Y-2.5\n", 'Y', 100, -250, true},
      {"G1X5Y-2.5\n", 'Z', 100, 0, false},
      {"G1X.5\n", 'X', 1, 0.5f, true},
      {"G1X5.\n", 'X', 1, 5, true},
      {"G1X\n", 'X', 100, 0, true},         // a bare letter is a found zero
      {"G1X1-2\n", 'X', 1, 1, true},        // any other character ends the number
      {"G1X--2\n", 'X', 1, -0.0f, true},    // one minus at most
      {"G1X1000\n", 'X', 2.54f, 2540, true},
      {"G1X2X3\n", 'X', 1, 2, true},        // the first word counts
      {"G1\nX5", 'X', 1, 0, false},         // the scan ends at the line feed
  };
  for (const auto& c : cases) {
    auto s = MakeState("");
    s->UnitScale = c.scale;
    SetBlockText(*s, c.text);
    const float v = ReadRealWord(*s, c.letter);
    EXPECT_EQ(v, c.value) << c.text << " " << c.letter;
    EXPECT_EQ(s->WordFound, c.found) << c.text << " " << c.letter;
  }
}

TEST(ReadRealWord, BareMinusIsNegativeZero) {
  auto s = MakeState("");
  SetBlockText(*s, "G1X-\n");
  const float v = ReadRealWord(*s, 'X');
  EXPECT_TRUE(s->WordFound);
  EXPECT_EQ(v, 0.0f);
  EXPECT_TRUE(std::signbit(v));
}

TEST(ReadRealWord, FractionDigitsAccumulateInSinglePrecision) {
  auto s = MakeState("");
  s->UnitScale = 1;
  SetBlockText(*s, "X0.1\n");
  EXPECT_EQ(ReadRealWord(*s, 'X'), 0.1f);
  SetBlockText(*s, "X0.3\n");
  // weight 0.1 stored, then 3 x weight: not the nearest float to 0.3
  EXPECT_EQ(ReadRealWord(*s, 'X'), static_cast<float>(3 * static_cast<long double>(0.1f)));
}

TEST(ReadRealWord, AbsurdlyLongNumberOverflowsToInfinityNotUndefined) {
  auto s = MakeState("");
  SetBlockText(*s, "X99999999999999999999999999999999999999999\n");
  const float v = ReadRealWord(*s, 'X');
  EXPECT_TRUE(s->WordFound);
  EXPECT_TRUE(std::isinf(v) && v > 0);
}

struct IntWordCase {
  const char* text;
  char letter;
  int32_t value;
  bool found;
};

TEST(ReadIntWord, UnsignedDecimalWrappingIn32Bits) {
  const IntWordCase cases[] = {
      {"L20D3\n", 'L', 20, true},
      {"L20D3\n", 'D', 3, true},
      {"L20D3\n", 'J', 0, false},
      {"L-5\n", 'L', 0, true},      // a sign ends the number
      {"F1.5\n", 'F', 1, true},     // so does a point
      {"L4294967297\n", 'L', 1, true},
      {"L2147483648\n", 'L', INT32_MIN, true},
      {"L\n", 'L', 0, true},
      {"G1\nL5", 'L', 0, false},
  };
  for (const auto& c : cases) {
    auto s = MakeState("");
    SetBlockText(*s, c.text);
    EXPECT_EQ(ReadIntWord(*s, c.letter), c.value) << c.text << " " << c.letter;
    EXPECT_EQ(s->WordFound, c.found) << c.text << " " << c.letter;
  }
}

TEST(ReadBlockText, LongLineKeepsFirst128CharactersAndConsumesTheRest) {
  const std::string longLine = "G1X" + std::string(197, '1') + "\n";
  auto s = MakeState(longLine + "G0X2\n");
  const int32_t next = ReadBlockText(*s, 0);
  EXPECT_EQ(next, 201);
  EXPECT_EQ(s->BlockText.Length, kBlockTextCapacity);
  EXPECT_EQ(BlockTextOf(*s), longLine.substr(0, 128));
  ReadBlockText(*s, next);
  EXPECT_EQ(BlockTextOf(*s), "G0X2\n");
}

TEST(ReadBlockText, EndOfTextReturnsZero) {
  auto s = MakeState("G1X1\n");
  EXPECT_EQ(ReadBlockText(*s, 5), 0);
  EXPECT_EQ(s->BlockText.Length, 0);
  EXPECT_EQ(ReadBlockText(*s, -3), 0);
  EXPECT_EQ(ReadBlockText(*s, static_cast<int32_t>(s->ProgramText.size())), 0);
}

TEST(ReadBlockText, TextWithoutFinalLineFeedKeepsWhatWasTaken) {
  auto s = MakeState("G1X1");
  EXPECT_EQ(ReadBlockText(*s, 0), 0);
  EXPECT_EQ(BlockTextOf(*s), "G1X1");
}

// After each advance: the code and end point of CurBlock.
struct Step {
  uint16_t code;
  float x, y, z;
};

void ExpectRun(const char* program, const std::vector<Step>& steps) {
  auto s = MakeState(program);
  AdvanceBlock(*s);
  for (size_t i = 0; i < steps.size(); ++i) {
    AdvanceBlock(*s);
    const TBlockRecord& b = s->CurBlock;
    EXPECT_EQ(b.Code, steps[i].code) << program << " block " << i;
    EXPECT_EQ(b.X, steps[i].x) << program << " block " << i;
    EXPECT_EQ(b.Y, steps[i].y) << program << " block " << i;
    EXPECT_EQ(b.Z, steps[i].z) << program << " block " << i;
  }
}

TEST(AdvanceBlock, EndPointsWithModalUnitsAndRelativeMode) {
  ExpectRun("N10G01X5Y-2.5\nM02\n", {{kG1, 500, -250, 0}, {kM2, 500, -250, 0}});
  ExpectRun("G1X1Y2Z3\nX10\n", {{kG1, 100, 200, 300}, {kG1, 1000, 200, 300}});
  ExpectRun("G91\nG1X1\nG1X1\nG90\nG1Y5\nG1X5\n",
            {{kG91, 0, 0, 0}, {kG1, 100, 0, 0}, {kG1, 200, 0, 0}, {kG90, 200, 0, 0},
             {kG1, 200, 500, 0}, {kG1, 500, 500, 0}});
  ExpectRun("G20\nG1X1000\nG21\nG1X1\nG70\nG1X1\nG71\nG1Y1\n",
            {{kG20, 0, 0, 0}, {kG1, 2540, 0, 0}, {kG21, 2540, 0, 0}, {kG1, 100, 0, 0},
             {kG70, 100, 0, 0}, {kG1, 2.54f, 0, 0}, {kG71, 2.54f, 0, 0}, {kG1, 2.54f, 100, 0}});
  // Only G0 to G3 read end points; other blocks keep the previous one.
  ExpectRun("G0X1\nM3X9\nG4X7\nG2X2\n",
            {{kG0, 100, 0, 0}, {BlockCode('M', 3), 100, 0, 0}, {BlockCode('G', 4), 100, 0, 0},
             {kG2, 200, 0, 0}});
}

TEST(AdvanceBlock, ModalWordTakesEffectWhenParsedAsLookahead) {
  auto s = MakeState("G1X1\nG91\nG1X1\n");
  AdvanceBlock(*s);
  AdvanceBlock(*s);  // G1X1 runs; G91 is the lookahead and already in force
  EXPECT_EQ(s->CurBlock.Code, kG1);
  EXPECT_TRUE(s->RelativeMode);
}

struct HeadingCase {
  const char* program;
  float heading;  // of the last block advanced to
};

TEST(AdvanceBlock, Headings) {
  const HeadingCase cases[] = {
      {"G1Y10\n", kHalfPi},
      {"G1X-10\n", kPi},
      {"G1Y-10\n", -kHalfPi},
      {"G1X10\n", kTwoPi},                  // exactly +X without Z change
      {"G1Y10\nG1X10Y10Z-1\n", kHalfPi},    // exactly +X with Z change: the previous heading
      {"G1Y10\nG1Z-1\n", kHalfPi},          // no XY travel with Z change
      {"G1Y10\nG1Y10\n", kTwoPi},           // no travel at all
      {"G1X10\nF200\nG1X10Y10\n", kTwoPi},  // after F200 (number byte 200): inherited
      {"G1X10\nM3\nG1X10Y10\n", kHalfPi},   // after M3 (number byte 3): computed
      {"G1X10\nG4\nG1X10Y10\n", kTwoPi},
  };
  for (const auto& c : cases) {
    auto s = MakeState(c.program);
    AdvanceBlock(*s);
    while (s->ReadPos != 0) AdvanceBlock(*s);
    EXPECT_EQ(s->CurBlock.Heading, c.heading) << c.program;
  }
}

TEST(AdvanceBlock, EndOfTextKeepsLookaheadReloadsCurrentTextAndWraps) {
  test::CallCounter loaded;
  auto s = MakeState("G1X1\nM02\n");
  s->Callbacks.OnBlockLoaded = loaded.Bind();
  AdvanceBlock(*s);  // lookahead G1X1
  AdvanceBlock(*s);  // runs G1X1, lookahead M02
  EXPECT_EQ(loaded.calls, 2);
  AdvanceBlock(*s);  // runs M02, nothing left to read
  EXPECT_EQ(s->CurBlock.Code, kM2);
  EXPECT_EQ(s->NextBlock.Code, kM2);
  EXPECT_EQ(s->ReadPos, 0);
  EXPECT_EQ(BlockTextOf(*s), "M02\n");
  EXPECT_EQ(loaded.calls, 2);
  AdvanceBlock(*s);  // reading starts over at the first block
  EXPECT_EQ(s->NextBlock.Code, kG1);
  EXPECT_EQ(s->ReadPos, 5);
}

TEST(AdvanceBlock, HookMayReplaceTheCurrentBlock) {
  struct Hook {
    TInterpreterState* s;
    static void Run(void* c) {
      auto* s = static_cast<Hook*>(c)->s;
      if (s->CurBlock.Code == kM6) {
        SetBlockText(*s, "G41\n");
        s->CurBlock.Code = kG41;
      }
    }
  };
  auto s = MakeState("M06\nG1X1\n");
  Hook hook{s.get()};
  s->Callbacks.OnBlockLoaded = {&Hook::Run, &hook};
  AdvanceBlock(*s);
  AdvanceBlock(*s);
  EXPECT_EQ(s->CurBlock.Code, kG41);
  EXPECT_EQ(BlockTextOf(*s), "G41\n");
}

TEST(RereadLookahead, JumpParsesTheBlockAtReadPosFromTheCurrentEndPoint) {
  auto s = MakeState("G1X1Y1\nG1X9\nN5\nG1Y3\n");
  AdvanceBlock(*s);
  AdvanceBlock(*s);  // runs G1X1Y1, lookahead G1X9
  EXPECT_EQ(s->NextBlock.X, 900);
  s->ReadPos = 15;  // the block after the label line N5
  RereadLookahead(*s);
  EXPECT_EQ(s->CurBlock.X, 100);
  EXPECT_EQ(s->NextBlock.Code, kG1);
  EXPECT_EQ(s->NextBlock.X, 100);
  EXPECT_EQ(s->NextBlock.Y, 300);
  EXPECT_EQ(s->NextBlock.Heading, kHalfPi);
  EXPECT_EQ(BlockTextOf(*s), "G1X1Y1\n");
}

TEST(RereadLookahead, DiscardedModeBlockIsUndone) {
  auto s = MakeState("G1X1\nG91\nG1X5\n");
  AdvanceBlock(*s);
  AdvanceBlock(*s);
  ASSERT_TRUE(s->RelativeMode);
  s->ReadPos = 9;  // jump over G91
  RereadLookahead(*s);
  EXPECT_FALSE(s->RelativeMode);
  EXPECT_EQ(s->NextBlock.X, 500);
}

TEST(ResetInterpreter, ClearsRunStateKeepsSettings) {
  auto s = MakeState("G91\nG20\nG1X1\n");
  AdvanceBlock(*s);
  AdvanceBlock(*s);
  AdvanceBlock(*s);
  s->ToolRadius = 50;
  s->Quiet = true;
  s->BlockFeed = 300;
  s->StopRequest = true;
  s->NoPause = true;
  s->CallDepth = 2;
  s->AxisX.Pos = 7;
  ResetInterpreter(*s);
  EXPECT_EQ(s->UnitScale, 100.0f);
  EXPECT_FALSE(s->RelativeMode);
  EXPECT_FALSE(s->StopRequest);
  EXPECT_FALSE(s->NoPause);
  EXPECT_EQ(s->CallDepth, 0);
  EXPECT_EQ(s->ReadPos, 0);
  EXPECT_EQ(s->AxisX.Pos, 0);
  EXPECT_EQ(s->AxisY.Letter, 'Y');
  EXPECT_EQ(s->CurBlock.Code, kNoBlock);
  EXPECT_EQ(s->ToolRadius, 50);
  EXPECT_TRUE(s->Quiet);
  EXPECT_EQ(s->BlockFeed, 300);
}

}  // namespace
}  // namespace marloq
