// Cycle helpers and the F block: the angle word, cycle begin, the moves around the
// start point, and the accepted feed range.
#include "core/cycle_helpers.h"

#include <gtest/gtest.h>

#include "core/block_feed.h"
#include "core/fmath.h"
#include "tests/core/interpreter_fixture.h"

namespace marloq {
namespace {

using test::MakeState;
using test::SetBlockText;

TEST(ReadAngleWord, DegreesAsWrittenInEitherUnitMode) {
  const float scales[] = {100.0f, 2.54f};
  for (const float scale : scales) {
    auto s = MakeState("");
    s->UnitScale = scale;
    SetBlockText(*s, "G83I90X10Y5\n");
    ReadAngleWord(*s);
    EXPECT_FLOAT_EQ(s->WorkAngle, kHalfPi) << scale;
    SetBlockText(*s, "G83I-45\n");
    ReadAngleWord(*s);
    EXPECT_FLOAT_EQ(s->WorkAngle, -kHalfPi / 2) << scale;
  }
}

TEST(BeginCycle, SavesStartPointAndPauseMode) {
  auto s = MakeState("");
  s->AxisX.Pos = 120;
  s->AxisY.Pos = -40;
  s->AxisZ.Pos = 5;
  s->NoPause = false;
  s->LogEnabled = true;
  BeginCycle(*s);
  EXPECT_EQ(s->AxisX.Start, 120);
  EXPECT_EQ(s->AxisY.Start, -40);
  EXPECT_EQ(s->AxisZ.Start, 5);
  EXPECT_FALSE(s->SavedNoPause);
  EXPECT_TRUE(s->NoPause);
  EXPECT_FALSE(s->LogEnabled);
}

struct MoveCase {
  const char* name;
  void (*move)(TInterpreterState&);
  float x, y;  // expected targets from start (1000, 2000), radius 100
};

TEST(CycleMoves, TargetsAroundTheStartPointThenOneLine) {
  const MoveCase cases[] = {
      {"ccw 0", [](TInterpreterState& s) { CirclePointCCW(s, 0); }, 1100, 2000},
      {"ccw pi/2", [](TInterpreterState& s) { CirclePointCCW(s, kHalfPi); }, 1000, 2100},
      {"cw pi/2", [](TInterpreterState& s) { CirclePointCW(s, kHalfPi); }, 1000, 1900},
      {"cw pi", [](TInterpreterState& s) { CirclePointCW(s, kPi); }, 900, 2000},
      {"move by", [](TInterpreterState& s) { MoveBy(s, 30, -40); }, 530, 460},
      {"return", [](TInterpreterState& s) { ReturnToStart(s); }, 1000, 2000},
  };
  for (const auto& c : cases) {
    auto s = MakeState("");
    test::CallCounter lines;
    s->Callbacks.OnLineTo = lines.Bind();
    s->AxisX.Start = 1000;
    s->AxisY.Start = 2000;
    s->AxisX.Target = 500;
    s->AxisY.Target = 500;
    s->AxisZ.Target = -77;
    s->WorkI = 100;
    c.move(*s);
    EXPECT_NEAR(s->AxisX.Target, c.x, 1e-3) << c.name;
    EXPECT_NEAR(s->AxisY.Target, c.y, 1e-3) << c.name;
    EXPECT_EQ(s->AxisZ.Target, -77) << c.name << ": Z is never touched";
    EXPECT_EQ(lines.calls, 1) << c.name;
  }
}

struct FeedCase {
  const char* block;
  uint16_t feed;
};

TEST(SetBlockFeed, AcceptsNineToThirtySixHundred) {
  const FeedCase cases[] = {
      {"F8\n", 100},  {"F9\n", 9},      {"F3600\n", 3600}, {"F3601\n", 100},
      {"F\n", 100},   {"F-20\n", 100},  {"F250.5\n", 250}, {"F4294967296\n", 100},
  };
  for (const auto& c : cases) {
    auto s = MakeState("");
    s->BlockFeed = 100;
    s->MoveClass = kMoveRetract;
    SetBlockText(*s, c.block);
    SetBlockFeed(*s);
    EXPECT_EQ(s->BlockFeed, c.feed) << c.block;
    EXPECT_EQ(s->MoveClass, c.feed != 100 ? kMoveOrdinary : kMoveRetract) << c.block;
  }
}

}  // namespace
}  // namespace marloq
