// Check pass: the run of a program without stepping, noting for the program check which
// words each block's handlers read and what each block did that its text does not say.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/canned_cycles.h"
#include "simulation/program_check.h"
#include "simulation/simulation.h"

namespace marloq {

// Per character of ProgramText: what the pass saw there.
inline constexpr uint8_t kMarkRead = 1;     // a handler read the word whose letter is here
inline constexpr uint8_t kMarkEmpty = 2;    // ... and found no digits
inline constexpr uint8_t kMarkWrapped = 4;  // ... and its integer wrapped past 32 bits
inline constexpr uint8_t kMarkRun = 8;      // a block starting here ran

// Something a block did when it ran, at the word it concerns.
struct TBlockNote {
  int32_t At;  // offset of the word's letter in ProgramText
  TFindingKind Kind;
  std::string Message;
};

struct TProgramCheck {
  std::vector<uint8_t> Marks;  // as long as ProgramText
  std::vector<TBlockNote> Notes;
  std::unordered_set<uint64_t> Noted;  // offset and kind of every note: each once
  const std::atomic<bool>* Cancel = nullptr;
  uint64_t Moves = 0;         // lines and arcs the pass went through
  uint16_t LastMotion = 0;    // code of the last G0 to G3 block that ran
  bool Cancelled = false;
  bool Started = false;
};

// Binds the check to the simulation and the word watch to the check.
void StartCheckPass(TSimulation& sim, TProgramCheck& check);
// Before the current block's action.
void NoteBlockRun(TSimulation& sim);
// After an L block called: a call is walked once, whatever its D word repeats.
void WalkCallOnce(TSimulation& sim);
// After a canned cycle, with the moves counted before it.
void NoteCycle(TSimulation& sim, uint8_t number, TCycleRefusal refusal, uint64_t movesBefore);
// The steppers of the pass: the axes go to their targets at once.
void CheckLine(TSimulation& sim);
void CheckArc(TSimulation& sim);

// Whether a block with this code does anything: a handler takes its letter and number.
bool KnownCode(uint16_t code);
// Where the code word of the block at blockPos stands: after its line number.
int32_t CodeWordAt(const TInterpreterState& s, int32_t blockPos);
// The word at p as written: its letter, a sign and the digits that follow.
std::string WordAt(const TInterpreterState& s, int32_t p);

// Why a cycle refused: "the tool radius is 0", ...
std::string CycleRefusalText(TCycleRefusal refusal);

}  // namespace marloq
