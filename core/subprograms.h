// Subprograms: an L block jumps behind its label line (N and the label number), an
// M30 returns behind the L block; a D word repeats the call. At most four levels.
#pragma once

#include <cstdint>

#include "core/interpreter_state.h"

namespace marloq {

// Indexes the label lines of ProgramText. An L block then finds its label at once, as a
// search from the top would.
void IndexLabels(TInterpreterState& s);
// Every change of the text must be followed by this: the index is built again when a
// label is first looked for (a program without calls never needs one).
void ForgetLabels(TInterpreterState& s);

// The line an L block with this label jumps to, or null when no line carries it.
const TLabelLine* LabelLineOf(TInterpreterState& s, int32_t label);

// For the current L block: the label number on success, 0 when no label matched.
int32_t CallSubprogram(TInterpreterState& s);

// For an M30 block: true when there was nothing to return to (end of program).
bool ReturnFromSubprogram(TInterpreterState& s);

}  // namespace marloq
