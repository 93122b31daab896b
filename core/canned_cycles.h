// Canned cycles G82 to G86: slot outline, parallel strokes, hole pattern, circular and
// rectangular pocket, each expanded into straight moves (and G85's circles) around S.
#pragma once

#include <cstdint>

#include "core/interpreter_state.h"

namespace marloq {

// Why a cycle made no move at all. The driver turns it into a log line.
enum class TCycleRefusal : uint8_t {
  None,           // the cycle ran
  NoToolRadius,   // G83, G85, G86: strokes, spiral and rounds would never advance
  NegativeWidth,  // G83 with Y below 0: a stroke count of 0 or less
  TooManyMoves,   // more than kMaxCycleMoves: absurd counts, sizes or depths
};

// Far beyond any pocket a machine cuts, and seconds of simulation at most: a cycle
// whose words ask for more is refused rather than hanging the run.
inline constexpr uint64_t kMaxCycleMoves = 10'000'000;

// Each runs the cycle of the current block, from where the tool stands (S).
TCycleRefusal SlotOutline(TInterpreterState& s);        // G82
TCycleRefusal ParallelStrokes(TInterpreterState& s);    // G83
TCycleRefusal HolePattern(TInterpreterState& s);        // G84
TCycleRefusal CircularPocket(TInterpreterState& s);     // G85
TCycleRefusal RectangularPocket(TInterpreterState& s);  // G86

}  // namespace marloq
