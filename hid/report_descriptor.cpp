// Report-descriptor parser: walks the short and long items, keeps the global state the
// report sizes depend on and sums each report's bits per report ID and kind.
#include "hid/report_descriptor.h"

#include <array>
#include <map>
#include <utility>
#include <vector>

namespace marloq {

namespace {

// Item prefixes without their size bits (bits 0-1): tag in bits 4-7, type in bits 2-3.
constexpr uint8_t kInput = 0x80, kOutput = 0x90, kFeature = 0xB0;
constexpr uint8_t kCollection = 0xA0, kEndCollection = 0xC0;
constexpr uint8_t kUsagePage = 0x04, kReportSize = 0x74, kReportId = 0x84;
constexpr uint8_t kReportCount = 0x94, kPush = 0xA4, kPop = 0xB4;
constexpr uint8_t kUsage = 0x08;
constexpr uint8_t kLongItem = 0xFE;  // followed by a data size byte and a tag byte

constexpr uint32_t kMaxReportId = 255;
// The longest report whose length, report-ID byte included, still fits 16 bits.
constexpr uint64_t kMaxReportBits = (UINT16_MAX - 1) * uint64_t{8};

enum TKind { kInputKind, kOutputKind, kFeatureKind, kKinds };

struct TGlobals {
  uint32_t UsagePage = 0, ReportSize = 0, ReportCount = 0, ReportId = 0;
};

struct TItem {
  size_t Offset = 0;  // of the prefix byte
  uint8_t Prefix = 0;
  uint32_t Value = 0;  // little-endian, unsigned
  size_t DataSize = 0;
};

struct TParser {
  TGlobals Globals;
  std::vector<TGlobals> Pushed;
  bool HaveFirstUsage = false;  // a Usage seen since the last main item
  uint32_t FirstUsage = 0;      // the first of them, extended (page << 16) if 4 bytes long
  bool FirstUsageExtended = false;
  int Depth = 0;
  bool HaveTopLevel = false;
  bool Numbered = false;
  std::map<std::pair<uint32_t, int>, uint64_t> Bits;  // (report ID, kind) -> bits
  std::array<uint64_t, kKinds> LargestBits{};
  std::array<bool, kKinds> HaveReport{};
  THidCaps Caps;
  std::string Error;

  bool Fail(const TItem& item, const std::string& what) {
    Error = what + " (item 0x" + Hex(item.Prefix) + " at byte " + std::to_string(item.Offset) + ")";
    return false;
  }

  static std::string Hex(uint8_t b) {
    const char* digits = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
  }

  bool AddReportBits(const TItem& item, int kind) {
    // Both factors are at most 32 bits wide, so their product cannot wrap.
    const uint64_t bits = uint64_t{Globals.ReportSize} * Globals.ReportCount;
    uint64_t& sum = Bits[{Globals.ReportId, kind}];
    if (bits > kMaxReportBits || sum + bits > kMaxReportBits)
      return Fail(item, "report " + std::to_string(Globals.ReportId) + " longer than 65534 bytes");
    sum += bits;
    HaveReport[kind] = true;
    if (sum > LargestBits[kind]) LargestBits[kind] = sum;
    return true;
  }

  bool Main(const TItem& item) {
    const uint8_t tag = item.Prefix & 0xFC;
    bool ok = true;
    if (tag == kInput) ok = AddReportBits(item, kInputKind);
    else if (tag == kOutput) ok = AddReportBits(item, kOutputKind);
    else if (tag == kFeature) ok = AddReportBits(item, kFeatureKind);
    else if (tag == kCollection) OpenCollection();
    else if (tag == kEndCollection && --Depth < 0) ok = Fail(item, "End Collection without Collection");
    HaveFirstUsage = false;  // local items apply up to the next main item only
    return ok;
  }

  void OpenCollection() {
    if (Depth++ != 0 || HaveTopLevel) return;
    HaveTopLevel = true;
    const uint32_t usage = HaveFirstUsage ? FirstUsage : 0;
    Caps.UsagePage = static_cast<uint16_t>(FirstUsageExtended ? usage >> 16 : Globals.UsagePage);
    Caps.Usage = static_cast<uint16_t>(usage & 0xFFFF);
  }

