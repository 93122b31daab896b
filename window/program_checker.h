// The program check behind the editor: a pause in typing starts a check of the text
// on a thread of its own; a newer text cancels the older check, and only the newest
// report reaches the window.
#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

#include "simulation/program_check.h"

namespace marloq {

class TProgramChecker : public QObject {
 public:
  // text: the program as the editor holds it now; choices: the drill and side the run
  // would take. done: the newest report, on the GUI thread.
  TProgramChecker(std::function<QString()> text, std::function<TCheckOptions()> choices,
                  std::function<void(const TCheckReport&)> done, QObject* parent = nullptr);
  ~TProgramChecker() override;

  // After an edit: the check starts once typing pauses, later for a long program.
  void Schedule();
  // At once, as after loading a file.
  void CheckNow();
  bool Checking() const { return checking_; }

 private:
  void Start();

  std::function<QString()> text_;
  std::function<TCheckOptions()> choices_;
  std::function<void(const TCheckReport&)> done_;
  QTimer pause_;
  QThreadPool pool_;  // one thread: a newer check waits for the cancelled one to end
  std::shared_ptr<std::atomic<bool>> cancel_;
  uint64_t generation_ = 0;
  int lastLength_ = 0;
  bool checking_ = false;
};

}  // namespace marloq
