// Block reader: block text, address words, block codes, and the advance that shifts
// the three block records and parses the lookahead with its modal words.
#include "core/block_reader.h"

#include <cstring>

#include "core/block_codes.h"
#include "core/fmath.h"

namespace marloq {

namespace {

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// Index of the first occurrence of letter in the block text, or -1. Real words end
// their scan at any control character, integer words only at the line feed; the two
// differ only on texts that the per-block hook put in.
int FindLetter(const TBlockText& b, char letter, bool anyControlEnds) {
  for (int i = 0; i < b.Length; ++i) {
    const uint8_t c = b.Chars[i];
    if (anyControlEnds ? c < ' ' : c == '\n') return -1;
    if (c == static_cast<uint8_t>(letter)) return i;
  }
  return -1;
}

// Steps 2 to 7 of an advance: read the block at ReadPos as the new lookahead, apply
// its modal words, then reload the current block's text for the driver.
void ParseLookahead(TInterpreterState& s) {
  TBlockRecord& next = s.NextBlock;
  TBlockRecord& cur = s.CurBlock;
  next.TextPos = s.ReadPos;
  s.ReadPos = ReadBlockText(s, s.ReadPos);
  if (s.BlockText.Length == 0) {
    // End of the text: the lookahead keeps its record, but the block about to run
    // (the closing M02) must still show and log its own text.
    ReadBlockText(s, cur.TextPos);
    return;
  }
  next.Code = BlockCodeOfText(s);
  if (CodeLetter(next.Code) == 'G') {
    const uint8_t number = CodeNumber(next.Code);
    if (number < 4) {
      float* const axes[3] = {&next.X, &next.Y, &next.Z};
      const char letters[3] = {'X', 'Y', 'Z'};
      for (int a = 0; a < 3; ++a) {
        const float v = ReadRealWord(s, letters[a]);
        if (s.WordFound) *axes[a] = s.RelativeMode ? *axes[a] + v : v;
      }
      if (CodeNumber(cur.Code) < 4) {
        const float h = FAngle(next.X - cur.X, next.Y - cur.Y);
        if (h != 0) next.Heading = h;
        else next.Heading = next.Z == cur.Z ? kTwoPi : cur.Heading;
      }
    } else if (number == 20 || number == 70) {
      s.UnitScale = 2.54f;
    } else if (number == 21 || number == 71) {
      s.UnitScale = 100.0f;
    } else if (number == 90) {
      s.RelativeMode = false;
    } else if (number == 91) {
      s.RelativeMode = true;
    }
  }
  ReadBlockText(s, cur.TextPos);
  s.Callbacks.OnBlockLoaded();
}

void TellWatch(const TInterpreterState& s, int letterIndex, bool empty, bool wrapped) {
  if (s.WordWatch.OnRead && s.BlockText.TextPos >= 0)
    s.WordWatch.OnRead(s.WordWatch.Context, s.BlockText.TextPos + letterIndex, empty, wrapped);
}

}  // namespace

void ResetModes(TInterpreterState& s) {
  s.UnitScale = 100.0f;
  s.RapidMode = false;
  s.CompLeft = false;
  s.CompRight = false;
  s.RelativeMode = false;
}

void ResetInterpreter(TInterpreterState& s) {
  s.AxisX = s.AxisY = s.AxisZ = TAxis{};
  s.PrevBlock = s.CurBlock = s.NextBlock = TBlockRecord{};
  s.CallDepth = 0;
  std::memset(s.CallStack, 0, sizeof s.CallStack);
  s.ReadPos = 0;
  s.BlockText.Length = 0;
  s.StepRingIn = s.StepRingOut = s.StepRingFill = 0;
  ResetModes(s);
  s.AxisX.Letter = 'X';
  s.AxisY.Letter = 'Y';
  s.AxisZ.Letter = 'Z';
  s.LogEnabled = false;
  s.NoPause = false;
  s.StopRequest = false;
  s.MoveClass = kMoveOrdinary;
}

int32_t ReadBlockText(TInterpreterState& s, int32_t p) {
  TBlockText& b = s.BlockText;
  b.Length = 0;
  b.TextPos = p;
  for (;;) {
    // An offset outside the buffer reads as its end, whoever moved it there.
    if (p < 0 || static_cast<size_t>(p) >= s.ProgramText.size()) return 0;
    const uint8_t c = s.ProgramText[p++];
    if (c == 0) return 0;
    if (b.Length < kBlockTextCapacity) b.Chars[b.Length++] = c;
    if (c == '\n') return p;
  }
}

float ReadRealWord(TInterpreterState& s, char letter) {
  const TBlockText& b = s.BlockText;
  s.WordFound = false;
  int i = FindLetter(b, letter, true);
  if (i < 0) return 0.0f;
  s.WordFound = true;
  const int letterIndex = i++;
  bool negative = false;
  if (i < b.Length && b.Chars[i] == '-') {
    negative = true;
    ++i;
  }
  float value = 0.0f;
  bool digits = false;
  for (; i < b.Length && IsDigit(b.Chars[i]); ++i, digits = true)
    value = static_cast<float>(Extended(value) * 10 + (b.Chars[i] - '0'));
  if (i < b.Length && b.Chars[i] == '.') {
    float weight = 1.0f;
    for (++i; i < b.Length && IsDigit(b.Chars[i]); ++i, digits = true) {
      weight = static_cast<float>(weight * 0.1L);
      value = static_cast<float>(value + Extended(b.Chars[i] - '0') * weight);
    }
  }
  TellWatch(s, letterIndex, !digits, false);
  value = value * s.UnitScale;
  return negative ? -value : value;
}

int32_t ReadIntWord(TInterpreterState& s, char letter) {
  const TBlockText& b = s.BlockText;
  s.WordFound = false;
  int i = FindLetter(b, letter, false);
  if (i < 0) return 0;
  s.WordFound = true;
  const int letterIndex = i;
  uint32_t value = 0;  // wraps like the 32-bit arithmetic it models
  bool wrapped = false;
  for (++i; i < b.Length && IsDigit(b.Chars[i]); ++i) {
    const uint32_t digit = b.Chars[i] - '0';
    wrapped |= value > (UINT32_MAX - digit) / 10;
    value = value * 10 + digit;
  }
  TellWatch(s, letterIndex, i == letterIndex + 1, wrapped);
  return static_cast<int32_t>(value);
}

int32_t LineNumberLength(const uint8_t* chars, int32_t length) {
  if (length <= 0 || chars[0] != 'N') return 0;
  int32_t i = 1;
  while (i < length && (IsDigit(chars[i]) || chars[i] == '.' || chars[i] == ',')) ++i;
  return i;
}

uint16_t BlockCodeOfText(TInterpreterState& s) {
  const TBlockText& b = s.BlockText;
  const int i = LineNumberLength(b.Chars, b.Length);
  // A block cut off inside its line number has no letter: code 0, which does nothing.
  const char letter = i < b.Length ? static_cast<char>(b.Chars[i]) : '\0';
  // A block of bare coordinates has no code word: its axis words are read as reals.
  if (letter == 'X' || letter == 'Y' || letter == 'Z') return kG1;
  return BlockCode(letter, static_cast<uint32_t>(ReadIntWord(s, letter)));
}

void AdvanceBlock(TInterpreterState& s) {
  s.PrevBlock = s.CurBlock;
  s.CurBlock = s.NextBlock;
  ParseLookahead(s);
}

void RereadLookahead(TInterpreterState& s) {
  s.NextBlock.Heading = s.CurBlock.Heading;
  s.NextBlock.X = s.CurBlock.X;
  s.NextBlock.Y = s.CurBlock.Y;
  s.NextBlock.Z = s.CurBlock.Z;
  // The discarded lookahead had already switched the mode when it was parsed.
  if (s.NextBlock.Code == kG90 || s.NextBlock.Code == kG91) s.RelativeMode = !s.RelativeMode;
  ParseLookahead(s);
}

}  // namespace marloq
