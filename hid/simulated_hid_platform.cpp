// Simulated HID backend: one lock over all simulated devices and their open files; a
// reader waits on it for an input report, a close, or its device's unplugging.
#include "hid/simulated_hid_platform.h"

#include <QMetaObject>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>

namespace marloq {

namespace {

constexpr uint32_t kDefaultInputBuffers = 32;

struct TSimDevice {
  int Id;
  uint32_t DevInst;
  std::string Path;
  TSimulatedDevice Definition;
  bool Present = true;
  std::vector<THidReport> Written;
};

class TSimFile;

}  // namespace

struct TSimulatedHidPlatform::TState {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<std::shared_ptr<TSimDevice>> Devices;
  std::vector<std::weak_ptr<TSimFile>> Files;
  uint32_t NextDevInst = 1;
};

namespace {

bool Fail(uint32_t code) {
  SetHidLastError(code);
  return false;
}

class TSimFile : public THidFile {
 public:
  TSimFile(std::shared_ptr<TSimulatedHidPlatform::TState> state, std::shared_ptr<TSimDevice> device,
           THidAccess access)
      : state_(std::move(state)), device_(std::move(device)), access_(access) {}

  const TSimDevice* device() const { return device_.get(); }
  bool Reading() const { return readable() && !closed_; }  // with the state locked
  // Called with the state locked.
  void Queue(const THidReport& report) {
    if (readable() && !closed_) inputs_.push_back(report);
  }

  bool GetAttributes(THidAttributes& out) override {
    std::lock_guard lock(state_->Mutex);
    if (!device_->Definition.Identifiable) return Fail(EIO);
    out = device_->Definition.Attributes;
    return true;
  }
  bool GetPreparsedData(THidPreparsedData& out) override {
    std::lock_guard lock(state_->Mutex);
    out = device_->Definition.Preparsed;
    return true;
  }
  bool GetProductString(std::u16string& out, size_t maxChars) override {
    std::lock_guard lock(state_->Mutex);
    out = QString::fromStdString(device_->Definition.ProductString).toStdU16String().substr(0, maxChars);
    return true;
  }
  bool GetNumInputBuffers(uint32_t& count) override {
    std::lock_guard lock(state_->Mutex);
    count = inputBuffers_;
    return true;
  }
  bool SetNumInputBuffers(uint32_t count) override {
    std::lock_guard lock(state_->Mutex);
    if (count < 2 || count > 512) return Fail(EINVAL);
    inputBuffers_ = count;
    return true;
  }

  bool Write(const uint8_t* report, uint32_t size, uint32_t& written) override;

  bool StartRead(uint8_t* buffer, uint32_t size) override {
    std::lock_guard lock(state_->Mutex);
    if (!readable()) return Fail(EBADF);
    if (closed_ || !device_->Present) return Fail(ENODEV);
    buffer_ = buffer;
    size_ = size;
    result_ = 0;
    return true;
  }
  bool WaitRead(int timeoutMs) override {
    std::unique_lock lock(state_->Mutex);
    const bool ended = state_->Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
      return closed_ || !device_->Present || !inputs_.empty() || buffer_ == nullptr;
    });
    if (!ended) return false;
    if (buffer_ != nullptr && !closed_ && device_->Present && !inputs_.empty()) {
      const THidReport& r = inputs_.front();
      result_ = static_cast<uint32_t>(std::min<size_t>(r.size(), size_));
      std::memcpy(buffer_, r.data(), result_);
      inputs_.pop_front();
    }
    buffer_ = nullptr;
    return true;
  }
  uint32_t ReadResultSize() override {
    std::lock_guard lock(state_->Mutex);
    return closed_ ? 0 : result_;
  }
  bool CancelPending() override {
    std::lock_guard lock(state_->Mutex);
    buffer_ = nullptr;
    return true;
  }
  void Close() override {
    std::lock_guard lock(state_->Mutex);
    closed_ = true;
    inputs_.clear();
    state_->Changed.notify_all();
  }

 private:
  bool readable() const { return access_ == THidAccess::Read || access_ == THidAccess::ReadWrite; }
  bool writable() const { return access_ == THidAccess::Write || access_ == THidAccess::ReadWrite; }

  std::shared_ptr<TSimulatedHidPlatform::TState> state_;
  std::shared_ptr<TSimDevice> device_;
  THidAccess access_;
  std::deque<THidReport> inputs_;
  uint8_t* buffer_ = nullptr;  // the started read's
  uint32_t size_ = 0, result_ = 0;
  uint32_t inputBuffers_ = kDefaultInputBuffers;
  bool closed_ = false;
};

// Queues a report for every open reader of the device; called with the state locked.
void QueueInput(TSimulatedHidPlatform::TState& state, const TSimDevice& device, const THidReport& report) {
  for (const auto& weak : state.Files)
    if (const auto file = weak.lock(); file && file->device() == &device) file->Queue(report);
  state.Changed.notify_all();
}

