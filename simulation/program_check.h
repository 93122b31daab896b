// Program check: where the interpreter reads a program differently from how it looks,
// found by running it quietly under the interpreter's own rules.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/editor_lines.h"

namespace marloq {

enum class TFindingKind : uint8_t {
  UnreadWord,     // a word no handler of its block reads
  NoEffect,       // a block whose code does nothing
  EmptyNumber,    // a word without digits, read as 0
  CutLine,        // a block past 128 characters: the rest is dropped
  Parenthesis,    // ( ... ) text, whose letters are words here
  FeedMove,       // bare coordinates after G0: a feed move
  MissingLabel,   // an L call to a label no line carries
  CallDepth,      // a fifth nested call
  ArcEnd,         // an arc that ends off its circle, or has no centre
  CycleRefused,   // a canned cycle refused or making no pass
  Unreachable,    // lines no run reaches
  WrappedNumber,  // an integer word past 32 bits, a code past 255
  LastLine,       // the last line holds a block, which is never read
  NotText,        // control bytes: probably not a program
};

// The kind's name as the command line prints it: "unread-word", ...
std::string_view KindName(TFindingKind kind);

struct TFinding {
  int32_t Line = 0;    // 1-based, as the editor numbers lines
  int32_t Column = 0;  // 1-based byte of the line
  int32_t Length = 1;  // bytes the finding covers, at least 1
  TFindingKind Kind{};
  std::string Message;
};

struct TCheckOptions {
  std::string Drill = "1,0";  // the drill field's text: the tool before any M06
  int Side = 1;               // the compensation choice the G4? placeholder takes
  const std::atomic<bool>* Cancel = nullptr;  // set by another thread: the check ends early
};

struct TCheckReport {
  std::vector<TFinding> Findings;  // by line and column; at most kMostFindings
  uint64_t Total = 0;              // every finding, those beyond the kept ones included
  bool Complete = true;            // the quiet run reached the program's end
  uint64_t Blocks = 0;             // blocks it ran
  bool Cancelled = false;
  static constexpr size_t kMostFindings = 10'000;
};

// The editor's lines, all of them (the last one too, which no run reads).
TCheckReport CheckProgram(TEditorLines lines, const TCheckOptions& options = {});

// "FILE:LINE:COL: warning: MESSAGE [KIND]", as compilers write their warnings.
std::string FindingLine(std::string_view file, const TFinding& f);
// "N findings: marloq --check FILE", or empty when there are none.
std::string FindingsHint(std::string_view file, uint64_t total);

}  // namespace marloq
