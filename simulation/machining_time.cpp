// Milling length and machining time: sums over the step counts, in extended precision
// for the length as the log shows it.
#include "simulation/machining_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace marloq {

namespace {

constexpr Extended kSqrt2 = 1.41421356237309504880L, kSqrt3 = 1.73205080756887729353L;

double MinutesPerUnit(int32_t feed) { return 1.0 / (100.0 * (feed == 0 ? kRapidFeed : feed)); }

}  // namespace

Extended LengthOf(const TStepCounts& c) {
  return Extended(c.Axes[1]) + Extended(c.Axes[2]) * kSqrt2 + Extended(c.Axes[3]) * kSqrt3;
}

void ChangeCutFeed(TMachiningTime& t, uint16_t feed) {
  if (t.Feed >= 0) t.CutMinutes += static_cast<double>(LengthOf(t.AtFeed)) * MinutesPerUnit(t.Feed);
  t.AtFeed = TStepCounts{};
  t.Feed = feed;
  t.CutWithoutFeed |= feed == 0;
}

double MachiningMinutes(const TMachiningTime& t) {
  double minutes = t.CutMinutes + static_cast<double>(LengthOf(t.Travel)) * MinutesPerUnit(kRapidFeed);
  if (t.Feed >= 0) minutes += static_cast<double>(LengthOf(t.AtFeed)) * MinutesPerUnit(t.Feed);
  return minutes;
}

std::string DurationText(double seconds) {
  const double rounded = std::round(seconds);
  // Beyond a hundred thousand hours a time says nothing useful; keep the text short.
  const long long s = rounded < 3.6e8 ? static_cast<long long>(std::max(rounded, 0.0)) : 360000000LL;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

std::string MachiningTimeText(const TMachiningTime& t) {
  return "machining time " + DurationText(MachiningMinutes(t) * 60) + (t.CutWithoutFeed ? " (no F)" : "");
}

}  // namespace marloq
