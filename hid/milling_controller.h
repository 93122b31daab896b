// The milling controller as the USB link knows it: by its product string alone, with
// the report layout its firmware uses.
#pragma once

#include <cstdint>

namespace marloq {

inline constexpr const char* kControllerProductString = "USB HID STM32F4";
inline constexpr uint16_t kControllerReportLength = 65;  // the report-ID byte and 64 data bytes

}  // namespace marloq
