// HID device controller: the list of present HID interfaces, rescanned whenever the
// platform reports a change, its events, and the claims that hand devices to a client.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

#include "hid/hid_event.h"
#include "hid/hid_platform.h"

namespace marloq {

class THidDevice;

inline constexpr const char* kHidControllerVersion = "1.0.26";

class THidDeviceController : public QObject {
 public:
  // Throws EControllerError "Only one THidDeviceController allowed per program" while
  // another controller lives.
  explicit THidDeviceController(THidPlatform& platform, QObject* owner = nullptr);
  ~THidDeviceController() override;
  THidDeviceController(const THidDeviceController&) = delete;
  THidDeviceController& operator=(const THidDeviceController&) = delete;

  // The owner has set the handlers: listen for changes and queue the first rescan.
  void Loaded();

  void DeviceChange();
  int32_t Enumerate();
  bool ClaimByIndex(int32_t index, THidDevice*& device);
  bool Claim(int32_t index, THidDevice*& device, bool check);

  // Positions of the list; a claimed entry belongs to its client.
  const std::vector<THidDevice*>& Devices() const { return devices_; }
  THidPlatform& Platform() const { return platform_; }
  const char* Version() const { return kHidControllerVersion; }

  THidPlugEvent OnArrival, OnRemoval;
  THidEnumerateEvent OnEnumerate;
  const THidNotifyEvent& OnDeviceChange() const { return onDeviceChange_; }
  const THidDataEvent& OnDeviceData() const { return onDeviceData_; }
  const THidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }
  const THidPlugEvent& OnDeviceUnplug() const { return onDeviceUnplug_; }
  int32_t DevThreadSleepTime() const { return devThreadSleepTime_; }

  void SetOnDeviceChange(const THidNotifyEvent& handler);
  void SetOnDeviceData(const THidDataEvent& handler);
  void SetOnDeviceDataError(const THidDataErrorEvent& handler);
  void SetOnDeviceUnplug(const THidPlugEvent& handler);
  void SetDevThreadSleepTime(int32_t ms);

  // For a device given back by its client: its position, or -1 when not listed.
  int32_t IndexOf(const THidDevice* device) const;
  void ReplaceAt(int32_t index, THidDevice* device) { devices_[static_cast<size_t>(index)] = device; }
  void RemoveAt(int32_t index) { devices_.erase(devices_.begin() + index); }

 private:
  std::vector<std::unique_ptr<THidDevice>> FillDeviceList();
  bool RemovalPass(const std::vector<std::unique_ptr<THidDevice>>& fresh);
  void DuplicatePass(std::vector<std::unique_ptr<THidDevice>>& fresh);
  bool ArrivalPass(std::vector<std::unique_ptr<THidDevice>>& fresh);
  void CallPlugHandler(const THidPlugEvent& handler, THidDevice* device);

  THidPlatform& platform_;
  bool loading_ = true;
  std::vector<THidDevice*> devices_;
  THidNotifyEvent onDeviceChange_;
  THidDataEvent onDeviceData_;
  THidDataErrorEvent onDeviceDataError_;
  THidPlugEvent onDeviceUnplug_;
  int32_t devThreadSleepTime_ = 100;
};

}  // namespace marloq
