// The worker shares nothing mutable with the window: it gets its request by value and
// its result is read only after the worker was joined.
#include "window/view_redrawer.h"

#include <utility>

namespace marloq {

namespace {
constexpr int kPollMs = 4;
}

TViewRedrawer::TViewRedrawer(QObject* parent) : QObject(parent) {
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, [this] { Finished(); });
}

TViewRedrawer::~TViewRedrawer() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void TViewRedrawer::Request(TRedrawRequest request) {
  ++generation_;
  if (running_) {
    cancel_ = true;
    next_ = std::move(request);
    return;
  }
  Start(std::move(request));
}

void TViewRedrawer::Cancel() {
  ++generation_;
  next_.reset();
  if (running_) cancel_ = true;
}

void TViewRedrawer::Start(TRedrawRequest request) {
  if (worker_.joinable()) worker_.join();
  cancel_ = false;
  done_ = false;
  running_ = true;
  startedGeneration_ = generation_;
  worker_ = std::thread([this, request = std::move(request)] {
    result_ = RedrawView(request, cancel_);
    done_.store(true, std::memory_order_release);
  });
  poll_.start();
}

void TViewRedrawer::Finished() {
  if (!done_.load(std::memory_order_acquire)) return;
  poll_.stop();
  running_ = false;
  worker_.join();
  TRedrawResult result = std::move(result_);
  if (next_) {
    TRedrawRequest request = std::move(*next_);
    next_.reset();
    return Start(std::move(request));
  }
  if (startedGeneration_ == generation_ && result.Complete && OnDone) OnDone(result);
}

}  // namespace marloq
