// The worker shares nothing mutable with the window: it gets its request by value and
// its result is read only after the worker was joined.
#include "window/view_redrawer.h"

#include <utility>

namespace marloq {

namespace {
constexpr int kPollMs = 4;
// Pictures kept: a few views back and forth, about 2 MB each at a laptop's size.
constexpr size_t kKeptPictures = 6;

bool SameView(const TRedrawResult& kept, const TRedrawRequest& r) {
  return kept.View == r.View && kept.Picture.width() == r.Width && kept.Picture.height() == r.Height;
}
}  // namespace

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
  for (auto it = kept_.begin(); it != kept_.end(); ++it) {
    if (!SameView(*it, request)) continue;
    next_.reset();
    if (running_) cancel_ = true;
    TRedrawResult kept = *it;  // a copy: the window takes the picks it is given
    kept_.erase(it);
    kept_.push_front(kept);
    if (OnDone) OnDone(kept);
    return;
  }
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
  kept_.clear();
  if (running_) cancel_ = true;
}

void TViewRedrawer::Keep(const TRedrawResult& result) {
  kept_.push_front(result);
  if (kept_.size() > kKeptPictures) kept_.pop_back();
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
  if (!result.Complete) return;
  Keep(result);
  if (startedGeneration_ == generation_ && OnDone) OnDone(result);
}

}  // namespace marloq
