// Check pass: marks the words the handlers read through the core's word watch, and
// notes per block what its code did: nothing, a feed move, a call that went nowhere,
// an arc off its circle, a cycle refused. Each note is made once per block and kind.
#include "simulation/check_pass.h"

#include <algorithm>
#include <cmath>

#include "core/block_codes.h"
#include "core/block_feed.h"
#include "core/block_reader.h"
#include "core/fmath.h"
#include "core/subprograms.h"
#include "simulation/block_driver.h"
#include "simulation/log_line.h"

namespace marloq {

namespace {

uint8_t CharAt(const TInterpreterState& s, int32_t p) {
  return p >= 0 && static_cast<size_t>(p) < s.ProgramText.size() ? s.ProgramText[p] : 0;
}

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

void OnWordRead(void* context, int32_t textPos, bool empty, bool wrapped) {
  TCheckMarks& marks = static_cast<TProgramCheck*>(context)->Marks;
  if (textPos < 0 || static_cast<size_t>(textPos) >= marks.size()) return;
  marks.Add(static_cast<size_t>(textPos), kMarkRead | (empty ? kMarkEmpty : 0) | (wrapped ? kMarkWrapped : 0));
}

uint64_t NoteKey(int32_t at, TFindingKind kind) { return uint64_t(uint32_t(at)) << 8 | uint8_t(kind); }

void Note(TProgramCheck& c, int32_t at, TFindingKind kind, std::string message) {
  if (c.Noted.insert(NoteKey(at, kind)).second)
    c.Notes.push_back({at, kind, std::move(message)});
}

void NoteCall(TSimulation& sim, int32_t at) {
  TInterpreterState& s = sim.Core;
  const int32_t label = ReadIntWord(s, 'L');
  const std::string l = std::to_string(static_cast<uint32_t>(label));
  if (label == 0)
    Note(*sim.Check, at, TFindingKind::MissingLabel, "L0 ends the run: no call finds the label 0");
  else if (!LabelLineOf(s, label))
    Note(*sim.Check, at, TFindingKind::MissingLabel, "no line carries the label N" + l + ": the run ends here");
  else if (s.CallDepth >= kCallStackDepth)
    Note(*sim.Check, at, TFindingKind::CallDepth,
         "L" + l + " would nest a fifth call, which is not recorded: the line after it runs first, "
         "and the subprogram returns one level too far");
}

// What the block's code word says that does not happen: a number past 255, a feed out
// of range, an arc without a centre, a call that goes nowhere.
void NoteCode(TSimulation& sim, int32_t at) {
  TInterpreterState& s = sim.Core;
  TProgramCheck& c = *sim.Check;
  const uint16_t code = s.CurBlock.Code;
  const uint8_t letter = CodeLetter(code), number = CodeNumber(code);
  // Messages are made only for what is noted: most blocks have nothing to say.
  const auto word = [&] { return WordAt(s, at); };
  // Only the low 8 bits of these codes' numbers choose what the block does.
  if ((letter == 'G' || letter == 'H' || letter == 'M') && !(c.Marks[at] & kMarkWrapped) &&
      static_cast<uint32_t>(ReadIntWord(s, letter)) > 0xFF)
    Note(c, at, TFindingKind::WrappedNumber,
         word() + " reads as " + static_cast<char>(letter) + std::to_string(number) + ": code numbers go to 255");
  if (letter == 'F') {
    if (const int32_t f = ReadIntWord(s, 'F'); f < kMinBlockFeed || f > kMaxBlockFeed)
      Note(c, at, TFindingKind::NoEffect, word() + " is outside 9 to 3600 mm/min: the feed stays as it was");
  } else if (code == kG2 || code == kG3) {
    bool centred = false;
    for (const char centreWord : {'R', 'I', 'J'}) {
      ReadRealWord(s, centreWord);
      centred |= s.WordFound;
    }
    if (!centred)
      Note(c, at, TFindingKind::ArcEnd, word() + " has no centre words (R, or I and J): its radius is 0, and the tool does not move");
  } else if (letter == 'L') {
    NoteCall(sim, at);
  }
}

}  // namespace

// Where the block's code word stands: after its line number, as the block reader
// looks for it.
int32_t CodeWordAt(const TInterpreterState& s, int32_t blockPos) {
  if (blockPos < 0 || static_cast<size_t>(blockPos) >= s.ProgramText.size()) return blockPos;
  const auto left = static_cast<int32_t>(s.ProgramText.size() - static_cast<size_t>(blockPos));
  return blockPos + LineNumberLength(&s.ProgramText[blockPos], std::min(left, kBlockTextCapacity));
}

int32_t WordChars(const TProgramText& text, int32_t p, int32_t end) {
  int32_t q = p + 1;
  if (q < end && text[q] == '-') ++q;
  while (q < end && (IsDigit(text[q]) || text[q] == '.')) ++q;
  return q - p;
}

std::string WordAt(const TInterpreterState& s, int32_t p) {
  if (p < 0 || static_cast<size_t>(p) >= s.ProgramText.size()) return {};
  const int32_t n = WordChars(s.ProgramText, p, static_cast<int32_t>(s.ProgramText.size()));
  return {reinterpret_cast<const char*>(&s.ProgramText[p]), static_cast<size_t>(n)};
}

void StartCheckPass(TSimulation& sim, TProgramCheck& check) {
  check.Marks.Reset(sim.Core.ProgramText.size());
  sim.Check = &check;
  sim.Core.WordWatch = {OnWordRead, &check};
}

void NoteBlockRun(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  TProgramCheck& c = *sim.Check;
  c.Current = -1;
  if (c.Cancel && c.Cancel->load(std::memory_order_relaxed)) {
    c.Cancelled = s.StopRequest = true;
    return;
  }
  // The run's first advance brings in the empty record a reset leaves, not a block.
  if (!c.Started) {
    c.Started = true;
    return;
  }
  const int32_t pos = s.CurBlock.TextPos;
  if (pos < 0 || static_cast<size_t>(pos) >= c.Marks.size()) return;
  c.Marks.Add(static_cast<size_t>(pos), kMarkRun);
  if (s.BlockText.TextPos < 0) return;  // a placeholder the window's choice replaced
  c.Current = pos;
  // The check's own reads are not the block's.
  const TWordWatch watch = s.WordWatch;
  s.WordWatch = {};
  const int32_t at = CodeWordAt(s, pos);
  const uint8_t first = CharAt(s, at);
  if (first == 'X' || first == 'Y' || first == 'Z') {
    if (c.LastMotion == kG0)
      Note(c, at, TFindingKind::FeedMove, "bare coordinates after G0 run as a feed move (G1), not as a rapid");
  } else {
    if (s.CurBlock.Code <= kG3 && s.CurBlock.Code >= kG0) c.LastMotion = s.CurBlock.Code;
    NoteCode(sim, at);
  }
  s.WordWatch = watch;
}

void NoteNoEffect(TSimulation& sim) {
  const TInterpreterState& s = sim.Core;
  if (sim.Check->Current < 0) return;
  const int32_t at = CodeWordAt(s, sim.Check->Current);
  const uint8_t letter = CodeLetter(s.CurBlock.Code);
  // Blank and label lines do nothing by intent; '(' has a finding of its own.
  if (letter == '\n' || letter == '(') return;
  std::string what;
  if (letter == 'G' || letter == 'H' || letter == 'M') what = WordAt(s, at) + " is not a code of this control";
  else if (letter == 0) what = "the block is cut inside its line number";
  else if (letter >= 'A' && letter <= 'Z') what = std::string("no block starts with ") + static_cast<char>(letter);
  else what = std::string("a block starting with '") + static_cast<char>(letter) + "'";
  Note(*sim.Check, at, TFindingKind::NoEffect, what + ": the block does nothing");
}

bool Noted(const TProgramCheck& check, int32_t at, TFindingKind kind) { return check.Noted.count(NoteKey(at, kind)) > 0; }

void WalkCallOnce(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  if (s.CallDepth > 0 && s.CallStack[s.CallDepth - 1].ReturnPos == s.CurBlock.TextPos)
    s.CallStack[s.CallDepth - 1].RepeatCount = 1;
}

void NoteCycle(TSimulation& sim, uint8_t number, TCycleRefusal refusal, uint64_t movesBefore) {
  TProgramCheck& c = *sim.Check;
  const int32_t at = CodeWordAt(sim.Core, sim.Core.CurBlock.TextPos);
  const std::string word = "G" + std::to_string(number);
  if (refusal != TCycleRefusal::None)
    Note(c, at, TFindingKind::CycleRefused, word + " is refused: " + CycleRefusalText(refusal));
  else if (c.Moves == movesBefore)
    Note(c, at, TFindingKind::CycleRefused, word + " makes no pass: its words leave nothing to cut");
}

void CheckLine(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  ++sim.Check->Moves;
  for (TAxis* a : {&s.AxisX, &s.AxisY, &s.AxisZ}) a->Pos = FRound(a->Target);
}

void CheckArc(TSimulation& sim) {
  TInterpreterState& s = sim.Core;
  const uint16_t code = s.CurBlock.Code;
  const bool programmed = (code == kG2 || code == kG3) && !s.CompLeft && !s.CompRight;
  if (s.WorkRadius <= 0) {  // the stepper stops such an arc before it starts
    if (programmed)
      Note(*sim.Check, CodeWordAt(s, s.CurBlock.TextPos), TFindingKind::ArcEnd,
           "the arc's radius is 0: the tool does not move, and the next block starts from here");
    return;
  }
  if (programmed) {
    const Extended d = std::hypot(Extended(s.AxisX.Target) - s.AxisX.Start, Extended(s.AxisY.Target) - s.AxisY.Start);
    const Extended off = std::fabs(d - s.WorkRadius);
    if (!(off <= 1)) {
      const int32_t at = CodeWordAt(s, s.CurBlock.TextPos);
      Note(*sim.Check, at, TFindingKind::ArcEnd,
           std::isfinite(off) ? "the arc ends " + std::string(TLogLine().Real(off / 100, 1, 2).View()) +
                                    " mm off its circle: a straight line is added to reach the end point"
                              : "the arc's end cannot lie on its circle: a straight line is added to reach it");
    }
  }
  CheckLine(sim);
}

}  // namespace marloq
