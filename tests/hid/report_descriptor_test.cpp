// Report-descriptor parser: captured and hand-made descriptors against the usage and
// report lengths they must give, and malformed ones against a clean failure.
#include "hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marloq {
namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// A vendor device with 64-byte input and output reports and no report IDs.
const std::string kVendor64 = "0600FF0901A1010920150026FF007508954081020921150026FF00750895409102C0";

struct DescriptorCase {
  const char* name;
  std::string hex;
  uint16_t page, usage, input, output, feature;
  bool numbered;
};

TEST(ParseReportDescriptor, UsageAndLargestReportPerKind) {
  const DescriptorCase cases[] = {
      {"vendor 64/64", kVendor64, 0xFF00, 1, 65, 65, 0, false},
      // Keyboard-like: input 1 of 8 bytes, input 2 of 3, output 2 of 5+3 bits, feature 3 of 16.
      {"numbered", "05010906A101 8501750895088102 8502750895038102 8502750195059102 750395019103"
                   " 850375089510B102 C0", 1, 6, 9, 2, 17, true},
      {"bits round up per report", "0600FF0901A101 750395018102 750795018102 750195099102 C0",
       0xFF00, 1, 3, 3, 0, false},
      {"push keeps, pop restores", "0600FF0901A101 75089504 A4 95208102 B4 9102 C0", 0xFF00, 1, 33, 5, 0, false},
      {"long items skipped", "0600FF0901A101 FE0310AABBCC 750895408102 FE0010 C0", 0xFF00, 1, 65, 0, 0, false},
      {"extended usage names its page", "0501 0B01000D00 A101 75089502B102 C0", 0x0D, 1, 0, 0, 3, false},
      {"first usage, first top-level", "0501 0902 0905 A101 0901 A100 75089501 8102 C0 C0 0600FF 0901 A101 C0",
       1, 2, 2, 0, 0, false},
      {"largest report fits 16 bits", "0600FF0901A101 750896FEFF8102 C0", 0xFF00, 1, 65535, 0, 0, false},
  };
  for (const auto& c : cases) {
    std::string hex = c.hex;
    std::erase(hex, ' ');
    const auto bytes = FromHex(hex);
    const TReportDescriptorParse r = ParseReportDescriptor(bytes);
    ASSERT_TRUE(r.Ok) << c.name << ": " << r.Error;
    const THidCaps& caps = r.Data.Caps;
    EXPECT_EQ(caps.UsagePage, c.page) << c.name;
    EXPECT_EQ(caps.Usage, c.usage) << c.name;
    EXPECT_EQ(caps.InputReportByteLength, c.input) << c.name;
    EXPECT_EQ(caps.OutputReportByteLength, c.output) << c.name;
    EXPECT_EQ(caps.FeatureReportByteLength, c.feature) << c.name;
    EXPECT_EQ(r.Data.NumberedReports, c.numbered) << c.name;
  }
}

struct MalformedCase {
  const char* name;
  std::string hex;
  const char* error;  // a part of the message
};

TEST(ParseReportDescriptor, MalformedFailsWithReason) {
  const MalformedCase cases[] = {
      {"empty", "", "no top-level collection"},
      {"no collection", "750895018102", "no top-level collection"},
      {"cut in an item", kVendor64.substr(0, 26), "truncated item 0x26 at byte 11"},
      {"cut after a prefix", "0600FF0901A10106", "truncated item 0x06 at byte 7"},
      {"long item cut in its data", "0600FF0901A101FE0510AABB", "truncated item 0xFE at byte 7"},
      {"long item cut in its header", "0600FF0901A101FE", "truncated item 0xFE at byte 7"},
      {"collection left open", "0600FF0901A101750895018102", "not closed"},
      {"end without collection", kVendor64 + "C0", "End Collection without Collection"},
      {"pop without push", "0600FF0901A101B4C0", "Pop without Push"},
      {"report ID 0", "0600FF0901A1018500C0", "report ID 0 outside"},
      {"report ID beyond a byte", "0600FF0901A101860001C0", "report ID 256 outside"},
      {"report beyond 16 bits", "0600FF0901A101750896FFFF8102C0", "longer than 65534 bytes"},
      {"size times count beyond 32 bits", "0600FF0901A10177FFFFFFFF97FFFFFFFF8102C0", "longer than 65534 bytes"},
  };
  for (const auto& c : cases) {
    const auto bytes = FromHex(c.hex);
    const TReportDescriptorParse r = ParseReportDescriptor(bytes);
    EXPECT_FALSE(r.Ok) << c.name;
    EXPECT_NE(r.Error.find(c.error), std::string::npos) << c.name << ": " << r.Error;
  }
}

}  // namespace
}  // namespace marloq
