// The re-draws of the view on a worker thread: one at a time, the newest request wins,
// and its picture reaches the window on the GUI thread. The last few pictures are kept:
// a view seen before since the DRAW comes back at once.
#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <deque>
#include <functional>
#include <optional>
#include <thread>

#include "simulation/view_redraw.h"

namespace marloq {

class TViewRedrawer : public QObject {
 public:
  explicit TViewRedrawer(QObject* parent = nullptr);
  ~TViewRedrawer() override;

  // Called on the GUI thread with the picture of the newest request.
  std::function<void(TRedrawResult&)> OnDone;

  // Starts a re-draw; one still running is cancelled and its picture dropped.
  void Request(TRedrawRequest request);
  // Drops every re-draw asked for so far (a DRAW makes them stale), and every picture kept.
  void Cancel();
  // Keeps a picture of a view, as a re-draw of it would give it (a DRAW's own).
  void Keep(const TRedrawResult& result);
  bool Busy() const { return running_; }

 private:
  void Start(TRedrawRequest request);
  void Finished();

  std::thread worker_;
  std::atomic<bool> cancel_{false};
  // The worker's result, handed over through the join: the GUI thread looks for it a
  // few times per frame while a re-draw runs.
  TRedrawResult result_;
  std::atomic<bool> done_{false};
  QTimer poll_;
  uint64_t startedGeneration_ = 0;
  bool running_ = false;
  uint64_t generation_ = 0;  // of the newest request
  std::optional<TRedrawRequest> next_;
  std::deque<TRedrawResult> kept_;  // the latest first
};

}  // namespace marloq
