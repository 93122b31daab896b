// Subprograms: label search over the program text and the four-entry return stack.
#include "core/subprograms.h"

#include "core/block_reader.h"

namespace marloq {

namespace {

// Offset of the line after the one starting at p, or 0 past the end of the text.
int32_t SkipLine(const TInterpreterState& s, int32_t p) {
  while (p >= 0 && p < kProgramTextSize) {
    const uint8_t c = s.ProgramText[p++];
    if (c == 0) return 0;
    if (c == '\n') return p;
  }
  return 0;
}

// Leaves ReadPos at the line after the label line; false when no line matched.
bool FindLabel(TInterpreterState& s, int32_t label) {
  s.ReadPos = 0;
  do {
    const int32_t line = s.ReadPos;
    if (s.ProgramText[line] == 'N') {
      s.ReadPos = ReadBlockText(s, line);
      if (ReadIntWord(s, 'N') == label) return true;
    } else {
      s.ReadPos = SkipLine(s, line);
    }
  } while (s.ReadPos != 0);
  return false;
}

}  // namespace

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
