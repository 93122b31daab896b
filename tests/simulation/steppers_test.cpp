// Steppers: the step sets a line emits, the delay line that feeds the drawing, and
// arcs that end on their targets.
#include "simulation/steppers.h"

#include <gtest/gtest.h>

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

TEST(ArcStepper, RadiusZeroMovesNothing) {
  Stepping t;
  t.Target(100, 0, 0);
  t.s.WorkRadius = 0;
  ArcStepper(*t.sim);
  EXPECT_EQ(t.s.AxisX.Pos, 0);
}

}  // namespace
}  // namespace marloq