  bool Global(const TItem& item) {
    switch (item.Prefix & 0xFC) {
      case kUsagePage: Globals.UsagePage = item.Value; break;
      case kReportSize: Globals.ReportSize = item.Value; break;
      case kReportCount: Globals.ReportCount = item.Value; break;
      case kReportId:
        if (item.Value == 0 || item.Value > kMaxReportId)
          return Fail(item, "report ID " + std::to_string(item.Value) + " outside 1..255");
        Globals.ReportId = item.Value;
        Numbered = true;
        break;
      case kPush: Pushed.push_back(Globals); break;
      case kPop:
        if (Pushed.empty()) return Fail(item, "Pop without Push");
        Globals = Pushed.back();
        Pushed.pop_back();
        break;
      default: break;  // logical and physical ranges, units: no bearing on sizes
    }
    return true;
  }

  void Local(const TItem& item) {
    if ((item.Prefix & 0xFC) != kUsage || HaveFirstUsage) return;
    HaveFirstUsage = true;
    FirstUsage = item.Value;
    FirstUsageExtended = item.DataSize == 4;
  }

  bool Item(const TItem& item) {
    switch ((item.Prefix >> 2) & 3) {
      case 0: return Main(item);
      case 1: return Global(item);
      case 2: Local(item); return true;
      default: return true;  // reserved type: skipped, as the kernel does
    }
  }

  THidPreparsedData Result() const {
    THidPreparsedData out;
    out.Caps = Caps;
    out.NumberedReports = Numbered;
    uint16_t* lengths[kKinds] = {&out.Caps.InputReportByteLength, &out.Caps.OutputReportByteLength,
                                 &out.Caps.FeatureReportByteLength};
    for (int kind = 0; kind < kKinds; ++kind)
      if (HaveReport[kind]) *lengths[kind] = static_cast<uint16_t>((LargestBits[kind] + 7) / 8 + 1);
    return out;
  }
};

// Reads the item at offset; false (with the reason) when it runs past the end.
bool ReadItem(std::span<const uint8_t> bytes, size_t offset, TItem& item, size_t& next, std::string& error) {
  item = TItem{};
  item.Offset = offset;
  item.Prefix = bytes[offset];
  size_t header = 1;
  if (item.Prefix == kLongItem) {
    header = 3;
    item.DataSize = offset + 1 < bytes.size() ? bytes[offset + 1] : 0;
  } else {
    static constexpr size_t kShortSizes[] = {0, 1, 2, 4};
    item.DataSize = kShortSizes[item.Prefix & 3];
  }
  if (bytes.size() - offset < header + item.DataSize) {
    error = "truncated item 0x" + TParser::Hex(item.Prefix) + " at byte " + std::to_string(offset) + ": needs " +
            std::to_string(header + item.DataSize) + " bytes, " + std::to_string(bytes.size() - offset) + " left";
    return false;
  }
  if (item.Prefix != kLongItem)
    for (size_t i = 0; i < item.DataSize; ++i) item.Value |= uint32_t{bytes[offset + 1 + i]} << (8 * i);
  next = offset + header + item.DataSize;
  return true;
}

}  // namespace

TReportDescriptorParse ParseReportDescriptor(std::span<const uint8_t> bytes) {
  TReportDescriptorParse result;
  TParser parser;
  TItem item;
  for (size_t offset = 0, next = 0; offset < bytes.size(); offset = next) {
    if (!ReadItem(bytes, offset, item, next, result.Error)) return result;
    // Long items carry vendor data only; none of them is defined to change a report.
    if (item.Prefix != kLongItem && !parser.Item(item)) {
      result.Error = parser.Error;
      return result;
    }
  }
  if (!parser.HaveTopLevel) {
    result.Error = "no top-level collection in " + std::to_string(bytes.size()) + " bytes";
    return result;
  }
  if (parser.Depth != 0) {
    result.Error = std::to_string(parser.Depth) + " collection(s) not closed at the end";
    return result;
  }
  result.Ok = true;
  result.Data = parser.Result();
  return result;
}

}  // namespace marloq
