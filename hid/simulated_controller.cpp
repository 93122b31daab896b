// Simulated milling controller: the report layout of the real one; its answers are
// counted per plugging.
#include "hid/simulated_controller.h"

#include <algorithm>
#include <charconv>
#include <memory>

namespace marloq {

TSimulatedDevice SimulatedControllerDevice() {
  TSimulatedDevice definition;
  definition.ProductString = kControllerProductString;
  definition.Attributes = {0x0483, 0x5750, 0x0200};
  definition.Preparsed.Caps = {1, 0xFF00, kControllerReportLength, kControllerReportLength, 0};
  return definition;
}

THidReport SimulatedControllerAnswer(const std::string& text) {
  THidReport report(std::max<size_t>(kControllerReportLength, text.size() + 1), 0);
  std::copy(text.begin(), text.end(), report.begin() + 1);
  return report;
}

bool ParseSimulatedControllerBehaviour(const std::string& suffix, TSimulatedControllerBehaviour& out) {
  using TMode = TSimulatedControllerBehaviour::TMode;
  if (suffix.empty()) {
    out = {TMode::Answering, 0};
    return true;
  }
  if (suffix == "=silent") {
    out = {TMode::Silent, 0};
    return true;
  }
  const std::string unplug = "=unplug:";
  if (suffix.rfind(unplug, 0) != 0) return false;
  const char* first = suffix.data() + unplug.size();
  const char* last = suffix.data() + suffix.size();
  long n = 0;
  const auto [end, ec] = std::from_chars(first, last, n);
  if (ec != std::errc() || end != last || first == last || n < 0) return false;
  out = {TMode::Unplugging, n};
  return true;
}

int PlugSimulatedController(TSimulatedHidPlatform& platform, TSimulatedControllerBehaviour behaviour) {
  TSimulatedDevice definition = SimulatedControllerDevice();
  // The answer needs the id Plug gives, so it reaches it through a shared cell.
  auto id = std::make_shared<int>(-1);
  auto received = std::make_shared<long>(0);
  definition.Answer = [&platform, id, received, behaviour](const THidReport&) -> std::vector<THidReport> {
    using TMode = TSimulatedControllerBehaviour::TMode;
    const long n = ++*received;
    if (behaviour.Mode == TMode::Silent) return {};
    if (behaviour.Mode == TMode::Unplugging && n > behaviour.UnplugAfter) {
      platform.Unplug(*id);
      return {};
    }
    return {SimulatedControllerAnswer("ok " + std::to_string(n) + "\n")};
  };
  *id = platform.Plug(std::move(definition));
  return *id;
}

}  // namespace marloq
