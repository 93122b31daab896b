// Machining time estimate: cutting steps at the programmed feed, every other step at
// the rapid feed, summed step by step as the run goes, beside the milling length.
#pragma once

#include <cstdint>
#include <string>

#include "core/fmath.h"

namespace marloq {

inline constexpr int kRapidFeed = 3600;  // mm/min, the feed of G0 moves

struct TMachiningTime {
  double CutMinutes = 0;        // cutting steps, each at the feed in force
  double TravelLength = 0;      // world units of every other step
  bool CutWithoutFeed = false;  // some cutting came before any F block; counted at 3600
  uint16_t Feed = 0;            // the feed MinutesPerUnit was worked out for
  double MinutesPerUnit = 0;
};

// One unit step of the given length (world units); cutting as the milling length counts it.
inline void AddStepTime(TMachiningTime& t, Extended length, bool cutting, uint16_t feed) {
  if (!cutting) {
    t.TravelLength += static_cast<double>(length);
    return;
  }
  if (feed != t.Feed || t.MinutesPerUnit == 0) {
    // The feed changes only at F blocks, so the division is rare.
    t.Feed = feed;
    t.CutWithoutFeed |= feed == 0;
    t.MinutesPerUnit = 1.0 / (100.0 * (feed == 0 ? kRapidFeed : feed));
  }
  t.CutMinutes += static_cast<double>(length) * t.MinutesPerUnit;
}

double MachiningMinutes(const TMachiningTime& t);
// "H:MM:SS", rounded to the second.
std::string DurationText(double seconds);
// "machining time H:MM:SS", rounded to the second; " (no F)" when cutting had no feed.
std::string MachiningTimeText(const TMachiningTime& t);

}  // namespace marloq
