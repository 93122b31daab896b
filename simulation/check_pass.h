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

// The marks of every character of ProgramText, four bits each: two characters a byte,
// for programs of tens of megabytes.
class TCheckMarks {
 public:
  void Reset(size_t chars) {
    bytes_.assign((chars + 1) / 2, 0);
    size_ = chars;
  }
  size_t size() const { return size_; }
  uint8_t operator[](size_t i) const { return (bytes_[i / 2] >> (i % 2 * 4)) & 15; }
  void Add(size_t i, uint8_t marks) { bytes_[i / 2] |= static_cast<uint8_t>(marks << (i % 2 * 4)); }

 private:
  std::vector<uint8_t> bytes_;
  size_t size_ = 0;
};

struct TProgramCheck {
  TCheckMarks Marks;  // as long as ProgramText
  std::vector<TBlockNote> Notes;
  std::unordered_set<uint64_t> Noted;  // offset and kind of every note: each once
  const std::atomic<bool>* Cancel = nullptr;
  uint64_t Moves = 0;         // lines and arcs the pass went through
  uint16_t LastMotion = 0;    // code of the last G0 to G3 block that ran
  int32_t Current = -1;       // the block being run, as the notes see it; -1 for none
  bool Cancelled = false;
  bool Started = false;
};

// Binds the check to the simulation and the word watch to the check.
void StartCheckPass(TSimulation& sim, TProgramCheck& check);
// Before the current block's action.
void NoteBlockRun(TSimulation& sim);
// After the current block's dispatch found nothing to do for its code.
void NoteNoEffect(TSimulation& sim);
// After an L block called: a call is walked once, whatever its D word repeats.
void WalkCallOnce(TSimulation& sim);
// After a canned cycle, with the moves counted before it.
void NoteCycle(TSimulation& sim, uint8_t number, TCycleRefusal refusal, uint64_t movesBefore);
// The steppers of the pass: the axes go to their targets at once.
void CheckLine(TSimulation& sim);
void CheckArc(TSimulation& sim);

// Where the code word of the block at blockPos stands: after its line number.
int32_t CodeWordAt(const TInterpreterState& s, int32_t blockPos);
// Characters of the word whose letter is at p, before end: the letter, a sign, digits
// and decimal points.
int32_t WordChars(const TProgramText& text, int32_t p, int32_t end);
// The word at p as written.
std::string WordAt(const TInterpreterState& s, int32_t p);
// Whether the pass noted this kind at this offset.
bool Noted(const TProgramCheck& check, int32_t at, TFindingKind kind);


}  // namespace marloq
