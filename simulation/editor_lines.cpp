// Editor lines over a text: the line starts found once, each line's end from the next
// start less its line break.
#include "simulation/editor_lines.h"

#include <utility>

namespace marloq {

std::vector<uint32_t> LineStarts(std::string_view b) {
  std::vector<uint32_t> starts;
  size_t start = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i] != '\r' && b[i] != '\n') continue;
    starts.push_back(static_cast<uint32_t>(start));
    if (b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < b.size()) starts.push_back(static_cast<uint32_t>(start));
  starts.shrink_to_fit();
  return starts;
}

std::string_view LineAt(std::string_view b, const std::vector<uint32_t>& starts, size_t i) {
  const size_t start = starts[i];
  size_t end = i + 1 < starts.size() ? starts[i + 1] : b.size();
  // Every line but a text's last ends in its break: CR LF, LF or CR.
  if (end > start && (b[end - 1] == '\n' || b[end - 1] == '\r')) {
    --end;
    if (b[end] == '\n' && end > start && b[end - 1] == '\r') --end;
  }
  return b.substr(start, end - start);
}

std::vector<std::string> SplitEditorLines(std::string_view bytes) {
  const std::vector<uint32_t> starts = LineStarts(bytes);
  std::vector<std::string> lines;
  lines.reserve(starts.size());
  for (size_t i = 0; i < starts.size(); ++i) lines.emplace_back(LineAt(bytes, starts, i));
  return lines;
}

TSplitText SplitText(std::string bytes) {
  TSplitText split;
  split.Bytes = std::move(bytes);
  split.Starts = LineStarts(split.Bytes);
  return split;
}

}  // namespace marloq
