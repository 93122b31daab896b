// Block trace: mapping program-buffer offsets back to editor lines, and the nearest
// traced pixel to a click.
#include "simulation/block_trace.h"

#include <algorithm>

namespace marloq {

int32_t EditorLineOf(const TBlockTrace& t, int32_t textPos) {
  if (textPos >= t.TailStart || t.LineStarts.empty()) return -1;
  // Lines that stored nothing (comments, blanks) share their start with the next line
  // that did; the last of them is the one the block came from.
  const auto after = std::upper_bound(t.LineStarts.begin(), t.LineStarts.end(), textPos);
  if (after == t.LineStarts.begin()) return -1;
  return static_cast<int32_t>(after - t.LineStarts.begin()) - 1;
}

void StartTrace(TBlockTrace& t, int width, int height) {
  t.Width = std::max(width, 0);
  t.Height = std::max(height, 0);
  t.Pixels.assign(static_cast<size_t>(t.Width) * static_cast<size_t>(t.Height), 0);
  t.CurrentLine = -1;
}

void ClearTrace(TBlockTrace& t) {
  t.Pixels.clear();
  t.Width = t.Height = 0;
}

int32_t LineNearest(const TBlockTrace& t, int x, int y, int radius) {
  int32_t best = -1;
  long bestDistance = static_cast<long>(radius) * radius + 1;
  const int left = std::max(x - radius, 0), right = std::min(x + radius, t.Width - 1);
  const int top = std::max(y - radius, 0), bottom = std::min(y + radius, t.Height - 1);
  for (int py = top; py <= bottom; ++py) {
    const int32_t* row = t.Pixels.data() + static_cast<size_t>(py) * static_cast<size_t>(t.Width);
    for (int px = left; px <= right; ++px) {
      if (row[px] == 0) continue;
      const long d = static_cast<long>(px - x) * (px - x) + static_cast<long>(py - y) * (py - y);
      if (d < bestDistance) {
        bestDistance = d;
        best = row[px] - 1;
      }
    }
  }
  return best;
}

}  // namespace marloq
