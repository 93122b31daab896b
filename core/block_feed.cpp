// The F block: takes the F word when it lies in the accepted range.
#include "core/block_feed.h"

#include "core/block_reader.h"

namespace marloq {

void SetBlockFeed(TInterpreterState& s) {
  const int32_t f = ReadIntWord(s, 'F');
  if (f < kMinBlockFeed || f > kMaxBlockFeed) return;
  s.BlockFeed = static_cast<uint16_t>(f);
  s.MoveClass = kMoveOrdinary;
}

}  // namespace marloq
