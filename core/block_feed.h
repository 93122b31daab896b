// The F block: the feed of the following moves, in millimetres per minute.
#pragma once

#include "core/interpreter_state.h"

namespace marloq {

inline constexpr int32_t kMinBlockFeed = 9, kMaxBlockFeed = 3600;  // mm/min

void SetBlockFeed(TInterpreterState& s);  // F outside the range is ignored

}  // namespace marloq
