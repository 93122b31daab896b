// Check findings: per editor line, the stored text of its block is walked word by word
// (a letter starts a word, as the reader's letter search sees it) and compared with the
// pass's marks; the pass's notes, the lines it never ran and the text itself add theirs.
#include "simulation/check_findings.h"

#include <algorithm>
#include <cstdio>

#include "simulation/program_text.h"

namespace marloq {

namespace {

bool IsLetter(uint8_t c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

void Add(TCheckReport& report, TFinding f) {
  ++report.Total;
  if (report.Findings.size() < TCheckReport::kMostFindings) report.Findings.push_back(std::move(f));
}

// One editor line and the characters it stored in ProgramText.
struct TLineText {
  std::string_view Line;
  int32_t Index;         // from 0
  int32_t Start, Size;   // in ProgramText, the line feed not counted
  TFinding At(int32_t pos, int32_t chars, TFindingKind kind, std::string message) const {
    const size_t first = ByteOfStoredChar(Line, static_cast<size_t>(pos - Start));
    const size_t last = ByteOfStoredChar(Line, static_cast<size_t>(pos - Start + std::max(chars, 1) - 1));
    return {Index + 1, static_cast<int32_t>(first) + 1,
            static_cast<int32_t>(std::max<size_t>(last + 1 - std::min(last, first), 1)), kind, std::move(message)};
  }
};

// The integer the reader makes of a word's digits, wrapped in 32 bits.
uint32_t WrappedValue(const TProgramText& text, int32_t p, int32_t end) {
  uint32_t v = 0;
  for (int32_t q = p + 1; q < end && IsDigit(text[q]); ++q) v = v * 10 + (text[q] - '0');
  return v;
}

bool HoldsPlaceholder(std::string_view block) {
  return block.find("G4?") != block.npos || block.find("M06D?") != block.npos ||
         block.find("M06T?") != block.npos;
}

// Parenthesised text: its letters are words to this reader, not a comment.
void FindParentheses(const TSimulation& sim, const TProgramCheck& check, const TLineText& l, TCheckReport& report) {
  const TProgramText& text = sim.Core.ProgramText;
  const int32_t end = l.Start + l.Size, readEnd = l.Start + std::min(l.Size, kBlockTextCapacity);
  for (int32_t p = l.Start; p < end; ++p) {
    if (text[p] != '(') continue;
    int32_t q = p + 1;
    while (q < end && text[q] != ')') ++q;
    std::string read;  // the letters inside that a handler took as words
    for (int32_t k = p + 1; k < std::min(q, readEnd); ++k)
      if (IsLetter(text[k]) && (check.Marks[k] & kMarkRead) && read.find(char(text[k])) == read.npos) read += char(text[k]);
    const std::string what = read.empty()      ? "its letters are words to this control"
                             : read.size() == 1 ? read + " in it is read as a word"
                                                : "the letters " + read + " in it are read as words";
    Add(report, l.At(p, std::min(q, end - 1) - p + 1, TFindingKind::Parenthesis,
                     "( ) is not a comment here: " + what + "; write comments after ;"));
    p = q;
  }
}

// The words of a block that ran: the ones no handler read, the empty, the wrapped.
void FindWords(const TSimulation& sim, const TProgramCheck& check, const TLineText& l, TCheckReport& report) {
  const TInterpreterState& s = sim.Core;
  const TProgramText& text = s.ProgramText;
  const int32_t end = l.Start + std::min(l.Size, kBlockTextCapacity);
  if (HoldsPlaceholder({reinterpret_cast<const char*>(&text[l.Start]), static_cast<size_t>(end - l.Start)})) return;
  const int32_t codeAt = CodeWordAt(s, l.Start);
  std::string code = WordAt(s, codeAt);
  const bool bare = code[0] == 'X' || code[0] == 'Y' || code[0] == 'Z';
  if (bare) code = "G1";
  // A block that does nothing reads nothing: that is said once, for the block.
  if (!bare && (!IsLetter(text[codeAt]) || Noted(check, codeAt, TFindingKind::NoEffect))) return;
  int depth = 0;
  for (int32_t p = codeAt; p < end; ++p) {
    const uint8_t c = text[p];
    depth += c == '(' ? 1 : c == ')' && depth > 0 ? -1 : 0;
    if (!IsLetter(c) || depth > 0) continue;
    const int32_t chars = WordChars(text, p, end);
    const std::string word(reinterpret_cast<const char*>(&text[p]), static_cast<size_t>(chars));
    const uint8_t m = check.Marks[p];
    if (!(m & kMarkRead)) {
      std::string why;
      if (std::find(text.begin() + l.Start, text.begin() + p, c) != text.begin() + p)
        why = word + " is skipped: only the first " + char(c) + " of a block is read";
      else if (c == 'F' || c == 'S')
        why = word + std::string(" is skipped: ") + char(c) + " is read only in a block of its own";
      else
        why = word + " is not read by " + code + ": it is skipped";
      Add(report, l.At(p, chars, TFindingKind::UnreadWord, why));
      continue;
    }
    // Only these codes use their number: "W" alone is how a wait is written.
    if ((m & kMarkEmpty) && (p != codeAt || c == 'G' || c == 'M' || c == 'H' || c == 'L' || c == 'F'))
      Add(report, l.At(p, chars, TFindingKind::EmptyNumber, word + " has no number: it reads as " + char(c) + "0"));
    if (m & kMarkWrapped)
      Add(report, l.At(p, chars, TFindingKind::WrappedNumber,
                       word + " is beyond 32 bits: it reads as " + char(c) + std::to_string(WrappedValue(text, p, end))));
  }
}

void FindLabelBlock(const TSimulation& sim, const TLineText& l, TCheckReport& report) {
  const int32_t codeAt = CodeWordAt(sim.Core, l.Start);
  const int32_t end = l.Start + std::min(l.Size, kBlockTextCapacity);
  if (codeAt >= end || codeAt == l.Start) return;
  const std::string label(reinterpret_cast<const char*>(&sim.Core.ProgramText[l.Start]), size_t(codeAt - l.Start));
  Add(report, l.At(codeAt, end - codeAt, TFindingKind::Unreachable,
                   label + " is a label: a call jumps behind its line, so the rest of the line never runs"));
}

void FindCut(const TLineText& l, TCheckReport& report) {
  if (l.Size <= kBlockTextCapacity) return;
  const int32_t dropped = l.Size - kBlockTextCapacity;
  Add(report, l.At(l.Start + kBlockTextCapacity, dropped, TFindingKind::CutLine,
                   "the block is longer than 128 characters: the last " + std::to_string(dropped) +
                       " are dropped"));
}

// Control bytes in the file: said once, where the first one stands.
void FindNotText(TEditorLines lines, TCheckReport& report) {
  uint64_t count = 0;
  TFinding first;
  for (size_t li = 0; li < lines.size(); ++li) {
    for (size_t i = 0; i < lines[li].size(); ++i) {
      const uint8_t c = static_cast<uint8_t>(lines[li][i]);
      if ((c >= ' ' && c != 0x7F) || c == '\t') continue;
      if (count++ == 0) {
        char name[8];
        std::snprintf(name, sizeof name, "0x%02X", c);
        first = {static_cast<int32_t>(li) + 1, static_cast<int32_t>(i) + 1, 1, TFindingKind::NotText,
                 std::string(c == 0 ? "NUL" : name)};
      }
    }
  }
  if (count == 0) return;
  first.Message = std::to_string(count) + (count == 1 ? " byte is" : " bytes are") + " not text (the first, " +
                  first.Message + ", here): this is probably not a program";
  Add(report, std::move(first));
}

}  // namespace

void CollectFindings(TEditorLines lines, const TSimulation& sim,
                     const TProgramCheck& check, TCheckReport& report) {
  const TProgramText& text = sim.Core.ProgramText;
  const std::vector<int32_t>& starts = sim.Trace.LineStarts;
  std::vector<const TBlockNote*> notes;
  for (const TBlockNote& n : check.Notes) notes.push_back(&n);
  std::stable_sort(notes.begin(), notes.end(), [](auto* a, auto* b) { return a->At < b->At; });
  auto note = notes.begin();
  FindNotText(lines, report);
  // Lines no run reached, said once per stretch of them.
  int32_t unrunFirst = -1, unrunLast = -1;
  const auto sayUnrun = [&] {
    if (unrunFirst < 0) return;
    const std::string what = unrunFirst == unrunLast
                                 ? "this line is never run: it follows the program's end and no call reaches it"
                                 : "lines " + std::to_string(unrunFirst + 1) + " to " + std::to_string(unrunLast + 1) +
                                       " are never run: they follow the program's end and no call reaches them";
    Add(report, TFinding{unrunFirst + 1, static_cast<int32_t>(ByteOfStoredChar(lines[unrunFirst], 0)) + 1,
                         static_cast<int32_t>(std::max<size_t>(1, lines[unrunFirst].size())), TFindingKind::Unreachable, what});
    unrunFirst = -1;
  };
  for (size_t li = 0; li < starts.size(); ++li) {
    const int32_t start = starts[li];
    const int32_t next = li + 1 < starts.size() ? starts[li + 1] : sim.Trace.TailStart;
    if (next <= start) continue;  // a comment or blank line stores nothing
    const TLineText l{lines[li], static_cast<int32_t>(li), start, next - start - (text[next - 1] == '\n')};
    const bool ran = check.Marks[start] & kMarkRun;
    // A call jumps behind its label line: the label is read, the rest of the line never runs.
    const bool label = !ran && text[start] == 'N' && (check.Marks[start] & kMarkRead);
    if (ran || label) {
      sayUnrun();
    } else if (report.Complete) {
      if (unrunFirst < 0) unrunFirst = static_cast<int32_t>(li);
      unrunLast = static_cast<int32_t>(li);
    }
    if (label) FindLabelBlock(sim, l, report);
    FindCut(l, report);
    FindParentheses(sim, check, l, report);
    if (ran) FindWords(sim, check, l, report);
    for (; note != notes.end() && (*note)->At < next; ++note)
      Add(report, l.At((*note)->At, WordChars(text, (*note)->At, next), (*note)->Kind, (*note)->Message));
  }
  sayUnrun();
  if (const std::string last = LastLineWarning(lines); !last.empty()) {
    const std::string_view line = lines.back();
    const size_t first = ByteOfStoredChar(line, 0);
    Add(report, {static_cast<int32_t>(lines.size()), static_cast<int32_t>(first) + 1,
                 static_cast<int32_t>(std::max<size_t>(1, line.size() - first)), TFindingKind::LastLine,
                 std::string(kLastLineNotRun) + ": the last line is never read; end the program with an empty line"});
  }
}

}  // namespace marloq
