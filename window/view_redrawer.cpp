// The worker shares nothing mutable with the window: it gets its request by value and
// hands back its result by a queued call, which Qt drops if the window is gone.
#include "window/view_redrawer.h"

#include <utility>

namespace marloq {

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
  running_ = true;
  worker_ = std::thread([this, request = std::move(request), generation = generation_] {
    TRedrawResult result = RedrawView(request, cancel_);
    QMetaObject::invokeMethod(
        this, [this, result = std::move(result), generation]() mutable { Finished(std::move(result), generation); },
        Qt::QueuedConnection);
  });
}

void TViewRedrawer::Finished(TRedrawResult result, uint64_t generation) {
  running_ = false;
  worker_.join();
  if (next_) {
    TRedrawRequest request = std::move(*next_);
    next_.reset();
    return Start(std::move(request));
  }
  if (generation == generation_ && result.Complete && OnDone) OnDone(result);
}

}  // namespace marloq
