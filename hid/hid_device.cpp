// HID device: opens the device only while it may be used, answers queries from its
// cache once read, writes reports synchronously and reads through its reading thread.
#include "hid/hid_device.h"

#include <cerrno>

#include "hid/hid_device_controller.h"
#include "hid/hid_read_thread.h"

namespace marloq {

THidDevice::THidDevice(std::unique_ptr<THidPnPInfo> info, THidDeviceController* controller,
                       THidPlatform& platform)
    : controller_(controller), platform_(platform), pnpInfo_(std::move(info)) {
  if (controller_ != nullptr) {
    SetDataHandler(controller_->OnDeviceData());
    UnplugHandler = controller_->OnDeviceUnplug();
  }
  if (!OpenFileHandle()) throw EControllerError("device cannot be opened");
  const bool identified = fileHandle_->GetAttributes(attributes_);
  CloseFile();
  if (!identified) throw EControllerError("device cannot be identified");
}

THidDevice::~THidDevice() {
  const THidDataEvent dataHandler = DataHandler;
  const THidPlugEvent unplugHandler = UnplugHandler;
  SetDataHandler(THidDataEvent());
  UnplugHandler = THidPlugEvent();
  CloseHandles();
  preparsedData_.reset();
  ReplaceInController(dataHandler, unplugHandler);
}

// A released device leaves a fresh, unclaimed object for its interface in its place.
void THidDevice::ReplaceInController(const THidDataEvent& dataHandler, const THidPlugEvent& unplugHandler) {
  if (controller_ == nullptr) return;
  const int32_t index = controller_->IndexOf(this);
  if (index < 0) return;
  if (!PluggedIn) {
    controller_->RemoveAt(index);
    return;
  }
  try {
    auto fresh = std::make_unique<THidDevice>(std::move(pnpInfo_), controller_, platform_);
    fresh->SetDataHandler(dataHandler);
    fresh->UnplugHandler = unplugHandler;
    fresh->SetSleepTime(SleepTime());
    controller_->ReplaceAt(index, fresh.release());
  } catch (const EControllerError&) {
    // The interface can no longer be opened or identified: it is as good as gone.
    controller_->RemoveAt(index);
  }
}

std::shared_ptr<THidFile> THidDevice::OpenDevice(THidAccess access) {
  return platform_.Open(pnpInfo_->DevicePath, access);
}

// Read-write first; failing that, without access rights, which still allows queries.
bool THidDevice::OpenFileHandle() {
  fileHandle_ = OpenDevice(THidAccess::ReadWrite);
  readWriteAccess_ = fileHandle_ != nullptr;
  if (!fileHandle_) fileHandle_ = OpenDevice(THidAccess::None);
  return fileHandle_ != nullptr;
}

bool THidDevice::OpenFile() {
  if (fileHandle_) return true;
  if (!IsAccessible()) return NotAccessible();
  if (OpenFileHandle()) {
    if (inputBufferCount_ != 0) fileHandle_->SetNumInputBuffers(inputBufferCount_);
    fileHandle_->GetNumInputBuffers(inputBufferCount_);
  }
  return fileHandle_ != nullptr;
}

// Unplugged, or neither claimed nor in a handler: the error says the device is gone to
// its user, rather than whatever the thread's last call left behind.
bool THidDevice::NotAccessible() {
  SetHidLastError(PluggedIn ? EACCES : ENODEV);
  return false;
}

bool THidDevice::OpenReadHandle() {
  if (!IsAccessible()) return NotAccessible();
  std::lock_guard lock(readHandleMutex_);
  if (!readHandle_) {
    readHandle_ = OpenDevice(THidAccess::Read);
    if (readHandle_) {
      uint32_t count = readInputBufferCount_;
      if (count != 0) readHandle_->SetNumInputBuffers(count);
      if (readHandle_->GetNumInputBuffers(count)) readInputBufferCount_ = count;
    }
  }
  return readHandle_ != nullptr;
}

bool THidDevice::OpenWriteHandle() {
  if (!IsAccessible()) return NotAccessible();
  if (!writeHandle_) writeHandle_ = OpenDevice(THidAccess::Write);
  return writeHandle_ != nullptr;
}

void THidDevice::CloseFile() {
  if (fileHandle_) fileHandle_->Close();
  fileHandle_.reset();
  inputBufferCount_ = 0;
}

void THidDevice::CloseReadHandle() {
  std::lock_guard lock(readHandleMutex_);
  // A read waited for on the reading thread completes empty; the thread keeps its own
  // reference until it has noticed.
  if (readHandle_) readHandle_->Close();
  readHandle_.reset();
  readInputBufferCount_ = 0;
}

void THidDevice::CloseWriteHandle() {
  if (writeHandle_) writeHandle_->Close();
  writeHandle_.reset();
}

void THidDevice::CloseHandles() {
  CloseFile();
  CloseReadHandle();
  CloseWriteHandle();
}

std::shared_ptr<THidFile> THidDevice::ReadHandle() const {
  std::lock_guard lock(readHandleMutex_);
  return readHandle_;
}

const THidPreparsedData* THidDevice::GetPreparsedData() {
  if (!preparsedCached_ && OpenFile()) {
    THidPreparsedData data;
    if (fileHandle_->GetPreparsedData(data)) {
      preparsedData_ = data;
      preparsedCached_.store(true, std::memory_order_release);
    }
    CloseFile();
  }
  return preparsedCached_ ? &*preparsedData_ : nullptr;
}

THidCaps THidDevice::GetCapabilities() {
  const THidPreparsedData* data = GetPreparsedData();
  return data != nullptr ? data->Caps : THidCaps{};
}

THidCaps THidDevice::CachedCapabilities() const {
  return preparsedCached_.load(std::memory_order_acquire) ? preparsedData_->Caps : THidCaps{};
}

std::u16string THidDevice::GetProductString() {
  if (productString_.empty() && OpenFile()) {
    std::u16string text;
    if (fileHandle_->GetProductString(text, kMaxProductStringChars))
      productString_ = text.substr(0, std::min(text.find(u'\0'), kMaxProductStringChars));
    CloseFile();
  }
  return productString_;
}

bool THidDevice::WriteReport(const uint8_t* buffer, uint32_t count, uint32_t& written) {
  written = 0;
  return OpenFile() && fileHandle_->Write(buffer, count, written);
}

bool THidDevice::StartRead(uint8_t* buffer, uint32_t count) {
  if (!OpenReadHandle()) return false;
  const std::shared_ptr<THidFile> handle = ReadHandle();
  return handle && handle->StartRead(buffer, count);
}

bool THidDevice::WaitRead(int timeoutMs) {
  const std::shared_ptr<THidFile> handle = ReadHandle();
  return !handle || handle->WaitRead(timeoutMs);  // closed meanwhile: completed, empty
}

uint32_t THidDevice::ReadResultSize() {
  const std::shared_ptr<THidFile> handle = ReadHandle();
  return handle ? handle->ReadResultSize() : 0;
}

bool THidDevice::CancelPending(THidHandleKind which) {
  const std::shared_ptr<THidFile> handle = which == THidHandleKind::Read ? ReadHandle() : writeHandle_;
  return handle && handle->CancelPending();
}

void THidDevice::SetSleepTime(int32_t ms) {
  if (ms >= kMinSleepTime && ms <= kMaxSleepTime) sleepTime_ = ms;
}

void THidDevice::SetDataHandler(const THidDataEvent& handler) {
  if (!handler.Assigned()) StopReadThread();
  DataHandler = handler;
  StartReadThread();
}

void THidDevice::StartReadThread() {
  if (DataHandler.Assigned() && PluggedIn && Claimed && readWriteAccess_ && !readThread_)
    readThread_ = std::make_unique<THidDeviceReadThread>(*this);
}

void THidDevice::StopReadThread() { readThread_.reset(); }

void THidDevice::Unplug() {
  CloseHandles();
  PluggedIn = false;
  const THidPlugEvent handler = UnplugHandler;
  UnplugHandler = THidPlugEvent();
  if (handler.Assigned()) handler(this);
}

}  // namespace marloq
