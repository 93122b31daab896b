// Machining time estimate: the total and its text.
#include "simulation/machining_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace marloq {

double MachiningMinutes(const TMachiningTime& t) {
  return t.CutMinutes + t.TravelLength / (100.0 * kRapidFeed);
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
