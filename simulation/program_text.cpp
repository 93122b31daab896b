// Program text: upper case, comments after ';' or '%' dropped, blanks, control
// characters and '+' dropped, ',' read as '.', and "M02" appended to every program.
#include "simulation/program_text.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "core/subprograms.h"

namespace marloq {

namespace {

// The buffer grows with the program; only offsets beyond 32 bits (a text of 2 GiB, far
// past the largest program file) would cut it. Then come its line feed and "M02\n\0".
constexpr size_t kMaxStoredChars = std::numeric_limits<int32_t>::max() - 7;

// A ';' or '%' starts a comment that runs to the line's end.
std::string_view CodePart(std::string_view line) { return line.substr(0, line.find_first_of(";%\n")); }

// Blanks, control characters and '+' are dropped.
bool KeptChar(char ch) {
  const uint8_t c = static_cast<uint8_t>(ch);
  return c > ' ' && c != '+';
}

uint8_t FilterChar(uint8_t c) {
  if (c == ',') return '.';
  if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 'A');
  return c;
}

}  // namespace

bool LoadProgramText(TInterpreterState& s, TEditorLines lines, TBlockTrace* trace) {
  s.ProgramText = {};  // before the new one is made: a long program's text is megabytes
  std::vector<uint8_t> text;
  // The exact size: comments and blanks would make a guess from the lines' lengths
  // megabytes too large for a long program.
  size_t capacity = 5;
  for (size_t li = 0; li + 1 < lines.size(); ++li) {
    const std::string_view code = CodePart(lines[li]);
    capacity += static_cast<size_t>(std::count_if(code.begin(), code.end(), KeptChar)) + 1;
  }
  text.clear();
  text.reserve(capacity);
  bool cut = false;
  if (trace) trace->LineStarts.clear();
  for (size_t li = 0; li + 1 < lines.size(); ++li) {
    const std::string_view line = lines[li];
    const size_t lineStart = text.size();
    if (trace) trace->LineStarts.push_back(static_cast<int32_t>(lineStart));
    for (const char ch : CodePart(line)) {
      if (!KeptChar(ch)) continue;
      if (text.size() > kMaxStoredChars) {
        cut = true;
        break;
      }
      text.push_back(FilterChar(static_cast<uint8_t>(ch)));
    }
    if (text.size() > lineStart && text.back() != '\n') text.push_back('\n');
    if (cut) break;
  }
  if (trace) trace->TailStart = static_cast<int32_t>(text.size());
  static constexpr uint8_t kTail[] = {'M', '0', '2', '\n', 0};
  text.insert(text.end(), std::begin(kTail), std::end(kTail));
  s.ProgramText = TProgramText(std::move(text));
  ForgetLabels(s);
  return cut;
}

size_t ByteOfStoredChar(std::string_view line, size_t k) {
  const std::string_view code = CodePart(line);
  for (size_t i = 0; i < code.size(); ++i)
    if (KeptChar(code[i]) && k-- == 0) return i;
  return code.size();
}

bool HoldsBlock(std::string_view line) {
  const std::string_view code = CodePart(line);
  return std::any_of(code.begin(), code.end(), KeptChar);
}

std::string LastLineWarning(TEditorLines lines) {
  if (lines.empty() || !HoldsBlock(lines.back())) return {};
  return "line " + std::to_string(lines.size() - 1) + ": " + std::string(kLastLineNotRun);
}

}  // namespace marloq
