// Block trace: which editor line each block of the program buffer came from, the line
// of the block being run, and which block last drew through each canvas pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace marloq {

struct TBlockTrace {
  bool Enabled = false;             // the window follows the run; headless runs do not
  bool Recording = false;           // only the run itself is traced, not the quick passes
  std::vector<int32_t> LineStarts;  // program-buffer offset of each editor line's text
  int32_t TailStart = 0;            // where the appended end of program begins
  int32_t CurrentLine = -1;         // editor line of the block being run
  int Width = 0, Height = 0;
  std::vector<int32_t> Pixels;      // 1 + editor line of the last block drawn there, 0 none
};

// The editor line the block at this program-buffer offset came from; -1 for the
// appended end of program.
int32_t EditorLineOf(const TBlockTrace& t, int32_t textPos);

// A fresh picking buffer of the canvas' size: nothing drawn yet.
void StartTrace(TBlockTrace& t, int width, int height);
void ClearTrace(TBlockTrace& t);

inline void TracePixel(TBlockTrace& t, int32_t x, int32_t y) {
  if (!t.Recording || x < 0 || y < 0 || x >= t.Width || y >= t.Height) return;
  t.Pixels[static_cast<size_t>(y) * static_cast<size_t>(t.Width) + static_cast<size_t>(x)] = t.CurrentLine + 1;
}

// The editor line of the last block drawn through the traced pixel nearest to (x, y),
// looking at most radius pixels away; -1 when nothing was drawn there.
int32_t LineNearest(const TBlockTrace& t, int x, int y, int radius);

}  // namespace marloq
