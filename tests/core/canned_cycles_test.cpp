// Canned cycles: the moves each cycle hands to the line stepper (targets and move
// class), its circles, depth passes and hole bottoms, and the cycles it refuses.
#include "core/canned_cycles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/fmath.h"
#include "tests/core/interpreter_fixture.h"

namespace marloq {
namespace {

constexpr float kSx = 5000, kSy = 5000, kSz = 0;  // where every cycle starts

struct Move {
  float x, y, z;
  uint8_t moveClass;
};

// Runs one cycle block from S and records what it asks of the view. A move puts the
// tool on its rounded targets, as the line stepper would.
struct CycleRun {
  std::unique_ptr<TInterpreterState> s = test::MakeState("");
  std::vector<Move> moves;
  std::vector<float> arcRadii;
  std::vector<size_t> depthPassesAfter;  // moves made before each depth pass
  std::vector<size_t> drillBottomsAfter;

  CycleRun(const std::string& block, int toolRadius, TCycleRefusal (*cycle)(TInterpreterState&),
           TCycleRefusal expected = TCycleRefusal::None) {
    TInterpreterState& st = *s;
    st.ToolRadius = toolRadius;
    st.LogEnabled = true;
    st.AxisX.Pos = kSx, st.AxisY.Pos = kSy, st.AxisZ.Pos = kSz;
    st.AxisX.Target = kSx, st.AxisY.Target = kSy, st.AxisZ.Target = kSz;
    st.Callbacks.OnLineTo = {[](void* c) { static_cast<CycleRun*>(c)->LineTo(); }, this};
    st.Callbacks.OnArc = {[](void* c) { static_cast<CycleRun*>(c)->Arc(); }, this};
    st.Callbacks.OnDepthPass = {[](void* c) {
      auto* r = static_cast<CycleRun*>(c);
      r->depthPassesAfter.push_back(r->moves.size());
    }, this};
    st.Callbacks.OnDrillBottom = {[](void* c) {
      auto* r = static_cast<CycleRun*>(c);
      r->drillBottomsAfter.push_back(r->moves.size());
    }, this};
    test::SetBlockText(st, block + "\n");
    EXPECT_EQ(cycle(st), expected) << block;
  }
  void LineTo() {
    TInterpreterState& st = *s;
    moves.push_back({st.AxisX.Target, st.AxisY.Target, st.AxisZ.Target, st.MoveClass});
    st.AxisX.Pos = FRound(st.AxisX.Target);
    st.AxisY.Pos = FRound(st.AxisY.Target);
    st.AxisZ.Pos = FRound(st.AxisZ.Target);
  }
  void Arc() { arcRadii.push_back(s->WorkRadius); }
};

void ExpectMove(const Move& m, float x, float y, float z, uint8_t moveClass, const std::string& what) {
  EXPECT_NEAR(m.x, x, 0.01) << what;
  EXPECT_NEAR(m.y, y, 0.01) << what;
  EXPECT_NEAR(m.z, z, 0.01) << what;
  EXPECT_EQ(m.moveClass, moveClass) << what;
}

TEST(SlotOutline, EachPassPlungesOneStepAndTracesTheSlot) {
  // Along +X, 30 mm long, 8 mm wide, 3 mm deep in 3 passes; tool radius 200: the tool
  // centre runs 400 - 200 = 200 beside the axis.
  CycleRun run("G82I0X30Y8Z3D3", 200, SlotOutline);
  ASSERT_EQ(run.moves.size(), 3u * 6 + 1);
  for (int pass = 0; pass < 3; ++pass) {
    const float z = kSz - 100.0f * (pass + 1);
    const Move* m = &run.moves[pass * 6];
    const std::string p = "pass " + std::to_string(pass);
    ExpectMove(m[0], kSx, kSy, z, kMovePlunge, p + " plunge at S");
    ExpectMove(m[1], kSx, kSy + 200, z, kMoveOrdinary, p + " S+B");
    ExpectMove(m[2], kSx + 3000, kSy + 200, z, kMoveOrdinary, p + " S+B+A");
    ExpectMove(m[3], kSx + 3000, kSy - 200, z, kMoveOrdinary, p + " S-B+A");
    ExpectMove(m[4], kSx, kSy - 200, z, kMoveOrdinary, p + " S-B");
    ExpectMove(m[5], kSx, kSy, z, kMoveReturnStroke, p + " back to S");
  }
  ExpectMove(run.moves.back(), kSx, kSy, kSz, kMoveOrdinary, "up to the start height");
  EXPECT_FALSE(run.s->LogEnabled) << "the driver turns logging on again after the block";
}

TEST(SlotOutline, WithoutPassesOnlyReturnsToS) {
  for (const char* block : {"G82I0X30Y8Z3", "G82I0X30Y8Z3D0"}) {
    CycleRun run(block, 200, SlotOutline);
    ASSERT_EQ(run.moves.size(), 1u) << block;
    ExpectMove(run.moves[0], kSx, kSy, kSz, kMoveOrdinary, block);
  }
}

TEST(ParallelStrokes, SevenStrokesSixSpacingsForToolRadius100) {
  // X 2000 and Y 1000 world units with tool radius 100: n = 1000 / 180 + 1 = 6.
  CycleRun run("G83I0X20Y10", 100, ParallelStrokes);
  ASSERT_EQ(run.moves.size(), 7u * 2 + 6 + 1);
  for (int stroke = 0; stroke < 7; ++stroke) {
    const float y = kSy + 1000.0f / 6 * stroke;
    const Move* m = &run.moves[stroke * 3];
    ExpectMove(m[0], kSx + 2000, y, kSz, kMoveOrdinary, "out " + std::to_string(stroke));
    ExpectMove(m[1], kSx, y, kSz, kMoveReturnStroke, "back " + std::to_string(stroke));
  }
  ExpectMove(run.moves.back(), kSx, kSy, kSz, kMoveOrdinary, "back to S");
}

TEST(HolePattern, BoltCircleDrillsFourHolesAtQuarterTurns) {
  CycleRun run("G84I0J4Z5R10", 100, HolePattern);
  const float holes[4][2] = {{1000, 0}, {0, 1000}, {-1000, 0}, {0, -1000}};
  ASSERT_EQ(run.moves.size(), 4u * 3 + 1);
  ASSERT_EQ(run.drillBottomsAfter.size(), 4u);
  for (int h = 0; h < 4; ++h) {
    const Move* m = &run.moves[h * 3];
    const float x = kSx + holes[h][0], y = kSy + holes[h][1];
    const std::string what = "hole " + std::to_string(h);
    ExpectMove(m[0], x, y, kSz, kMoveOrdinary, what + " over the hole");
    ExpectMove(m[1], x, y, kSz - 500, kMovePlunge, what + " drilled");
    ExpectMove(m[2], x, y, kSz, kMoveRetract, what + " retracted");
    EXPECT_EQ(run.drillBottomsAfter[h], size_t(h * 3 + 2)) << what << ": logged at the bottom";
  }
  ExpectMove(run.moves.back(), kSx, kSy, kSz, kMoveOrdinary, "back to S");
}

TEST(HolePattern, WithoutRadiusTheFirstHoleIsAtSTheOthersAtDistanceX) {
  CycleRun run("G84I90J3Z2X8", 100, HolePattern);
  const float holes[3][2] = {{kSx, kSy}, {kSx, kSy + 800}, {kSx, kSy + 800}};
  ASSERT_EQ(run.drillBottomsAfter.size(), 3u);
  size_t m = 0;
  for (int h = 0; h < 3; ++h) {
    if (h > 0) ++m;  // the move over the hole
    ExpectMove(run.moves[m], holes[h][0], holes[h][1], kSz - 200, kMovePlunge, "hole " + std::to_string(h));
    m += 2;
  }
}

TEST(CircularPocket, PassDepthsAndRadiiGrowToTheFullPocket) {
  // D2, J0, Z 1000 and R 2000 world units, tool radius 100: WorkRadius 2000 - 100 - 2,
  // one more on each pass.
  CycleRun run("G85Z10D2J0R20", 100, CircularPocket);
  ASSERT_EQ(run.arcRadii.size(), 2u);
  EXPECT_EQ(run.arcRadii[0], 1899.0f);
  EXPECT_EQ(run.arcRadii[1], 1900.0f);
  ASSERT_EQ(run.depthPassesAfter.size(), 2u);
  const float depths[2] = {kSz - 500, kSz - 1000};
  for (int pass = 0; pass < 2; ++pass) {
    const Move& plunge = run.moves[run.depthPassesAfter[pass]];
    ExpectMove(plunge, kSx, kSy, depths[pass], kMovePlunge, "plunge " + std::to_string(pass));
  }
  // The last point of each spiral lies on the pocket's circle.
  const Move& end = run.moves[run.depthPassesAfter[1] - 2];  // before the return to S
  EXPECT_NEAR(std::hypot(end.x - kSx, end.y - kSy), 1899, 0.05);
  ExpectMove(run.moves.back(), kSx, kSy, kSz, kMoveRetract, "retract at S");
}

TEST(CircularPocket, FinishingDepthAddsALastPass) {
  CycleRun run("G85Z10D1J2R20", 100, CircularPocket);
  ASSERT_EQ(run.depthPassesAfter.size(), 2u);
  EXPECT_EQ(run.moves[run.depthPassesAfter[0]].z, kSz - 800) << "Z - J in one pass";
  EXPECT_EQ(run.moves[run.depthPassesAfter[1]].z, kSz - 1000) << "then the full depth";
}

TEST(CircularPocket, NoRoomForTheToolMakesNoMove) {
  CycleRun run("G85Z10D2R1", 100, CircularPocket);  // R 100 is not larger than 100 + 2
  EXPECT_TRUE(run.moves.empty());
  EXPECT_TRUE(run.arcRadii.empty());
}

TEST(RectangularPocket, RoundsGrowBy180AlongTheCornerDirection) {
  // X 4000 and Y 2000 world units, tool radius 100: half sizes 1900 and 900.
  CycleRun run("G86I0X40Y20Z3", 100, RectangularPocket);
  const float delta = FAngle(1900, 900);
  ASSERT_GE(run.moves.size(), 12u);
  for (int round = 0; round < 2; ++round) {
    const float r = 180.0f * (round + 1);
    const Move* m = &run.moves[1 + round * 5];
    const float cx = static_cast<float>(r * std::cos(delta)), cy = static_cast<float>(r * std::sin(delta));
    const std::string what = "round " + std::to_string(round);
    ExpectMove(m[0], kSx + cx, kSy + cy, kSz - 300, kMoveOrdinary, what + " (+,+)");
    ExpectMove(m[1], kSx + cx, kSy - cy, kSz - 300, kMoveOrdinary, what + " (+,-)");
    ExpectMove(m[2], kSx - cx, kSy - cy, kSz - 300, kMoveOrdinary, what + " (-,-)");
    ExpectMove(m[3], kSx - cx, kSy + cy, kSz - 300, kMoveOrdinary, what + " (-,+)");
    ExpectMove(m[4], kSx + cx, kSy + cy, kSz - 300, kMoveOrdinary, what + " (+,+) again");
  }
  // The last round reaches the half diagonal less one world unit per pass, plus one.
  const Move& last = run.moves[run.moves.size() - 2];
  EXPECT_NEAR(std::hypot(last.x - kSx, last.y - kSy), std::hypot(1900.0, 900.0), 0.05);
  EXPECT_EQ(run.depthPassesAfter.size(), 1u);
}

TEST(RectangularPocket, TooSmallForTheToolOnlyReturnsToTheStartHeight) {
  CycleRun run("G86I0X3Y20Z3D2", 200, RectangularPocket);
  ASSERT_EQ(run.moves.size(), 1u);
  ExpectMove(run.moves[0], kSx, kSy, kSz, kMoveRetract, "retract");
}

struct RefusalCase {
  const char* block;
  int toolRadius;
  TCycleRefusal (*cycle)(TInterpreterState&);
  TCycleRefusal expected;
};

TEST(CannedCycles, RefusedCyclesMakeNoMoveAndLeaveLoggingOn) {
  const RefusalCase cases[] = {
      {"G83I0X20Y10", 0, ParallelStrokes, TCycleRefusal::NoToolRadius},
      {"G85Z10D2R20", 0, CircularPocket, TCycleRefusal::NoToolRadius},
      {"G86I0X40Y20Z3", 0, RectangularPocket, TCycleRefusal::NoToolRadius},
      {"G83I0X20Y-10", 100, ParallelStrokes, TCycleRefusal::NegativeWidth},
      // Counts, sizes and depths past any machine: bounded before a single move.
      {"G82I0X30Y8Z3D2000000", 100, SlotOutline, TCycleRefusal::TooManyMoves},
      {"G83I0X20Y99999999", 1, ParallelStrokes, TCycleRefusal::TooManyMoves},
      {"G84I0J4000000000Z5R10", 100, HolePattern, TCycleRefusal::TooManyMoves},  // wraps negative
      {"G85Z10D2R9999999", 1, CircularPocket, TCycleRefusal::TooManyMoves},
      {"G85Z10D20000000R99999999", 100, CircularPocket, TCycleRefusal::TooManyMoves},
      {"G86I0X99999999Y99999999Z3", 1, RectangularPocket, TCycleRefusal::TooManyMoves},
      // Beyond a float: the half diagonal is infinite.
      {"G86I0X999999999999999999999999999999999999999999999Y20Z3", 100, RectangularPocket,
       TCycleRefusal::TooManyMoves},
  };
  for (const auto& c : cases) {
    CycleRun run(c.block, c.toolRadius, c.cycle, c.expected);
    EXPECT_TRUE(run.moves.empty()) << c.block;
    EXPECT_TRUE(run.s->LogEnabled) << c.block << ": the refusal is logged";
  }
}

}  // namespace
}  // namespace marloq
