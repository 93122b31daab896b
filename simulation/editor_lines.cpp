// Editor lines over a file's bytes: the line starts found once, each line's end from
// the next start less its line break.
#include "simulation/editor_lines.h"

#include <utility>

namespace marloq {

TSplitText SplitText(std::string bytes) {
  TSplitText split;
  split.Bytes = std::move(bytes);
  const std::string& b = split.Bytes;
  size_t start = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i] != '\r' && b[i] != '\n') continue;
    split.Starts.push_back(static_cast<uint32_t>(start));
    if (b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < b.size()) split.Starts.push_back(static_cast<uint32_t>(start));
  split.Starts.shrink_to_fit();
  return split;
}

std::string_view TEditorLines::SplitLine(size_t i) const {
  const std::string& b = split_->Bytes;
  const size_t start = split_->Starts[i];
  size_t end = i + 1 < count_ ? split_->Starts[i + 1] : b.size();
  // Every line but a file's last ends in its break: CR LF, LF or CR.
  if (end > start && (b[end - 1] == '\n' || b[end - 1] == '\r')) {
    --end;
    if (b[end] == '\n' && end > start && b[end - 1] == '\r') --end;
  }
  return std::string_view(b).substr(start, end - start);
}

}  // namespace marloq
