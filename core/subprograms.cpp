// Subprograms: the label index of the program text and the four-entry return stack.
#include "core/subprograms.h"

#include <algorithm>

#include "core/block_reader.h"

namespace marloq {

namespace {

uint8_t CharAt(const TInterpreterState& s, int32_t p) {
  return p >= 0 && static_cast<size_t>(p) < s.ProgramText.size() ? s.ProgramText[p] : 0;
}

// Offset of the line after the one starting at p, or 0 past the end of the text.
int32_t SkipLine(const TInterpreterState& s, int32_t p) {
  for (;;) {
    const uint8_t c = CharAt(s, p++);
    if (c == 0) return 0;
    if (c == '\n') return p;
  }
}

// Leaves ReadPos at the line after the label line (BlockText holding the label line)
// as a search from the top would; false, with ReadPos 0, when no line matched.
bool FindLabel(TInterpreterState& s, int32_t label) {
  const TLabelLine* const line = LabelLineOf(s, label);
  if (!line) {
    s.ReadPos = 0;
    return false;
  }
  s.ReadPos = ReadBlockText(s, line->TextPos);
  ReadIntWord(s, 'N');
  return true;
}

}  // namespace

const TLabelLine* LabelLineOf(TInterpreterState& s, int32_t label) {
  if (!s.LabelsIndexed) IndexLabels(s);
  const auto it = std::lower_bound(s.Labels.begin(), s.Labels.end(), label,
                                   [](const TLabelLine& l, int32_t v) { return l.Label < v; });
  return it == s.Labels.end() || it->Label != label ? nullptr : &*it;
}

// Every line that starts with N, read as the block reader reads it (cut at 128
// characters, the number after N wrapping in 32 bits); the first line wins a label.
void IndexLabels(TInterpreterState& s) {
  const TBlockText savedText = s.BlockText;
  const bool savedFound = s.WordFound;
  // Indexing reads no word for the program check: it may happen in the middle of a run.
  const TWordWatch savedWatch = s.WordWatch;
  s.WordWatch = {};
  s.Labels.clear();
  int32_t line = 0;
  do {
    if (CharAt(s, line) == 'N') {
      const int32_t next = ReadBlockText(s, line);
      s.Labels.push_back({ReadIntWord(s, 'N'), line});
      line = next;
    } else {
      line = SkipLine(s, line);
    }
  } while (line != 0);
  std::stable_sort(s.Labels.begin(), s.Labels.end(),
                   [](const TLabelLine& a, const TLabelLine& b) { return a.Label < b.Label; });
  s.Labels.erase(std::unique(s.Labels.begin(), s.Labels.end(),
                             [](const TLabelLine& a, const TLabelLine& b) { return a.Label == b.Label; }),
                 s.Labels.end());
  s.BlockText = savedText;
  s.WordFound = savedFound;
  s.WordWatch = savedWatch;
  s.LabelsIndexed = true;
}

void ForgetLabels(TInterpreterState& s) {
  s.Labels.clear();
  s.LabelsIndexed = false;
}

int32_t CallSubprogram(TInterpreterState& s) {
  int32_t count = ReadIntWord(s, 'D');
  if (count == 0) count = 1;
  const int32_t label = ReadIntWord(s, 'L');
  if (!FindLabel(s, label)) return 0;
  if (s.CallDepth >= kCallStackDepth) return label;
  // A repetition of the same L block finds its own entry on top and only jumps.
  const bool repeating =
      s.CallDepth > 0 && s.CallStack[s.CallDepth - 1].ReturnPos == s.CurBlock.TextPos;
  if (!repeating) {
    s.CallStack[s.CallDepth] = TCallEntry{count, s.CurBlock.TextPos};
    ++s.CallDepth;
  }
  RereadLookahead(s);
  return label;
}

bool ReturnFromSubprogram(TInterpreterState& s) {
  if (s.CallDepth <= 0) return true;
  TCallEntry& top = s.CallStack[s.CallDepth - 1];
  s.ReadPos = top.ReturnPos;
  // Wrapping like the 32-bit count it models: an absurd D word repeats until a guard stops it.
  top.RepeatCount = static_cast<int32_t>(static_cast<uint32_t>(top.RepeatCount) - 1);
  if (top.RepeatCount == 0) {
    top = TCallEntry{};
    --s.CallDepth;
    s.ReadPos = ReadBlockText(s, s.ReadPos);
  }
  RereadLookahead(s);
  return false;
}

}  // namespace marloq
