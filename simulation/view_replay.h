// View replay: a re-draw from a DRAW's record. Only the stretches whose box meets the view
// are stepped and plotted again, in their order, split over the cores where there is enough.
#pragma once

#include <atomic>
#include <cstdint>

#include "simulation/view_redraw.h"

namespace marloq {

// How a replay shares its work out: over this many cores (0: the machine's), once there is
// this much of it (in steps).
struct TReplaySharing {
  unsigned Cores = 0;
  uint64_t From = 1'000'000;
};

// The picture RedrawView gives without the record, pixel for pixel; request.Record must be
// a valid record of the DRAW the request repeats.
TRedrawResult ReplayView(const TRedrawRequest& request, const std::atomic<bool>& cancel,
                         const TReplaySharing& sharing = {});

}  // namespace marloq
