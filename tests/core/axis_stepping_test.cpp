// Axis stepping: per-axis set-up, the choice of the major axis, and the Bresenham
// patterns the line stepper produces from the primitives.
#include "core/axis_stepping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/fmath.h"
#include "tests/core/interpreter_fixture.h"

namespace marloq {
namespace {

using test::MakeState;

// The line stepping scheme the view's line stepper runs: returns the step bytes.
std::vector<uint8_t> StepLine(TInterpreterState& s) {
  SetupAxis(s.AxisX, kStepXPlus, kStepXMinus);
  SetupAxis(s.AxisY, kStepYPlus, kStepYMinus);
  SetupAxis(s.AxisZ, kStepZPlus, kStepZMinus);
  s.MajorSteps = PickMajorAxis(s);
  const int32_t half = static_cast<int32_t>(s.MajorSteps / 2);
  s.AxisX.Accum = s.AxisY.Accum = s.AxisZ.Accum = half;
  std::vector<uint8_t> out;
  for (uint32_t i = 0; i < s.MajorSteps && !s.StopRequest; ++i) {
    const uint8_t bits =
        StepAxis(s.AxisZ, s.MajorSteps,
                 StepAxis(s.AxisY, s.MajorSteps, StepAxis(s.AxisX, s.MajorSteps, 0)));
    s.AxisX.Pos += (bits & kStepXPlus ? 1 : 0) - (bits & kStepXMinus ? 1 : 0);
    s.AxisY.Pos += (bits & kStepYPlus ? 1 : 0) - (bits & kStepYMinus ? 1 : 0);
    s.AxisZ.Pos += (bits & kStepZPlus ? 1 : 0) - (bits & kStepZMinus ? 1 : 0);
    out.push_back(bits);
  }
  return out;
}

void SetTargets(TInterpreterState& s, float x, float y, float z) {
  s.AxisX.Target = x;
  s.AxisY.Target = y;
  s.AxisZ.Target = z;
}

TEST(LineStepping, MinorAxisStepsEvenlyStartingHalfAPeriodIn) {
  auto s = MakeState("");
  SetTargets(*s, 10, 4, 0);
  const auto steps = StepLine(*s);
  ASSERT_EQ(steps.size(), 10u);
  std::string ySteps;
  for (size_t i = 0; i < steps.size(); ++i)
    if (steps[i] & kStepYPlus) ySteps += std::to_string(i + 1) + " ";
  EXPECT_EQ(ySteps, "2 4 7 9 ");
  for (const uint8_t b : steps) EXPECT_TRUE(b & kStepXPlus);
}

struct MajorCase {
  int32_t x, y, z;
  char major;
};

TEST(LineStepping, MajorAxisTies) {
  const MajorCase cases[] = {
      {5, 5, 0, 'X'}, {5, 5, 5, 'X'}, {5, 0, 5, 'X'}, {2, 5, 5, 'Z'},
      {2, 6, 5, 'Y'}, {2, 5, 6, 'Z'}, {0, 0, 0, 'X'},
  };
  for (const auto& c : cases) {
    auto s = MakeState("");
    s->AxisX.Count = c.x;
    s->AxisY.Count = c.y;
    s->AxisZ.Count = c.z;
    const uint32_t n = PickMajorAxis(*s);
    const TAxis* axes[] = {&s->AxisX, &s->AxisY, &s->AxisZ};
    for (const TAxis* a : axes) {
      const bool isMajor = a->Dir & kMajorAxisBit;
      EXPECT_EQ(isMajor, a->Letter == c.major) << c.x << " " << c.y << " " << c.z;
      if (isMajor) {
        EXPECT_EQ(n, static_cast<uint32_t>(a->Count));
      }
    }
  }
}

struct SetupCase {
  int32_t pos;
  float target;
  int32_t count;
  uint8_t dir;
};

TEST(SetupAxis, RoundsHalvesAwayFromZero) {
  const SetupCase cases[] = {
      {0, 2.5f, 3, kStepXPlus},   {0, -2.5f, 3, kStepXMinus}, {0, 2.4999998f, 2, kStepXPlus},
      {5, 5.4f, 0, 0},            {7, -3, 10, kStepXMinus},
      {0, std::numeric_limits<float>::infinity(), INT32_MAX, kStepXPlus},  // saturates
      {-5, 1e30f, INT32_MAX, kStepXPlus},
      {INT32_MAX, -1e30f, INT32_MAX, kStepXMinus},
      {3, std::numeric_limits<float>::quiet_NaN(), 3, kStepXMinus},  // NaN rounds to 0
  };
  for (const auto& c : cases) {
    TAxis a{};
    a.Pos = c.pos;
    a.Target = c.target;
    SetupAxis(a, kStepXPlus, kStepXMinus);
    EXPECT_EQ(a.Count, c.count) << c.pos << " -> " << c.target;
    EXPECT_EQ(a.Dir, c.dir) << c.pos << " -> " << c.target;
  }
}

TEST(LineStepping, EveryLineEndsOnItsRoundedTargets) {
  const float targets[][3] = {{0, 0, 0},    {1, 0, 0},     {-7, 3, 0},   {13, -29, 4},
                              {1, 1, 1},    {-100, 1, -1}, {3, 97, -96}, {0.5f, -0.5f, 2.5f},
                              {255, 256, 257}};
  for (const auto& t : targets) {
    auto s = MakeState("");
    s->AxisX.Pos = 4;
    s->AxisY.Pos = -2;
    SetTargets(*s, t[0], t[1], t[2]);
    const auto steps = StepLine(*s);
    EXPECT_EQ(s->AxisX.Pos, FRound(t[0]));
    EXPECT_EQ(s->AxisY.Pos, FRound(t[1]));
    EXPECT_EQ(s->AxisZ.Pos, FRound(t[2]));
    for (const uint8_t b : steps) EXPECT_NE(b, 0) << "the major axis steps on every tick";
  }
}

TEST(LineStepping, NoMoveMarksXMajorWithZeroSteps) {
  auto s = MakeState("");
  s->AxisX.Pos = 3;
  SetTargets(*s, 3.2f, 0, -0.4f);
  EXPECT_TRUE(StepLine(*s).empty());
  EXPECT_EQ(s->AxisX.Dir, kMajorAxisBit);
  EXPECT_EQ(s->MajorSteps, 0u);
}

TEST(LineStepping, StopRequestEndsTheLine) {
  auto s = MakeState("");
  SetTargets(*s, 10, 0, 0);
  s->StopRequest = true;
  EXPECT_TRUE(StepLine(*s).empty());
}

TEST(StepAxis, HugeCountsDoNotOverflowTheAccumulator) {
  TAxis a{};
  a.Dir = kStepYPlus;
  a.Count = INT32_MAX - 1;
  a.Accum = INT32_MAX / 2;
  EXPECT_EQ(StepAxis(a, INT32_MAX, 0), kStepYPlus);
  EXPECT_EQ(a.Accum, INT32_MAX / 2 - 1);
}

TEST(SetMotionCallbacks, StoresTheFiveRoutinesInOrder) {
  auto s = MakeState("");
  test::CallCounter c[5];
  SetMotionCallbacks(*s, c[0].Bind(), c[1].Bind(), c[2].Bind(), c[3].Bind(), c[4].Bind());
  s->Callbacks.OnArc();
  s->Callbacks.OnBlockLoaded();
  s->Callbacks.OnBlockLoaded();
  s->Callbacks.OnLineTo();
  s->Callbacks.OnLineTo();
  s->Callbacks.OnLineTo();
  s->Callbacks.OnDepthPass();
  s->Callbacks.OnDrillBottom();
  EXPECT_EQ(c[0].calls, 1);
  EXPECT_EQ(c[1].calls, 2);
  EXPECT_EQ(c[2].calls, 3);
  EXPECT_EQ(c[3].calls, 1);
  EXPECT_EQ(c[4].calls, 1);
  TMotionCallbacks none{};
  none.OnLineTo();  // an unset callback is skipped
}

}  // namespace
}  // namespace marloq
