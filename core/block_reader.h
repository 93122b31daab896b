// Block reader: reads one block of the program buffer into the block buffer, extracts
// address words with unit scaling, keeps the modal state and the three block records.
#pragma once

#include <cstdint>

#include "core/interpreter_state.h"

namespace marloq {

void ResetInterpreter(TInterpreterState& s);
void ResetModes(TInterpreterState& s);

// Copies the block at offset p into BlockText; returns the offset after its line
// feed, or 0 at the end of the program text.
int32_t ReadBlockText(TInterpreterState& s, int32_t p);

// First word with this letter in BlockText, scaled by UnitScale; 0 when absent.
float ReadRealWord(TInterpreterState& s, char letter);
// First word with this letter, unscaled unsigned decimal, wrapping in 32 bits.
int32_t ReadIntWord(TInterpreterState& s, char letter);

// Characters of the line number ("N" and its digits, points and commas) that start
// a block's text; 0 when it has none. The code word follows it.
int32_t LineNumberLength(const uint8_t* chars, int32_t length);

// Block code of the text in BlockText.
uint16_t BlockCodeOfText(TInterpreterState& s);

void AdvanceBlock(TInterpreterState& s);
void RereadLookahead(TInterpreterState& s);

}  // namespace marloq
