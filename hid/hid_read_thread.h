// HID reading thread: reads one input report after the other for a claimed device and
// hands each to the device's data handler on the GUI thread, waiting until it has run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QObject>

namespace marloq {

class THidDevice;

class THidDeviceReadThread {
 public:
  // Sizes the report from the device's capabilities (cached on the GUI thread here)
  // and starts reading.
  explicit THidDeviceReadThread(THidDevice& device);
  // Requests termination and waits for the end, running hand-overs meanwhile.
  ~THidDeviceReadThread();
  THidDeviceReadThread(const THidDeviceReadThread&) = delete;
  THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;

  uint32_t BytesRead() const { return bytesRead_.load(); }
  uint32_t ReadError() const { return readError_.load(); }

 private:
  // What the reading thread and the GUI thread share, under one lock.
  struct THandOver {
    std::mutex Mutex;
    std::condition_variable Changed;
    const std::function<void()>* Pending = nullptr;  // set by the reading thread
    bool Done = false;
    bool Finished = false;  // the reading thread has left its loop
    void RunPending();      // GUI thread
  };

  void Execute();
  void RunOnGuiAndWait(const std::function<void()>& step);
  void DeliverData();
  void DeliverError();
  bool WaitSlice();

  THidDevice& device_;
  std::vector<uint8_t> report_;
  std::atomic<uint32_t> bytesRead_{0};
  std::atomic<uint32_t> readError_{0};
  std::atomic<bool> terminate_{false};  // written by the GUI thread
  THandOver handOver_;
  std::unique_ptr<QObject> guiEnd_;  // lives on the GUI thread; runs the hand-overs posted to it
  std::thread thread_;
};

}  // namespace marloq
