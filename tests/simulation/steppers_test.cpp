// Steppers: the step sets a line emits, the delay line that feeds the drawing, and
// arcs that end on their targets.
#include "simulation/steppers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/block_reader.h"
#include "simulation/draw_sequence.h"
#include "simulation/headless_host.h"

namespace marloq {
namespace {

struct Stepping {
  std::unique_ptr<TSimulation> sim = std::make_unique<TSimulation>();
  THeadlessHost host{sim->Run, 200, 200};
  TInterpreterState& s = sim->Core;
  Stepping() {
    sim->Host = &host;
    sim->Canvas.Resize(200, 200);
    ResetInterpreter(s);
    s.NoPause = true;
  }
  void Target(float x, float y, float z) {
    s.AxisX.Target = x;
    s.AxisY.Target = y;
    s.AxisZ.Target = z;
  }
};

TEST(LineStepper, EmitsStepSetsInBresenhamOrder) {
  Stepping t;
  t.sim->StepByStep = true;  // the delay line itself holds them
  t.Target(3, 1, 0);
  LineStepper(*t.sim);
  EXPECT_EQ(t.s.MajorSteps, 3u);
  EXPECT_EQ(t.s.StepRing[0], kStepXPlus);
  EXPECT_EQ(t.s.StepRing[1], kStepXPlus);
  EXPECT_EQ(t.s.StepRing[2], kStepXPlus | kStepYPlus);
}

TEST(LineStepper, EveryStepReachesTheDrawingBeforeItReturns) {
  const int lengths[] = {0, 1, 19, 20, 21, 250};
  for (const int n : lengths) {
    Stepping t;
    t.Target(static_cast<float>(n), 0, 0);
    LineStepper(*t.sim);
    EXPECT_EQ(t.s.StepRingFill, 0) << n;
    EXPECT_EQ(MillingLength(t.sim->View), n) << n;
    EXPECT_EQ(t.s.AxisX.Pos, n);
  }
}

TEST(LineStepper, StopRequestBeforeTheCallEmitsNothing) {
  Stepping t;
  t.Target(50, 50, 0);
  t.s.StopRequest = true;
  LineStepper(*t.sim);
  EXPECT_EQ(t.s.AxisX.Pos, 0);
  EXPECT_EQ(MillingLength(t.sim->View), 0);
}

// Lines at the 32-bit limits (targets beyond them saturate): the fast way and the
// step-by-step way leave the same positions and counts.
TEST(LineStepper, EndAtTheLimitsAsStepByStep) {
  const struct {
    int32_t x, y;
    float tx, ty;
  } cases[] = {
      {INT32_MAX - 500, 0, 2147484000.0f, 300},    // X runs into its limit
      {INT32_MAX, 7, 2147484000.0f, 5000},          // X stands at it, Y leads
      {INT32_MAX - 900, 20, 2147482000.0f, 0},      // away from it
  };
  for (const auto& c : cases) {
    Stepping fast, slow;
    for (Stepping* t : {&fast, &slow}) {
      t->sim->StepByStep = t == &slow;
      t->s.AxisX.Pos = c.x;
      t->s.AxisY.Pos = c.y;
      t->Target(c.tx, c.ty, 0);
      LineStepper(*t->sim);
    }
    EXPECT_EQ(fast.s.AxisX.Pos, slow.s.AxisX.Pos) << c.x;
    EXPECT_EQ(fast.s.AxisY.Pos, slow.s.AxisY.Pos) << c.x;
    EXPECT_EQ(MillingLength(fast.sim->View), MillingLength(slow.sim->View)) << c.x;
  }
}

struct ArcCase {
  bool clockwise;
  float radius;
  int32_t fromX, fromY;  // around the centre (0, 0); the target is the start
};

TEST(ArcStepper, FullCirclesAndTinyRadiiEndOnTheirTargets) {
  const ArcCase cases[] = {
      {false, 1000, 1000, 0}, {true, 1000, 1000, 0}, {false, 1, 1, 0},
      {true, 0.6f, 1, 0},     {false, 37.5f, 0, 37}, {true, 1000, 707, 707},
  };
  for (const auto& c : cases) {
    Stepping t;
    t.s.AxisX.Pos = c.fromX;
    t.s.AxisY.Pos = c.fromY;
    t.Target(static_cast<float>(c.fromX), static_cast<float>(c.fromY), 0);
    t.s.AxisX.Start = t.s.AxisY.Start = 0;
    t.s.WorkRadius = c.radius;
    t.s.ArcClockwise = c.clockwise;
    ArcStepper(*t.sim);
    EXPECT_EQ(t.s.AxisX.Pos, c.fromX) << c.radius;
    EXPECT_EQ(t.s.AxisY.Pos, c.fromY) << c.radius;
    if (c.radius >= 10) {
      // A full circle's steps: about its circumference, staircase and all.
      EXPECT_GT(MillingLength(t.sim->View), 6.28f * c.radius) << c.radius;
      EXPECT_LT(MillingLength(t.sim->View), 8.0f * c.radius) << c.radius;
    }
  }
}

// Worked out ahead, the angles of NextArcStep's passes are its float sums, for steps of
// arcs of every size, both ways, across binades and up to the end angle.
TEST(ArcPassAngles, AreTheSumsOfNextArcStep) {
  uint64_t r = 7;
  const auto random = [&r] { return (r = r * 6364136223846793005ULL + 1442695040888963407ULL) >> 11; };
  for (int c = 0; c < 20000; ++c) {
    TInterpreterState s{};
    s.ArcClockwise = random() % 2;
    // Angles up to 12.8, and every other one down to 2^-17.
    s.WorkAngle = c % 2 ? 0.2f + static_cast<float>(random() % 100000) / 7919.0f
                        : std::ldexp(1.0f + static_cast<float>(random() % 1000) / 1000.0f, -2 - static_cast<int>(random() % 16));
    const float radius = static_cast<float>(random() % 2000000) / 64.0f + 0.5f;
    s.AngleStep = static_cast<float>(0.49L / radius) * (s.ArcClockwise ? -1 : 1);
    s.WorkAngle2 = s.WorkAngle + s.AngleStep * static_cast<float>(random() % 300);
    float angles[65];
    bool ends[64];
    float spacing;
    const int n = ArcPassAngles(s, angles, ends, 64, spacing);
    float a = s.WorkAngle;
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(angles[i], a) << c << " " << i;
      if (spacing != 0) {
        ASSERT_EQ(angles[i], angles[0] + static_cast<float>(i) * spacing) << c << " " << i;
      }
      const float mid = a + s.AngleStep;
      a = mid + s.AngleStep;
      ASSERT_EQ(ends[i], (mid < s.WorkAngle2) == s.ArcClockwise || a == angles[i]) << c << " " << i;
      if (i < n - 1) {
        ASSERT_FALSE(ends[i]) << "nothing after the end";
      }
    }
    ASSERT_EQ(angles[n], a) << c;
  }
}

// An infinite radius or one that is not a number makes no step, either way round, and
// the closing line still reaches the target.
TEST(ArcStepper, RadiiOutOfTheFloatRangeEndOnTheirTargets) {
  for (const float radius : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    for (const bool clockwise : {false, true}) {
      Stepping t;
      t.Target(1000, 0, 0);
      t.s.AxisX.Start = t.s.AxisY.Start = radius;
      t.s.WorkRadius = radius;
      t.s.ArcClockwise = clockwise;
      ArcStepper(*t.sim);
      EXPECT_EQ(t.s.AxisX.Pos, 1000) << radius << " " << clockwise;
      EXPECT_EQ(t.s.AxisY.Pos, 0) << radius << " " << clockwise;
      EXPECT_EQ(MillingLength(t.sim->View), 1000) << "the closing line's steps only";
    }
  }
}

TEST(ArcStepper, RadiusZeroMovesNothing) {
  Stepping t;
  t.Target(100, 0, 0);
  t.s.WorkRadius = 0;
  ArcStepper(*t.sim);
  EXPECT_EQ(t.s.AxisX.Pos, 0);
}

}  // namespace
}  // namespace marloq
