// One DRAW as a user sees it: the picture's pens and colours, the scale, the tool
// radius from the drill, the captions, STOP, the guards, and a log that cannot be written.
#include <gtest/gtest.h>

#include <string>

#include "core/fmath.h"
#include "simulation/block_driver.h"
#include "simulation/drawing.h"
#include "simulation/machining_time.h"
#include "simulation/steppers.h"
#include "tests/simulation/draw_fixture.h"

namespace marloq {
namespace {

using test::Draw;

// Counts the pixels of one colour along a canvas column.
int RunLength(const Draw& d, int x, TColor color) {
  int n = 0;
  for (int y = 0; y < d.sim->Canvas.Height(); ++y) n += d.Pixel(x, y) == color;
  return n;
}

TColor Shown(TColor c) { return ColorOfPixel(PixelOf(c)); }

TEST(DrawPicture, RedBandAsWideAsTheToolBlackPathOnTopBlueTravelSilverAxes) {
  // A 100 mm cut along X at Y 50, travel at Z 2 back to the start.
  Draw d("picture.CNC");
  d.host.SetDrEditText("5,0");
  d.Run("G0 X0 Y0 Z2\nG0 X10 Y50 Z2\nG1 Z-1\nG1 X110\nG0 Z2\nG0 X10 Y20\nM30\n\n");
  const TViewState& v = d.sim->View;
  const int x = CanvasXOf(v, 6000), yCut = CanvasYOf(v, 511, 5000);
  const int band = RunLength(d, x, Shown(kRed)) + RunLength(d, x, Shown(kBlack));
  const int toolPixels = RoundHalfEven(Extended(2 * RoundHalfEven(5.0L * 100 / 2.005L)) * v.ViewScale);
  EXPECT_NEAR(band, toolPixels, 1) << "the cut is as wide as the tool";
  EXPECT_EQ(d.Pixel(x, yCut), Shown(kBlack)) << "the programmed path is drawn over the cut";
  // Travel from (110, 50) to (10, 20) above the work: thin and blue, not part of the path.
  const int xTravel = CanvasXOf(v, 6000), yTravel = CanvasYOf(v, 511, 3500);
  EXPECT_EQ(d.Pixel(xTravel, yTravel), Shown(kBlue));
  EXPECT_LE(RunLength(d, xTravel, Shown(kBlue)), 3);
  // The axes X = 0 and Y = 0 in silver, on top of everything.
  const int xAxis = -RoundHalfEven(Extended(v.ViewOffsetX) * v.ViewScale);
  ASSERT_TRUE(xAxis >= 0 && xAxis < 700);
  EXPECT_EQ(d.Pixel(xAxis, 10), Shown(kSilver));
  EXPECT_EQ(d.host.Label1Text(), "milling length 103 mm ") << "the plunge counts too";
}

// A window whose user presses STOP at the given message point.
struct TStoppingHost : THeadlessHost {
  TStoppingHost(TSimulation& sim, long stopAt)
      : THeadlessHost(sim.Run, sim.Canvas.Width(), sim.Canvas.Height()), sim_(sim), stopAt_(stopAt) {
    sim.Host = this;
  }
  bool FrameDue() override { return true; }
  bool HasFrames() const override { return true; }
  void ProcessMessages() override {
    THeadlessHost::ProcessMessages();
    if (MessagePumps() == stopAt_) RequestStop(sim_);
  }
  TSimulation& sim_;
  long stopAt_;
};

TEST(DrawPicture, StopDuringTheRunSkipsTheFinalPass) {
  Draw d("stop.CNC");
  TStoppingHost host(*d.sim, 3);
  d.Run("G0 X10 Y10 Z-1\nG1 X100\nG1 Y100\nG1 X10\nM30\n\n");
  const std::string log = d.Log();
  EXPECT_EQ(log.find("G1X10\n"), std::string::npos) << "the run ended at the next block";
  EXPECT_NE(log.find("milling length"), std::string::npos);
  EXPECT_FALSE(d.sim->Core.StopRequest) << "DRAW clears the request at its end";
  EXPECT_EQ(host.Stop1Caption(), "EXIT");
  EXPECT_TRUE(host.LineButtonEnabled());
}

struct RadiusCase {
  const char* drill;
  const char* program;
  int32_t toolRadius;
  const char* drEditAfter;
};

TEST(ToolRadius, FromTheDrillAndFromM06) {
  const RadiusCase cases[] = {
      {"1,0", "G0X1\n", 50, "1,0"},
      {"10,0", "G0X1\n", 499, "10,0"},   // 2.005, not 2
      {"10,0", "M06\n", 500, "10,0"},    // M06 without T or D takes the window's value
      {"1,0", "M06D1.01\n", 50, "1,0"},
      {"1,0", "M06T3D2\n", 150, "3,0"},  // T before D
      {"2,5", "M06T?\n", 125, "2,5"},    // the placeholder takes the window's drill
      {"1,0", "G20\nM06D3\n", 150, "3,0"},  // millimetres in inch mode too
      // 700 mm does not fit 16 bits of hundredths and wraps; compensation takes the
      // wrapped radius, inside arcs smaller than the tool included.
      {"1,0", "M06D700\nG41\nG1X10\nG3X20R5\nG1Y10\n", 2232, "44,6"},
      {"1400,0", "G42\nG1X10\nG2X20R5\nG1Y10\n", 4289, "1400,0"},
  };
  for (const auto& c : cases) {
    Draw d("radius.CNC");
    d.host.SetDrEditText(c.drill);
    d.Run(std::string(c.program) + "M30\n\n");
    EXPECT_EQ(d.sim->Core.ToolRadius, c.toolRadius) << c.drill << " " << c.program;
    EXPECT_EQ(d.host.DrEditText(), c.drEditAfter) << c.program;
  }
  Draw d("placeholder.CNC");
  d.host.SetDrEditText("2,5");
  d.Run("M06T?\nM30\n\n");
  EXPECT_NE(d.Log().find("M06D2.5\r\nSet Drill with : 2.50 mm\r\n"), std::string::npos);
}

TEST(ViewScale, FitsTheWiderSideInto90PercentAndCentres) {
  Draw wide("wide.CNC");
  wide.Run("G0X0Y0\nG1X300Y10\nM30\n\n");
  const TViewState& v = wide.sim->View;
  EXPECT_FLOAT_EQ(v.ViewScale, static_cast<float>(0.9L * static_cast<float>((700 - 0.01L) / 30001)));
  const int left = CanvasXOf(v, 0), right = CanvasXOf(v, 30000);
  EXPECT_NEAR(left, 700 - right, 1) << "centred";
  EXPECT_NEAR(right - left, 0.9 * 700, 1);
  Draw tall("tall.CNC");
  tall.Run("G0X0Y0\nG1X10Y300\nM30\n\n");
  EXPECT_FLOAT_EQ(tall.sim->View.ViewScale,
                  static_cast<float>(0.9L * static_cast<float>((511 - 0.01L) / 30001)));
}

TEST(ViewScale, SingleArcIsFramedByItsFullCircleAndTheToolRadius) {
  Draw d("circle.CNC");
  d.Run("G3X20Y0R10\nM30\n\n");  // from (0, 0): centre (1000, 0), radius 1000
  EXPECT_NE(d.Log().find("Xmin:    -1 Ymin: -1001\r\nXmax:  2001 Ymax:  1001\r\n"), std::string::npos)
      << d.Log();
  Draw m6("circle_m6.CNC");
  m6.Run("M06D4\nG3X20Y0R10\nM30\n\n");  // M06 D4: a tool radius of 200 world units
  EXPECT_NE(m6.Log().find("Xmin:  -200 Ymin: -1200\r\nXmax:  2200 Ymax:  1200\r\n"), std::string::npos)
      << m6.Log();
}

TEST(MouseReadout, MillimetresBeforeTheFirstDraw) {
  TViewFrame v;
  EXPECT_EQ(MouseReadout(v, 511, 0, 510), "  0,01   0,02        ");
}

// A DRAW depends on the program and the window's choices only: the feed, tool, pens,
// last Z, first cut and switched-on log that A leaves behind change nothing in B. (A's
// M06 sets the window's drill, a choice B is then drawn with.)
TEST(DrawRuns, EveryDrawStartsAlike) {
  const std::string a = "F500\nM06 D4\nG0 X10 Y10 Z5\nG1 Z-1\nG85 R300 Z-2\nG1 X50\nG0 Z7\nG2 X60 Y20 R10\nM30\n\n";
  const std::string b = "G0 X5 Y5 Z7\nG1 X30 Y20\nG1 Z-1\nG1 X40\nM30\n\n";
  Draw ab("alike.CNC");
  ab.Run(a).Run(b);
  const std::string log = ab.Log();
  Draw d("alike.CNC");
  d.host.SetDrEditText(ab.host.DrEditText());
  d.Run(b);
  EXPECT_EQ(log, d.Log());
  EXPECT_TRUE(ab.sim->Canvas.Image() == d.sim->Canvas.Image());
  EXPECT_EQ(ab.sim->Summary.MillingLength, d.sim->Summary.MillingLength);
  EXPECT_EQ(MachiningTimeText(ab.sim->Summary.Time), MachiningTimeText(d.sim->Summary.Time));
  EXPECT_NE(MachiningTimeText(d.sim->Summary.Time).find("(no F)"), std::string::npos);
}

TEST(DrawRuns, HBlocksMakeTheWindowFollowTheProgram) {
  Draw d("follow.CNC");
  d.Run("H42\nM30\n\n");
  EXPECT_EQ(d.host.ComboBox1Index(), 2);
  d.Run("G41\nM30\n\n");  // G blocks leave the choice alone
  EXPECT_EQ(d.host.ComboBox1Index(), 2);
}

// The guards bound the run itself: the passes before it may trip on their own, but the
// run still goes as far as the limits let it, and says which one ended it.
TEST(DrawRuns, ProgramsThatNeverEndAreStoppedByTheGuards) {
  struct Case {
    const char* program;
    TGuardLimit limit;
    uint64_t blocks;  // run blocks, when a block limit ends it
    const char* said;
  };
  const Case cases[] = {
      {"N1\nL1\nM30\n\n", TGuardLimit::Blocks, 1000, "stopped: more than 1000 blocks"},  // calls itself
      {"G1X99999999999999999999999999999999999999999\nM30\n\n", TGuardLimit::Steps, 2,
       "stopped: more than 100000 steps"},  // a move of light years
      {"G0Z-1\nL10D2147483647\nM30\nN10\nG1X5\nG1X0\nM30\n\n", TGuardLimit::Drawing, 0,
       "stopped: more than 20000 spans"},  // the same pixels painted again and again
  };
  for (const Case& c : cases) {
    Draw d("endless.CNC", 64, 48);
    d.sim->Guard.MaxBlocks = 1000;
    d.sim->Guard.MaxSteps = 100000;
    d.sim->Guard.MaxSpans = 20000;
    d.Run(c.program);
    EXPECT_EQ(d.sim->Guard.TrippedBy, c.limit) << c.program;
    EXPECT_EQ(GuardStopText(d.sim->Guard), c.said);
    if (c.blocks) {
      EXPECT_EQ(d.sim->Summary.Blocks, c.blocks) << c.program;
    }
    EXPECT_NE(d.Log().find("milling length"), std::string::npos) << c.program;
  }
}

// Every pass reaches a message point however little its blocks do, and a STOP there
// ends the whole DRAW: here during the extents, so the run never starts.
TEST(DrawRuns, StopWorksInThePassesBeforeTheRun) {
  Draw d("endless.CNC", 64, 48);
  TStoppingHost host(*d.sim, 1);
  d.Run("N1\nL1\nM30\n\n");
  EXPECT_LE(host.MessagePumps(), 2);  // the one that stopped, and the last position shown
  EXPECT_EQ(d.sim->Summary.Blocks, 0u);
  EXPECT_TRUE(d.sim->Summary.Stopped);
  EXPECT_FALSE(d.sim->Guard.Tripped());
}

TEST(DrawRuns, ArcWhoseAngleStepVanishesEndsByItsClosingLine) {
  Draw d("flat_arc.CNC");
  d.Run("G0X0Y0Z-1\nG2X10Y0R-500000\nM30\n\n");  // 5 km radius: 0.49 / R is below a float's step
  const std::string log = d.Log();
  EXPECT_NE(log.find("Insert Line after Circle"), std::string::npos) << log;
  EXPECT_NE(log.find("PenPos:    1000     0  -100"), std::string::npos) << log;
}

TEST(DrawRuns, LogThatCannotBeWrittenDoesNotStopTheRun) {
  Draw d("nolog.CNC");
  d.sim->Run.ProgramFileName = "/nonexistent-folder/prog.CNC";
  d.Run("G0X10Y10Z-1\nG1X20\nM30\n\n");
  EXPECT_NE(d.sim->Log.Error().find("/nonexistent-folder/prog.LOG"), std::string::npos);
  EXPECT_EQ(d.host.Label1Text(), "milling length 10 mm ");
}

struct LogPathCase {
  const char* program;
  const char* log;
};

// 2 MB of blocks, far past the 130,000 characters a fixed buffer once held, run to
// their last block; the same blocks as a repeated subprogram mill the same length.
TEST(DrawRuns, LongProgramIsDrawnWhole) {
  const std::string body = "G1 X0.01 Y0.01 Z-0.01 F300\nG1 X0.00 Y0.00 Z-0.01 F300\n";
  const int repeats = 2'000'000 / static_cast<int>(body.size());
  std::string flat;
  for (int i = 0; i < repeats; ++i) flat += body;
  Draw whole("long.CNC"), called("called.CNC");
  whole.host.SetDrEditText("0,0");  // thin pens: a wide one would cost more than the run
  called.host.SetDrEditText("0,0");
  whole.Run("G1 X7 Y0\n" + flat + "M30\n\n");
  called.Run("G1 X7 Y0\nL1 D" + std::to_string(repeats) + "\nM30\nN1\n" + body + "M30\n\n");
  const std::string log = whole.Log();
  const size_t blocks = static_cast<size_t>(2 * repeats + 2);
  size_t logged = 0;
  for (size_t at = 0; (at = log.find("------------------------\r\n", at)) != std::string::npos; ++at) ++logged;
  EXPECT_EQ(logged, blocks);
  EXPECT_TRUE(log.ends_with("End of Program.\r\n" + whole.host.Label1Text() + "\r\n"));
  EXPECT_EQ(whole.host.Label1Text(), called.host.Label1Text());
}

// Two million diagonal steps: a 32-bit float sum of their lengths would drift by
// millimetres, and could not count single steps past 167,772 mm at all.
TEST(DrawRuns, MillingLengthIsCountedExactly) {
  std::string text = "G1 Z-1\n";
  for (int i = 0; i < 10; ++i) text += "G1 X1000 Y1000\nG1 X0 Y0\n";
  Draw d("length.CNC");
  d.Run(text + "M30\n\n");
  EXPECT_EQ(d.sim->Summary.MillingLength, 100 + 2'000'000 * 1.41421356237309504880L);
  EXPECT_EQ(d.host.Label1Text(), "milling length 28285 mm ");
}

// The display's whole millimetres without a float: every position where the integer
// rounding is used, against the float it stands for.
TEST(WholeMillimetres, RoundsAsTheFloatOfTheDisplay) {
  for (int32_t pos = -13'107'300; pos <= 13'107'300; ++pos)
    ASSERT_EQ(WholeMillimetres(pos), RoundHalfEven(static_cast<float>(Extended(pos) / 100))) << pos;
}

// The positions shown as one millimetre value are exactly those WholeMillimetres maps
// there: every position up to the plain limit, and empty spans beyond it.
TEST(WholeMillimetres, PositionsShownAsEachValue) {
  int32_t mm = WholeMillimetres(-12'999'949);  // -129,999: the last plain value
  TMillimetreSpan span = PositionsShownAs(mm);
  ASSERT_EQ(span.Lo, -12'999'949);
  for (int32_t pos = -12'999'949; pos <= 12'999'949; ++pos) {
    if (WholeMillimetres(pos) != mm) {
      ASSERT_EQ(span.Hi, pos - 1) << mm;
      mm = WholeMillimetres(pos);
      span = PositionsShownAs(mm);
      ASSERT_EQ(span.Lo, pos) << mm;
    }
  }
  EXPECT_EQ(span.Hi, 12'999'949);
  EXPECT_GT(PositionsShownAs(130'000).Lo, PositionsShownAs(130'000).Hi);
  EXPECT_GT(PositionsShownAs(-130'000).Lo, PositionsShownAs(-130'000).Hi);
}

TEST(LogPathOf, ExtensionReplacedOrAdded) {
  const LogPathCase cases[] = {
      {"/a/b/prog.CNC", "/a/b/prog.LOG"}, {"/a/b/prog", "/a/b/prog.LOG"},
      {"/a.b/prog", "/a.b/prog.LOG"},     {"/a/prog.old.cnc", "/a/prog.old.LOG"},
  };
  for (const auto& c : cases) EXPECT_EQ(LogPathOf(c.program), c.log);
}

}  // namespace
}  // namespace marloq
