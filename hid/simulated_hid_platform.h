// Simulated HID backend: devices defined in code, plugged and unplugged at will, each
// answering output reports with input reports; for the tests and for trying Marloq
// without the hardware.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/hid_platform.h"

namespace marloq {

using THidReport = std::vector<uint8_t>;

// What a simulated device is and how it behaves.
struct TSimulatedDevice {
  enum class TOpening { ReadWrite, QueryOnly, Never };
  std::string ProductString;  // UTF-8
  THidAttributes Attributes;
  THidPreparsedData Preparsed;
  TOpening Opening = TOpening::ReadWrite;
  bool Identifiable = true;
  // The input reports the device sends in answer to an output report (report ID first);
  // every open reader of the device gets each of them.
  std::function<std::vector<THidReport>(const THidReport& output)> Answer;
};

class TSimulatedHidPlatform : public THidPlatform {
 public:
  // Create it on the GUI thread: change notices are queued to that thread.
  explicit TSimulatedHidPlatform(bool available = true);
  ~TSimulatedHidPlatform() override;

  // Plugs a device in and notices the change; returns its id. Listed in plugging order,
  // each plugging with a new DevInst.
  int Plug(TSimulatedDevice definition);
  void Unplug(int id);
  // An input report the device sends by itself, to every reader open at the time (as
  // hidraw does: a reader opened later does not get it).
  void SendInput(int id, const THidReport& report);
  // How many handles opened for reading the device has now.
  int Readers(int id) const;
  // Every output report written to the device so far.
  std::vector<THidReport> Written(int id) const;
  // How the device lets itself be opened from now on.
  void SetOpening(int id, TSimulatedDevice::TOpening opening);
  std::string DevicePath(int id) const;

  bool Available() const override { return available_; }
  std::vector<THidInterface> ListInterfaces() override;
  void WatchChanges(std::function<void()> onChange) override;
  std::shared_ptr<THidFile> Open(const std::string& devicePath, THidAccess access) override;

  struct TState;

 private:
  void NoticeChange();

  bool available_;
  std::shared_ptr<TState> state_;
  std::unique_ptr<QObject> context_;  // the GUI thread's end of the change notices
  std::function<void()> onChange_;
};

}  // namespace marloq
