// Arc geometry: arc centres from R or I and J, and the intersection solver's roots.
#include "core/arc_geometry.h"

#include <gtest/gtest.h>

#include "core/block_reader.h"
#include "core/fmath.h"
#include "tests/core/interpreter_fixture.h"

namespace marloq {
namespace {

using test::MakeState;
using test::SetBlockText;

struct CentreCase {
  const char* block;
  float from[2], to[2];  // PrevBlock and CurBlock end points
  float i, j, r;         // expected centre offset and radius
  float tolerance;
};

TEST(ArcCentre, FromIJOrFromSignedRadius) {
  const CentreCase cases[] = {
      {"G2X1I3J4\n", {0, 0}, {0, 0}, 300, 400, 500, 0},
      {"G2X1\n", {0, 0}, {0, 0}, 0, 0, 0, 0},  // nothing given: the start is the centre
      {"G2X10R5\n", {0, 0}, {1000, 0}, 500, 0, 500, 0},
      {"G2X10R-5\n", {0, 0}, {1000, 0}, 500, 0, 500, 0.01f},
      {"G2X10R10\n", {0, 0}, {1000, 0}, 500, 866.0254f, 1000, 0.01f},   // left of travel
      {"G2X10R-10\n", {0, 0}, {1000, 0}, 500, -866.0254f, 1000, 0.01f}, // right of travel
      {"G3Y10R10\n", {200, 0}, {200, 1000}, -866.0254f, 500, 1000, 0.01f},
      {"G2X10R1\n", {0, 0}, {1000, 0}, 100, 0, 100, 0},  // chord too long: on the chord
  };
  for (const auto& c : cases) {
    auto s = MakeState("");
    SetBlockText(*s, c.block);
    s->PrevBlock.X = c.from[0];
    s->PrevBlock.Y = c.from[1];
    s->CurBlock.X = c.to[0];
    s->CurBlock.Y = c.to[1];
    float i = 0, j = 0, r = 0;
    ArcCentre(*s, kArcOfCurrentBlock, i, j, r);
    EXPECT_NEAR(i, c.i, c.tolerance) << c.block;
    EXPECT_NEAR(j, c.j, c.tolerance) << c.block;
    EXPECT_EQ(r, c.r) << c.block;
  }
}

TEST(ArcCentre, ChordFromLookaheadOrFromTheValuesPassedIn) {
  auto s = MakeState("");
  SetBlockText(*s, "G2R5\n");
  s->CurBlock.X = 100;
  s->NextBlock.X = 100;
  s->NextBlock.Y = 1000;
  float i = 0, j = 0, r = 0;
  ArcCentre(*s, kArcOfLookahead, i, j, r);
  EXPECT_NEAR(i, 0, 1e-3);
  EXPECT_FLOAT_EQ(j, 500);
  i = 0;
  j = -1000;
  ArcCentre(*s, 0, i, j, r);
  EXPECT_NEAR(i, 0, 1e-3);
  EXPECT_FLOAT_EQ(j, -500);
}

TEST(ArcCentre, InchRadiusIsScaled) {
  auto s = MakeState("");
  s->UnitScale = 2.54f;
  SetBlockText(*s, "G2I300J400\n");
  float i = 0, j = 0, r = 0;
  ArcCentre(*s, kArcOfCurrentBlock, i, j, r);
  EXPECT_FLOAT_EQ(r, 1270);
}

struct SolverCase {
  float a, b, w, radius, u, v;
  float result, t1, t2;
  bool noIntersection;
};

TEST(SolveIntersection, RootOfSmallerMagnitude) {
  const SolverCase cases[] = {
      {0, 0, 1, 2, 0, 0, 2, -2, 2, true},   // tie with g < 0: the larger root
      {3, 4, 1, 4, 1, 0.5f, 1, 1, 9, false}, // m = 5, g = 9: roots 1 and 9
      {3, 4, -1, 4, -1, -0.5f, -0.8309519f, -0.8309519f, 10.830952f, true},  // m = 5, g = -9
      {0, 0, 1, 1, 3, 4, 1, -1, 1, true},    // tie with g < 0 again
      {2, 0, 1, 4, -3, 0, 0.92820323f, -12.928203f, 0.92820323f, true},
  };
  for (const auto& c : cases) {
    auto s = MakeState("");
    s->WorkAngle = c.a;
    s->WorkAngle2 = c.b;
    s->WorkC = c.w;
    s->WorkRadius = c.radius;
    s->AxisX.Aux = c.u;
    s->AxisY.Aux = c.v;
    EXPECT_FLOAT_EQ(SolveIntersection(*s), c.result) << c.a << " " << c.b << " " << c.u;
    EXPECT_FLOAT_EQ(s->WorkAngle, c.t1);
    EXPECT_FLOAT_EQ(s->WorkAngle2, c.t2);
    EXPECT_EQ(s->NoIntersection, c.noIntersection);
  }
}

TEST(SolveIntersection, NoRealRootOrZeroDivisorLeavesTheWorkAngles) {
  const float divisors[] = {1, 0};
  for (const float w : divisors) {
    auto s = MakeState("");
    s->WorkAngle = 10;
    s->WorkAngle2 = 0;
    s->WorkC = w;
    s->WorkRadius = 1;
    s->AxisX.Aux = 0;  // m = 0, g = 99: no real root
    EXPECT_EQ(SolveIntersection(*s), 0);
    EXPECT_TRUE(s->NoIntersection);
    EXPECT_EQ(s->WorkAngle, 10);
    EXPECT_EQ(s->WorkAngle2, 0);
  }
}

}  // namespace
}  // namespace marloq
