// Report-descriptor parser: the bytes a HID device describes its reports with, in;
// its top-level usage and the largest report of each kind, out. No I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "hid/hid_platform.h"

namespace marloq {

struct TReportDescriptorParse {
  bool Ok = false;
  THidPreparsedData Data;  // valid when Ok
  std::string Error;       // when !Ok: what is wrong, with the byte offset of the item
};

// Usage page and usage of the first top-level collection; the report lengths as
// Windows counts them: the largest report of the kind in whole bytes, plus one byte for
// the report ID whether or not the reports are numbered; 0 for a kind without reports.
// Fails on truncated items, unbalanced collections, a Pop without Push, a report ID
// outside 1..255 and reports longer than a 16-bit length can tell.
TReportDescriptorParse ParseReportDescriptor(std::span<const uint8_t> bytes);

}  // namespace marloq