bool TSimFile::Write(const uint8_t* report, uint32_t size, uint32_t& written) {
  written = 0;
  std::shared_ptr<TSimDevice> device;
  {
    std::lock_guard lock(state_->Mutex);
    if (!writable()) return Fail(EBADF);
    if (closed_ || !device_->Present) return Fail(ENODEV);
    device_->Written.emplace_back(report, report + size);
    device = device_;
  }
  written = size;
  // The answer is computed unlocked: it may call back into the platform.
  const std::vector<THidReport> answers =
      device->Definition.Answer ? device->Definition.Answer(THidReport(report, report + size)) : std::vector<THidReport>{};
  std::lock_guard lock(state_->Mutex);
  for (const THidReport& a : answers) QueueInput(*state_, *device, a);
  return true;
}

}  // namespace

TSimulatedHidPlatform::TSimulatedHidPlatform(bool available)
    : available_(available), state_(std::make_shared<TState>()), context_(std::make_unique<QObject>()) {}

TSimulatedHidPlatform::~TSimulatedHidPlatform() = default;

int TSimulatedHidPlatform::Plug(TSimulatedDevice definition) {
  int id;
  {
    std::lock_guard lock(state_->Mutex);
    id = static_cast<int>(state_->Devices.size());
    auto device = std::make_shared<TSimDevice>();
    device->Id = id;
    device->DevInst = state_->NextDevInst++;
    device->Path = "sim:hidraw" + std::to_string(id);
    device->Definition = std::move(definition);
    state_->Devices.push_back(std::move(device));
  }
  NoticeChange();
  return id;
}

void TSimulatedHidPlatform::Unplug(int id) {
  {
    std::lock_guard lock(state_->Mutex);
    state_->Devices.at(static_cast<size_t>(id))->Present = false;
    state_->Changed.notify_all();
  }
  NoticeChange();
}

void TSimulatedHidPlatform::SendInput(int id, const THidReport& report) {
  std::lock_guard lock(state_->Mutex);
  QueueInput(*state_, *state_->Devices.at(static_cast<size_t>(id)), report);
}

int TSimulatedHidPlatform::Readers(int id) const {
  std::lock_guard lock(state_->Mutex);
  const TSimDevice* device = state_->Devices.at(static_cast<size_t>(id)).get();
  int n = 0;
  for (const auto& weak : state_->Files)
    if (const auto file = weak.lock(); file && file->device() == device && file->Reading()) ++n;
  return n;
}

std::vector<THidReport> TSimulatedHidPlatform::Written(int id) const {
  std::lock_guard lock(state_->Mutex);
  return state_->Devices.at(static_cast<size_t>(id))->Written;
}

void TSimulatedHidPlatform::SetOpening(int id, TSimulatedDevice::TOpening opening) {
  std::lock_guard lock(state_->Mutex);
  state_->Devices.at(static_cast<size_t>(id))->Definition.Opening = opening;
}

std::string TSimulatedHidPlatform::DevicePath(int id) const {
  std::lock_guard lock(state_->Mutex);
  return state_->Devices.at(static_cast<size_t>(id))->Path;
}

std::vector<THidInterface> TSimulatedHidPlatform::ListInterfaces() {
  std::vector<THidInterface> list;
  if (!available_) return list;
  std::lock_guard lock(state_->Mutex);
  for (const auto& d : state_->Devices)
    if (d->Present) list.push_back({d->DevInst, d->Path});
  return list;
}

void TSimulatedHidPlatform::WatchChanges(std::function<void()> onChange) { onChange_ = std::move(onChange); }

// Queued, as the platform's notices arrive: never inside the call that plugged.
void TSimulatedHidPlatform::NoticeChange() {
  QMetaObject::invokeMethod(context_.get(), [this] {
    if (available_ && onChange_) onChange_();
  }, Qt::QueuedConnection);
}

std::shared_ptr<THidFile> TSimulatedHidPlatform::Open(const std::string& devicePath, THidAccess access) {
  std::lock_guard lock(state_->Mutex);
  const auto it = std::find_if(state_->Devices.begin(), state_->Devices.end(),
                               [&](const auto& d) { return d->Present && d->Path == devicePath; });
  if (it == state_->Devices.end()) {
    SetHidLastError(ENOENT);
    return nullptr;
  }
  const TSimulatedDevice::TOpening opening = (*it)->Definition.Opening;
  if (opening == TSimulatedDevice::TOpening::Never ||
      (opening == TSimulatedDevice::TOpening::QueryOnly && access != THidAccess::None)) {
    SetHidLastError(EACCES);
    return nullptr;
  }
  auto file = std::make_shared<TSimFile>(state_, *it, access);
  std::erase_if(state_->Files, [](const std::weak_ptr<TSimFile>& w) { return w.expired(); });
  state_->Files.push_back(file);
  return file;
}

}  // namespace marloq
