// HID platform layer: the per-thread error code every backend reports through.
#include "hid/hid_platform.h"

namespace marloq {

namespace {
thread_local uint32_t t_lastError = 0;
}  // namespace

uint32_t HidLastError() { return t_lastError; }
void SetHidLastError(uint32_t code) { t_lastError = code; }

}  // namespace marloq
