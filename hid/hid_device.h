// HID device: one interface as the controller lists it: identity, cached queries, the
// three handles, claim state, handlers and the reading thread while claimed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "hid/hid_event.h"
#include "hid/hid_platform.h"

namespace marloq {

class THidDeviceReadThread;

// The plug-and-play record of one interface, made by a scan; owned by the device made
// from it, and handed on to the device that replaces it on a release.
struct THidPnPInfo {
  uint32_t DevInst = 0;
  std::string DevicePath;
};

inline constexpr size_t kMaxProductStringChars = 254;
inline constexpr int32_t kDefaultSleepTime = 100;  // ms
inline constexpr int32_t kMinSleepTime = 10, kMaxSleepTime = 10000;

enum class THidHandleKind { Read, Write };

class THidDevice {
 public:
  // Opens the device once to identify it; throws EControllerError "device cannot be
  // opened" or "device cannot be identified".
  THidDevice(std::unique_ptr<THidPnPInfo> info, THidDeviceController* controller, THidPlatform& platform);
  // A claimed device is given back by destroying it: the controller then lists a fresh
  // unclaimed object for the same interface in its place (or drops it when unplugged).
  ~THidDevice();
  THidDevice(const THidDevice&) = delete;
  THidDevice& operator=(const THidDevice&) = delete;

  bool IsAccessible() const { return PluggedIn && (Claimed || InHandler); }
  bool OpenFile();
  bool OpenReadHandle();
  bool OpenWriteHandle();
  void CloseFile();
  void CloseReadHandle();
  void CloseWriteHandle();
  void CloseHandles();  // all three

  const THidPreparsedData* GetPreparsedData();
  THidCaps GetCapabilities();
  std::u16string GetProductString();
  bool WriteReport(const uint8_t* buffer, uint32_t count, uint32_t& written);

  // The reading primitives; StartRead, WaitRead, ReadResultSize and CancelPending(Read)
  // run on the reading thread.
  bool StartRead(uint8_t* buffer, uint32_t count);
  bool WaitRead(int timeoutMs);
  uint32_t ReadResultSize();
  bool CancelPending(THidHandleKind which);
  // Capabilities as cached on the GUI thread: the reading thread never opens a handle
  // for a query.
  THidCaps CachedCapabilities() const;

  void SetSleepTime(int32_t ms);
  int32_t SleepTime() const { return sleepTime_.load(); }
  void SetDataHandler(const THidDataEvent& handler);
  void StartReadThread();
  void StopReadThread();
  void Unplug();

  const THidPnPInfo& PnPInfo() const { return *pnpInfo_; }
  const THidAttributes& Attributes() const { return attributes_; }
  uint32_t InputBufferCount() const { return inputBufferCount_; }
  uint32_t ReadInputBufferCount() const { return readInputBufferCount_.load(); }
  bool ReadWriteAccess() const { return readWriteAccess_; }
  bool HasReadThread() const { return readThread_ != nullptr; }
  // The reading thread has its handle open: input reports from now on reach it.
  bool Listening() const { return ReadHandle() != nullptr; }
  THidDeviceController* Controller() const { return controller_; }
  void ClearController() { controller_ = nullptr; }

  // Flags read by the reading thread too; written on the GUI thread.
  std::atomic<bool> PluggedIn{true};
  std::atomic<bool> Claimed{false};
  std::atomic<bool> InHandler{false};

  THidDataEvent DataHandler;
  THidDataErrorEvent DataErrorHandler;
  THidPlugEvent UnplugHandler;  // called once by Unplug, then cleared

 private:
  std::shared_ptr<THidFile> OpenDevice(THidAccess access);
  bool OpenFileHandle();
  bool NotAccessible();
  std::shared_ptr<THidFile> ReadHandle() const;
  void ReplaceInController(const THidDataEvent& dataHandler, const THidPlugEvent& unplugHandler);

  THidDeviceController* controller_;
  THidPlatform& platform_;
  std::unique_ptr<THidPnPInfo> pnpInfo_;
  THidAttributes attributes_;
  std::u16string productString_;
  std::optional<THidPreparsedData> preparsedData_;
  std::atomic<bool> preparsedCached_{false};  // set once, on the GUI thread
  std::shared_ptr<THidFile> fileHandle_, writeHandle_;
  mutable std::mutex readHandleMutex_;        // the reading thread opens it, Unplug closes it
  std::shared_ptr<THidFile> readHandle_;
  uint32_t inputBufferCount_ = 0;
  std::atomic<uint32_t> readInputBufferCount_{0};
  std::atomic<int32_t> sleepTime_{kDefaultSleepTime};
  bool readWriteAccess_ = false;
  std::unique_ptr<THidDeviceReadThread> readThread_;
};

}  // namespace marloq
