// HID device controller: each rescan diffs a fresh scan against the list in three
// passes (removals, duplicates, arrivals) and tells the client what changed.
#include "hid/hid_device_controller.h"

#include <QMetaObject>
#include <algorithm>

#include "hid/hid_device.h"

namespace marloq {

namespace {

int g_liveControllers = 0;  // GUI thread only

bool SameInterface(const THidDevice& a, const THidDevice& b) {
  return a.PnPInfo().DevInst == b.PnPInfo().DevInst;
}

// Set while a handler of the controller looks at the device, so it may query it.
class TInHandler {
 public:
  explicit TInHandler(THidDevice* d) : device_(d) { device_->InHandler = true; }
  ~TInHandler() { device_->InHandler = false; }
  TInHandler(const TInHandler&) = delete;
  TInHandler& operator=(const TInHandler&) = delete;

 private:
  THidDevice* device_;
};

}  // namespace

THidDeviceController::THidDeviceController(THidPlatform& platform, QObject* owner)
    : QObject(owner), platform_(platform) {
  if (++g_liveControllers > 1) {
    --g_liveControllers;  // this one never comes to life
    throw EControllerError("Only one THidDeviceController allowed per program");
  }
}

THidDeviceController::~THidDeviceController() {
  if (--g_liveControllers > 0) return;
  onDeviceChange_ = THidNotifyEvent();
  onDeviceUnplug_ = THidPlugEvent();
  OnEnumerate = THidEnumerateEvent();
  if (platform_.Available()) platform_.WatchChanges({});
  // Taken out first: a device destroyed here must not look for its list position.
  std::vector<THidDevice*> devices;
  devices.swap(devices_);
  for (THidDevice* d : devices) {
    d->ClearController();
    if (d->Claimed) d->Unplug();  // its client still holds it
    else delete d;
  }
}

void THidDeviceController::Loaded() {
  loading_ = false;
  if (!platform_.Available()) return;
  platform_.WatchChanges([this] { DeviceChange(); });
  QMetaObject::invokeMethod(this, [this] { DeviceChange(); }, Qt::QueuedConnection);
}

std::vector<std::unique_ptr<THidDevice>> THidDeviceController::FillDeviceList() {
  std::vector<std::unique_ptr<THidDevice>> fresh;
  if (!platform_.Available()) return fresh;
  for (const THidInterface& i : platform_.ListInterfaces()) {
    try {
      fresh.push_back(std::make_unique<THidDevice>(
          std::make_unique<THidPnPInfo>(THidPnPInfo{i.DevInst, i.DevicePath}), this, platform_));
    } catch (const EControllerError&) {
      // An interface that cannot be opened or identified is left out, silently.
    }
  }
  return fresh;
}

void THidDeviceController::DeviceChange() {
  std::vector<std::unique_ptr<THidDevice>> fresh = FillDeviceList();
  bool changed = RemovalPass(fresh);
  DuplicatePass(fresh);
  changed = ArrivalPass(fresh) || changed;
  if (changed && onDeviceChange_.Assigned()) onDeviceChange_(this);
}

bool THidDeviceController::RemovalPass(const std::vector<std::unique_ptr<THidDevice>>& fresh) {
  bool changed = false;
  for (int32_t i = static_cast<int32_t>(devices_.size()) - 1; i >= 0; --i) {
    THidDevice* d = devices_[static_cast<size_t>(i)];
    const bool present = std::any_of(fresh.begin(), fresh.end(),
                                     [d](const auto& f) { return f && SameInterface(*f, *d); });
    if (d->PluggedIn && present) continue;
    d->Unplug();
    CallPlugHandler(OnRemoval, d);
    // A claimed device stays listed, unplugged, until its client gives it back.
    if (!d->Claimed) {
      RemoveAt(i);
      delete d;
    }
    changed = true;
  }
  return changed;
}

void THidDeviceController::DuplicatePass(std::vector<std::unique_ptr<THidDevice>>& fresh) {
  for (auto& f : fresh) {
    const bool known = std::any_of(devices_.begin(), devices_.end(),
                                   [&f](const THidDevice* d) { return d->PluggedIn && SameInterface(*f, *d); });
    if (!known) continue;
    f->ClearController();
    f.reset();
  }
}

bool THidDeviceController::ArrivalPass(std::vector<std::unique_ptr<THidDevice>>& fresh) {
  bool changed = false;
  for (auto& f : fresh) {
    if (!f) continue;
    THidDevice* d = f.release();
    devices_.push_back(d);
    changed = true;
    CallPlugHandler(OnArrival, d);
  }
  return changed;
}

void THidDeviceController::CallPlugHandler(const THidPlugEvent& handler, THidDevice* device) {
  if (!handler.Assigned()) return;
  TInHandler inHandler(device);
  handler(device);
}

int32_t THidDeviceController::Enumerate() {
  int32_t visited = 0;
  for (size_t i = 0; i < devices_.size(); ++i) {
    THidDevice* d = devices_[i];
    if (!d->PluggedIn) continue;
    ++visited;
    if (!OnEnumerate.Assigned()) break;
    bool goOn;
    {
      TInHandler inHandler(d);
      goOn = OnEnumerate(d, static_cast<int32_t>(i));
    }
    if (!d->Claimed) d->CloseHandles();
    if (!goOn) break;
  }
  return visited;
}

bool THidDeviceController::ClaimByIndex(int32_t index, THidDevice*& device) {
  device = nullptr;
  if (index < 0 || index >= static_cast<int32_t>(devices_.size())) return false;
  return Claim(index, device, true);
}

bool THidDeviceController::Claim(int32_t index, THidDevice*& device, bool check) {
  if (!check || index < 0 || index >= static_cast<int32_t>(devices_.size())) return false;
  THidDevice* d = devices_[static_cast<size_t>(index)];
  if (d->Claimed) return false;
  d->Claimed = true;
  device = d;
  d->StartReadThread();
  return true;
}

int32_t THidDeviceController::IndexOf(const THidDevice* device) const {
  const auto it = std::find(devices_.begin(), devices_.end(), device);
  return it == devices_.end() ? -1 : static_cast<int32_t>(it - devices_.begin());
}

void THidDeviceController::SetOnDeviceChange(const THidNotifyEvent& handler) {
  if (handler.SameCallable(onDeviceChange_)) return;
  onDeviceChange_ = handler;
  if (!loading_) DeviceChange();
}

void THidDeviceController::SetOnDeviceData(const THidDataEvent& handler) {
  if (handler.SameCallable(onDeviceData_)) return;
  for (THidDevice* d : devices_)
    if (d->DataHandler.SameCallable(onDeviceData_)) d->SetDataHandler(handler);
  onDeviceData_ = handler;
}

void THidDeviceController::SetOnDeviceDataError(const THidDataErrorEvent& handler) {
  if (handler.SameCallable(onDeviceDataError_)) return;
  for (THidDevice* d : devices_)
    if (d->DataErrorHandler.SameCallable(onDeviceDataError_)) d->DataErrorHandler = handler;
  onDeviceDataError_ = handler;
}

void THidDeviceController::SetOnDeviceUnplug(const THidPlugEvent& handler) {
  if (handler.SameCallable(onDeviceUnplug_)) return;
  for (THidDevice* d : devices_)
    if (d->UnplugHandler.SameCallable(onDeviceUnplug_)) d->UnplugHandler = handler;
  onDeviceUnplug_ = handler;
}

void THidDeviceController::SetDevThreadSleepTime(int32_t ms) {
  if (ms == devThreadSleepTime_) return;
  for (THidDevice* d : devices_)
    if (d->SleepTime() == devThreadSleepTime_) d->SetSleepTime(ms);
  devThreadSleepTime_ = ms;
}

}  // namespace marloq
