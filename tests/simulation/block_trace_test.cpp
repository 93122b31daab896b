// Block trace: program-buffer offsets back to editor lines, and the traced pixel
// nearest a click.
#include "simulation/block_trace.h"

#include <gtest/gtest.h>

#include <memory>

#include "simulation/program_text.h"

namespace marloq {
namespace {

TEST(BlockTrace, EachOffsetMapsToTheLineItsTextCameFrom) {
  const std::vector<std::string> lines = {"G0X1 ; start", "; comment", "", "g1 x2 y3", "M30", ""};
  auto s = std::make_unique<TInterpreterState>();
  TBlockTrace t;
  LoadProgramText(*s, lines, &t);
  ASSERT_STREQ(reinterpret_cast<const char*>(s->ProgramText.data()), "G0X1\nG1X2Y3\nM30\nM02\n");
  const std::pair<int32_t, int32_t> cases[] = {
      {0, 0}, {4, 0},      // G0X1 and its line feed
      {5, 3}, {7, 3},      // G1X2Y3: after the comment and the empty line
      {12, 4},             // M30
      {16, -1}, {19, -1},  // the appended M02
  };
  for (const auto& [offset, line] : cases) EXPECT_EQ(EditorLineOf(t, offset), line) << offset;
}

TEST(BlockTrace, NearestTracedPixelWithinTheRadius) {
  TBlockTrace t;
  StartTrace(t, 20, 10);
  t.Recording = true;
  t.CurrentLine = 4;
  TracePixel(t, 2, 2);
  t.CurrentLine = 7;
  TracePixel(t, 10, 5);
  TracePixel(t, -1, 5);  // off the canvas: ignored
  TracePixel(t, 20, 5);
  t.Recording = false;
  TracePixel(t, 3, 3);   // not recording: ignored
  struct Case {
    int x, y, radius;
    int32_t line;
  };
  const Case cases[] = {
      {2, 2, 0, 4}, {3, 3, 2, 4}, {7, 4, 5, 7},  // (7,4) is nearer (10,5) than (2,2)
      {15, 9, 3, -1},                            // nothing within 3 pixels
      {-50, -50, 100, 4},                        // a click beside the canvas still finds one
  };
  for (const Case& c : cases) EXPECT_EQ(LineNearest(t, c.x, c.y, c.radius), c.line) << c.x << "," << c.y;
  ClearTrace(t);
  EXPECT_EQ(LineNearest(t, 2, 2, 5), -1);
}

}  // namespace
}  // namespace marloq
