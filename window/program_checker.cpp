// The program check behind the editor: the text is taken on the GUI thread (a copy of
// the document's characters), split and checked on the pool's thread, and the report
// comes back as a queued call that a newer check makes stale.
#include "window/program_checker.h"

#include <QByteArray>

#include "simulation/program_text.h"

namespace marloq {

namespace {

constexpr int kTypingPauseMs = 400;
// Taking the text of a long program costs the GUI thread a moment: wait for a longer
// pause, about 40 ms more per megabyte.
constexpr int kPauseMsPerMegabyte = 40;

}  // namespace

TProgramChecker::TProgramChecker(std::function<QString()> text, std::function<TCheckOptions()> choices,
                                 std::function<void(const TCheckReport&)> done, QObject* parent)
    : QObject(parent), text_(std::move(text)), choices_(std::move(choices)), done_(std::move(done)) {
  pause_.setSingleShot(true);
  connect(&pause_, &QTimer::timeout, this, [this] { Start(); });
  pool_.setMaxThreadCount(1);
}

TProgramChecker::~TProgramChecker() {
  if (cancel_) cancel_->store(true);
  pool_.waitForDone();
}

void TProgramChecker::Schedule() {
  pause_.start(kTypingPauseMs + kPauseMsPerMegabyte * (lastLength_ >> 20));
}

void TProgramChecker::CheckNow() {
  pause_.stop();
  Start();
}

void TProgramChecker::Start() {
  if (cancel_) cancel_->store(true);
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  QString text = text_();
  lastLength_ = static_cast<int>(text.size());
  TCheckOptions options = choices_();
  options.Cancel = cancel_.get();
  const uint64_t generation = ++generation_;
  checking_ = true;
  pool_.start([this, text = std::move(text), options, cancel = cancel_, generation]() mutable {
    const QByteArray bytes = text.toLatin1();  // one character, one byte, as DRAW reads it
    text = QString();
    auto report = std::make_shared<TCheckReport>(
        CheckProgram(SplitEditorLines(std::string_view(bytes.constData(), bytes.size())), options));
    if (cancel->load()) return;
    QMetaObject::invokeMethod(this, [this, report, generation] {
      if (generation != generation_) return;
      checking_ = false;
      done_(*report);
    }, Qt::QueuedConnection);
  });
}

}  // namespace marloq
