// Program text: the editor's lines filtered into the interpreter's program buffer, and
// the last line, which no run reads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/interpreter_state.h"
#include "simulation/block_trace.h"
#include "simulation/editor_lines.h"

namespace marloq {

// Fills ProgramText from every line but the last (the editor's last line is never
// part of the program) and indexes its labels. The buffer is as long as the program;
// returns true only for a text past 32-bit offsets, which is cut. With a trace, notes
// where each editor line's text begins in the buffer.
bool LoadProgramText(TInterpreterState& s, TEditorLines lines, TBlockTrace* trace = nullptr);

// The byte of the line that LoadProgramText stores as its k-th character (from 0);
// the length of the line's code part when it stores fewer.
size_t ByteOfStoredChar(std::string_view line, size_t k);

// Whether a line holds anything of a block by the rules LoadProgramText stores it with:
// a line of blanks, '+' or a comment (";...", "%...") holds none.
bool HoldsBlock(std::string_view line);

// What is said when the editor's last line holds a block, which no run reads.
inline constexpr std::string_view kLastLineNotRun = "last line not run";

// "line N: last line not run" when the last line holds a block, N its index counted
// from 0 as the transfer's messages count lines; empty otherwise.
std::string LastLineWarning(TEditorLines lines);

}  // namespace marloq
