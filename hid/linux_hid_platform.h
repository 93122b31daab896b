// Linux HID platform: the hidraw nodes, listed and watched through libudev, read and
// written directly; what a device says about itself comes from its sysfs parents.
#pragma once

#include <memory>

#include "hid/hid_platform.h"

namespace marloq {

// Available() is false when no udev context can be had. WatchChanges needs a running
// QCoreApplication on the calling thread, which must be the GUI thread.
std::unique_ptr<THidPlatform> MakeLinuxHidPlatform();

}  // namespace marloq
