// Milling length and machining time: the run's steps counted exactly by how many axes
// each moves, and the length and time worked out from the counts when they are shown.
#pragma once

#include <cstdint>
#include <string>

#include "core/fmath.h"

namespace marloq {

inline constexpr int kRapidFeed = 3600;  // mm/min, the feed of G0 moves

// Steps by the number of axes they move: [1] one axis, [2] two, [3] three. [0] holds
// the steps that move none (both bits of an axis set), which have no length.
struct TStepCounts {
  uint64_t Axes[4] = {0, 0, 0, 0};
};

// World units of those steps: 1, sqrt 2 and sqrt 3 each.
Extended LengthOf(const TStepCounts& c);

struct TMachiningTime {
  double CutMinutes = 0;        // cutting at the feeds in force before Feed
  int32_t Feed = -1;            // the feed of the cutting steps in AtFeed; -1 before any
  TStepCounts AtFeed;           // cutting steps at Feed
  TStepCounts Travel;           // every step that does not cut, at the rapid feed
  bool CutWithoutFeed = false;  // some cutting came before any F block; counted at 3600
};

// The cutting steps from here on run at this feed: the steps at the old one become
// minutes. Rare: the feed changes only at F blocks.
void ChangeCutFeed(TMachiningTime& t, uint16_t feed);

// One step of `axes` axes (0 to 3); cutting as the milling length counts it.
inline void AddStepTime(TMachiningTime& t, int axes, bool cutting, uint16_t feed) {
  if (!cutting) {
    ++t.Travel.Axes[axes];
    return;
  }
  if (feed != t.Feed) ChangeCutFeed(t, feed);
  ++t.AtFeed.Axes[axes];
}

double MachiningMinutes(const TMachiningTime& t);
// "H:MM:SS", rounded to the second.
std::string DurationText(double seconds);
// "machining time H:MM:SS", rounded to the second; " (no F)" when cutting had no feed.
std::string MachiningTimeText(const TMachiningTime& t);

}  // namespace marloq
