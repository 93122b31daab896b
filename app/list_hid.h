// HID listing: the present HID devices as the controller sees them, one line each, for
// finding the milling controller on a machine.
#pragma once

#include <cstdio>

#include "hid/hid_platform.h"

namespace marloq {

// Prints one line per plugged-in device and returns how many there were. Needs a
// QCoreApplication: the first rescan is queued to its event loop.
int ListHidDevices(THidPlatform& platform, std::FILE* out);

}  // namespace marloq
