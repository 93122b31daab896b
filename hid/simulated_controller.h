// Simulated milling controller: a "USB HID STM32F4" on the simulated backend that
// answers each line report, for trying the transfer without the hardware.
#pragma once

#include <string>

#include "hid/milling_controller.h"
#include "hid/simulated_hid_platform.h"

namespace marloq {

struct TSimulatedControllerBehaviour {
  enum class TMode { Answering, Silent, Unplugging };
  TMode Mode = TMode::Answering;
  long UnplugAfter = 0;  // Unplugging: lines answered before the device vanishes
};

// Parses what follows "--simulate-controller": "" (answering), "=silent" or
// "=unplug:N"; false when it is none of them.
bool ParseSimulatedControllerBehaviour(const std::string& suffix, TSimulatedControllerBehaviour& out);

// The controller's description: its product string, identity and 65-byte reports; it
// answers nothing until given an Answer.
TSimulatedDevice SimulatedControllerDevice();
// An input report as the controller sends it: report ID 0, the text, zeros.
THidReport SimulatedControllerAnswer(const std::string& text);

// Plugs the controller in; it answers report n (counted from 1 since plugging) with
// "ok n" and a line feed in a 65-byte input report, the end report included.
int PlugSimulatedController(TSimulatedHidPlatform& platform, TSimulatedControllerBehaviour behaviour);

}  // namespace marloq
