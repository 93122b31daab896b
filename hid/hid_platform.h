// HID platform layer: the one interface through which the HID logic reaches the
// system's devices. Backends: Linux (udev + hidraw) and simulated (devices in code).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace marloq {

// One present HID interface, as a scan lists it.
struct THidInterface {
  uint32_t DevInst = 0;    // the same for one plugging of a device, new for the next
  std::string DevicePath;  // what Open takes: /dev/hidrawN on Linux
};

struct THidAttributes {
  uint16_t VendorID = 0, ProductID = 0, VersionNumber = 0;
};

// The device's capabilities. Report lengths count the report-ID byte, as every report
// crossing this layer starts with it (0 for a device without numbered reports).
struct THidCaps {
  uint16_t Usage = 0, UsagePage = 0;
  uint16_t InputReportByteLength = 0, OutputReportByteLength = 0, FeatureReportByteLength = 0;
};

// What the device says about its reports once parsed; fetched once and cached.
struct THidPreparsedData {
  THidCaps Caps;
  bool NumberedReports = false;  // the device's reports carry report IDs of their own
};

enum class THidAccess { None, Read, Write, ReadWrite };  // None: queries only

// Platform error codes (errno values on Linux), per thread: a failure on the reading
// thread never overwrites the one the GUI thread is about to look at.
uint32_t HidLastError();
void SetHidLastError(uint32_t code);

// One open handle on a device. Queries and writes are synchronous. A read is started,
// then waited for in slices; Close may come from another thread and ends such a wait.
class THidFile {
 public:
  virtual ~THidFile() = default;

  virtual bool GetAttributes(THidAttributes& out) = 0;
  virtual bool GetPreparsedData(THidPreparsedData& out) = 0;
  // UTF-16, without a terminating NUL, at most maxChars characters.
  virtual bool GetProductString(std::u16string& out, size_t maxChars) = 0;
  virtual bool GetNumInputBuffers(uint32_t& count) = 0;
  virtual bool SetNumInputBuffers(uint32_t count) = 0;

  // One output report; byte 0 is the report ID. Needs write access.
  virtual bool Write(const uint8_t* report, uint32_t size, uint32_t& written) = 0;

  // Starts one read of one input report into buffer (byte 0 receives the report ID).
  // Needs read access; false when the read cannot start (the device is gone).
  virtual bool StartRead(uint8_t* buffer, uint32_t size) = 0;
  // Waits up to timeoutMs for the started read; true once it has completed, with data
  // or with an error (then ReadResultSize is 0). Only the thread that started it waits.
  virtual bool WaitRead(int timeoutMs) = 0;
  // Bytes of the completed read, report ID included; 0 after an error or a close.
  virtual uint32_t ReadResultSize() = 0;
  // Abandons a started read before its buffer goes away; no byte is written after it.
  virtual bool CancelPending() = 0;

  // Closes the handle; any thread. A read waited for on another thread completes empty.
  virtual void Close() = 0;
};

class THidPlatform {
 public:
  virtual ~THidPlatform() = default;

  // Whether the platform's HID services could be bound; without them no device is
  // ever listed and no change is ever reported.
  virtual bool Available() const = 0;
  // The HID interfaces present now, in the platform's order.
  virtual std::vector<THidInterface> ListInterfaces() = 0;
  // onChange runs on the GUI thread whenever the set of devices may have changed; an
  // empty function stops the watch.
  virtual void WatchChanges(std::function<void()> onChange) = 0;
  // Opens a device for the access asked; null (with HidLastError set) on failure.
  virtual std::shared_ptr<THidFile> Open(const std::string& devicePath, THidAccess access) = 0;
};

}  // namespace marloq
