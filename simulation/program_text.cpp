// Program text: upper case, comments after ';' or '%' dropped, blanks, control
// characters and '+' dropped, ',' read as '.', and "M02" appended to every program.
#include "simulation/program_text.h"

namespace marloq {

namespace {

// The text may take this many characters; then come its line feed and "M02\n\0".
constexpr int32_t kMaxStoredChars = kProgramTextSize - 7;

uint8_t FilterChar(uint8_t c) {
  if (c == ',') return '.';
  if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 'A');
  return c;
}

}  // namespace

std::vector<std::string> SplitEditorLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.emplace_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

bool LoadProgramText(TInterpreterState& s, const std::vector<std::string>& lines, TBlockTrace* trace) {
  uint8_t* const text = s.ProgramText;
  int32_t n = 0;
  bool cut = false;
  if (trace) trace->LineStarts.clear();
  for (size_t li = 0; li + 1 < lines.size(); ++li) {
    const std::string& line = lines[li];
    const int32_t lineStart = n;
    if (trace) trace->LineStarts.push_back(lineStart);
    for (const char ch : line) {
      const uint8_t c = static_cast<uint8_t>(ch);
      if (c == ';' || c == '%' || c == '\n') break;
      if (c <= ' ' || c == '+') continue;
      if (n > kMaxStoredChars) {
        cut = true;
        break;
      }
      text[n++] = FilterChar(c);
    }
    if (n > lineStart && text[n - 1] != '\n') text[n++] = '\n';
    if (cut) break;
  }
  if (trace) trace->TailStart = n;
  static constexpr uint8_t kTail[] = {'M', '0', '2', '\n', 0};
  for (const uint8_t c : kTail) text[n++] = c;
  return cut;
}

}  // namespace marloq
