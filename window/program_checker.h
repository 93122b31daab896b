// The program check behind the editor: a pause in typing starts a check of the text
// on a thread of its own; a newer text cancels the older check, and only the newest
// report reaches the window.
#pragma once

#include <QObject>
#include <QTextBlock>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "simulation/program_check.h"

class QTextDocument;

namespace marloq {

class TProgramChecker : public QObject {
 public:
  // document: the editor's; choices: the drill and side the run would take. done: the
  // newest report, on the GUI thread.
  TProgramChecker(QTextDocument* document, std::function<TCheckOptions()> choices,
                  std::function<void(const TCheckReport&)> done, QObject* parent = nullptr);
  ~TProgramChecker() override;

  // After an edit: the check starts once typing pauses, later for a long program.
  void Schedule();
  // At once, as after loading a file.
  void CheckNow();

  // The document's lines as DRAW reads them, taken whole (for tests).
  static std::vector<std::string> LinesOf(const QTextDocument& document);

 private:
  void StartTaking();
  void TakeSlice();
  void StartCheck();

  QTextDocument* document_;
  std::function<TCheckOptions()> choices_;
  std::function<void(const TCheckReport&)> done_;
  QTimer pause_, slice_;
  // The text is taken block by block in slices between events: a long program never
  // holds the GUI thread for more than a slice.
  QTextBlock next_;
  std::shared_ptr<std::vector<std::string>> lines_;
  QThreadPool pool_;  // one thread: a newer check waits for the cancelled one to end
  std::shared_ptr<std::atomic<bool>> cancel_;
  uint64_t generation_ = 0;
};

}  // namespace marloq
