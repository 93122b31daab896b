// Editor lines as the DRAW and the check read them: the editor's own strings, or a
// program file's bytes cut at its line ends, a fraction of the memory for long files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marloq {

// Where each line of a text starts: lines end at CR LF, LF or CR, and a final line
// break makes no extra empty line. Texts stay far below 4 GiB (program files 64 MiB).
std::vector<uint32_t> LineStarts(std::string_view bytes);
// Line i of the text, its line break left off.
std::string_view LineAt(std::string_view bytes, const std::vector<uint32_t>& starts, size_t i);

// The lines as strings, as an editor holds them.
std::vector<std::string> SplitEditorLines(std::string_view bytes);

// A file's bytes and where each line starts.
struct TSplitText {
  std::string Bytes;
  std::vector<uint32_t> Starts;
};
TSplitText SplitText(std::string bytes);

// A view of either kind of lines, as cheap to pass as a string_view and valid while
// what it views is.
class TEditorLines {
 public:
  TEditorLines(const std::vector<std::string>& lines)  // NOLINT: any editor lines will do
      : strings_(lines.data()), count_(lines.size()) {}
  TEditorLines(const TSplitText& split)  // NOLINT
      : split_(&split), count_(split.Starts.size()) {}

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  std::string_view operator[](size_t i) const {
    return strings_ ? std::string_view(strings_[i]) : LineAt(split_->Bytes, split_->Starts, i);
  }
  std::string_view back() const { return (*this)[count_ - 1]; }

 private:
  const std::string* strings_ = nullptr;
  const TSplitText* split_ = nullptr;
  size_t count_ = 0;
};

}  // namespace marloq
