// Machining time estimate: the total and its text.
#include "simulation/machining_time.h"

#include <cmath>
#include <cstdio>

namespace marloq {

double MachiningMinutes(const TMachiningTime& t) {
  return t.CutMinutes + t.TravelLength / (100.0 * kRapidFeed);
}

std::string MachiningTimeText(const TMachiningTime& t) {
  const double seconds = std::round(MachiningMinutes(t) * 60);
  // Beyond a hundred thousand hours the estimate says nothing useful; keep the text short.
  const long long s = seconds < 3.6e8 ? static_cast<long long>(seconds) : 360000000LL;
  char text[64];
  std::snprintf(text, sizeof text, "machining time %lld:%02lld:%02lld%s", s / 3600, s / 60 % 60, s % 60,
                t.CutWithoutFeed ? " (no F)" : "");
  return text;
}

}  // namespace marloq
