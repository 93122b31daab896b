// HID reading thread: one read started and waited for in slices of the device's sleep
// time, so that a termination request is seen within one slice.
#include "hid/hid_read_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <cstring>

#include "hid/hid_device.h"

namespace marloq {

void THidDeviceReadThread::THandOver::RunPending() {
  std::unique_lock lock(Mutex);
  if (Pending == nullptr || Done) return;
  const std::function<void()>* step = Pending;
  lock.unlock();
  (*step)();  // the reading thread waits meanwhile, so the report cannot change
  lock.lock();
  Done = true;
  Changed.notify_all();
}

namespace {

// The GUI thread's end of the hand-overs. The posted event carries nothing: what to run
// is handed over under the lock, which the race detector can follow, where Qt's own
// event queue is invisible to it.
class THandOverReceiver : public QObject {
 public:
  explicit THandOverReceiver(std::function<void()> run) : run_(std::move(run)) {}
  void customEvent(QEvent*) override { run_(); }

 private:
  std::function<void()> run_;
};

}  // namespace

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device)
    : device_(device),
      report_(device.GetCapabilities().InputReportByteLength),
      guiEnd_(std::make_unique<THandOverReceiver>([this] { handOver_.RunPending(); })) {
  thread_ = std::thread([this] { Execute(); });
}

THidDeviceReadThread::~THidDeviceReadThread() {
  {
    std::lock_guard lock(handOver_.Mutex);
    terminate_ = true;
    handOver_.Changed.notify_all();
  }
  // The thread may be waiting for a hand-over: run it here, or the two would wait for
  // each other.
  std::unique_lock lock(handOver_.Mutex);
  while (!handOver_.Finished) {
    if (handOver_.Pending != nullptr && !handOver_.Done) {
      lock.unlock();
      handOver_.RunPending();
      lock.lock();
      continue;
    }
    handOver_.Changed.wait(lock, [this] {
      return handOver_.Finished || (handOver_.Pending != nullptr && !handOver_.Done);
    });
  }
  lock.unlock();
  thread_.join();
  guiEnd_.reset();  // with it, any hand-over event still queued
}

void THidDeviceReadThread::Execute() {
  bool lastWaitCompleted = true;
  while (!terminate_) {
    lastWaitCompleted = true;
    const uint32_t size = device_.CachedCapabilities().InputReportByteLength;
    if (report_.size() < size) report_.resize(size);  // sized once; only a later cache grows it
    std::memset(report_.data(), 0, size);
    if (device_.StartRead(report_.data(), size)) {
      do {
        lastWaitCompleted = device_.WaitRead(device_.SleepTime());
      } while (!terminate_ && !lastWaitCompleted);
      if (terminate_) break;
      bytesRead_ = device_.ReadResultSize();
      if (bytesRead_ > 0) RunOnGuiAndWait([this] { DeliverData(); });
    } else {
      readError_ = HidLastError();
      RunOnGuiAndWait([this] { DeliverError(); });
      // A read that cannot start fails again at once: wait a slice instead of spinning.
      WaitSlice();
    }
  }
  // A read left pending is abandoned by this thread, before the report goes away.
  if (!lastWaitCompleted) device_.CancelPending(THidHandleKind::Read);
  std::lock_guard lock(handOver_.Mutex);
  handOver_.Finished = true;
  handOver_.Changed.notify_all();
}

void THidDeviceReadThread::RunOnGuiAndWait(const std::function<void()>& step) {
  std::unique_lock lock(handOver_.Mutex);
  handOver_.Pending = &step;
  handOver_.Done = false;
  handOver_.Changed.notify_all();
  QCoreApplication::postEvent(guiEnd_.get(), new QEvent(QEvent::User));
  handOver_.Changed.wait(lock, [this] { return handOver_.Done; });
  handOver_.Pending = nullptr;
}

bool THidDeviceReadThread::WaitSlice() {
  std::unique_lock lock(handOver_.Mutex);
  return handOver_.Changed.wait_for(lock, std::chrono::milliseconds(device_.SleepTime()),
                                     [this] { return terminate_.load(); });
}

void THidDeviceReadThread::DeliverData() {
  const uint32_t n = bytesRead_;
  if (device_.DataHandler.Assigned())
    device_.DataHandler(&device_, report_[0], report_.data() + 1, static_cast<uint16_t>(n - 1));
}

void THidDeviceReadThread::DeliverError() {
  if (device_.DataErrorHandler.Assigned()) device_.DataErrorHandler(&device_, readError_);
}

}  // namespace marloq
