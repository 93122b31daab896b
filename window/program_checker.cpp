// The program check behind the editor: the lines are taken from the document on the GUI
// thread in slices of a few milliseconds, each converted as DRAW converts the whole text
// (one byte per character); the check runs on the pool's thread, and its report comes
// back as a queued call that a newer check makes stale.
#include "window/program_checker.h"

#include <QElapsedTimer>
#include <QTextDocument>

namespace marloq {

namespace {

constexpr int kTypingPauseMs = 400;
// A long program's check is worth starting only after a longer pause: 40 ms more per
// 100,000 lines.
constexpr int kPauseMsPer100kLines = 40;
constexpr qint64 kSliceMs = 8;

// A block's text as the document's plain text gives it: a no-break space is a space,
// and a line or paragraph separator typed into the block ends a line.
void AppendLines(const QTextBlock& block, std::vector<std::string>& lines) {
  QString text = block.text();
  text.replace(QChar::Nbsp, QLatin1Char(' '));
  qsizetype from = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != QChar::LineSeparator && text[i] != QChar::ParagraphSeparator) continue;
    const QByteArray bytes = text.mid(from, i - from).toLatin1();
    lines.emplace_back(bytes.constData(), bytes.size());
    from = i + 1;
  }
}

// The text ends with a line break when its last block is empty: that makes no line,
// and an empty text none at all.
void DropFinalBreak(std::vector<std::string>& lines, const QTextDocument& document) {
  if (!lines.empty() && lines.back().empty() && document.lastBlock().length() == 1) lines.pop_back();
}

}  // namespace

TProgramChecker::TProgramChecker(QTextDocument* document, std::function<TCheckOptions()> choices,
                                 std::function<void(const TCheckReport&)> done, QObject* parent)
    : QObject(parent), document_(document), choices_(std::move(choices)), done_(std::move(done)) {
  pause_.setSingleShot(true);
  connect(&pause_, &QTimer::timeout, this, [this] { StartTaking(); });
  slice_.setSingleShot(true);
  connect(&slice_, &QTimer::timeout, this, [this] { TakeSlice(); });
  // Text put in without the editor's signals (a load, a transfer's lines) is an edit too;
  // colours change no length, and typing is heard through the editor.
  connect(document_, &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
    if (removed != added) Schedule();
  });
  pool_.setMaxThreadCount(1);
}

TProgramChecker::~TProgramChecker() {
  if (cancel_) cancel_->store(true);
  pool_.waitForDone();
}

std::vector<std::string> TProgramChecker::LinesOf(const QTextDocument& document) {
  std::vector<std::string> lines;
  for (QTextBlock b = document.firstBlock(); b.isValid(); b = b.next()) AppendLines(b, lines);
  DropFinalBreak(lines, document);
  return lines;
}

void TProgramChecker::Schedule() {
  slice_.stop();  // the blocks being taken may be gone
  lines_.reset();
  pause_.start(kTypingPauseMs + kPauseMsPer100kLines * (document_->blockCount() / 100'000));
}

void TProgramChecker::CheckNow() {
  pause_.stop();
  StartTaking();
}

void TProgramChecker::StartTaking() {
  lines_ = std::make_shared<std::vector<std::string>>();
  lines_->reserve(static_cast<size_t>(document_->blockCount()));
  next_ = document_->firstBlock();
  TakeSlice();
}

void TProgramChecker::TakeSlice() {
  QElapsedTimer clock;
  clock.start();
  for (int n = 1; next_.isValid(); next_ = next_.next(), ++n) {
    AppendLines(next_, *lines_);
    if (n % 1024 == 0 && clock.elapsed() >= kSliceMs) {
      next_ = next_.next();
      slice_.start(0);
      return;
    }
  }
  DropFinalBreak(*lines_, *document_);
  StartCheck();
}

void TProgramChecker::StartCheck() {
  if (cancel_) cancel_->store(true);
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  TCheckOptions options = choices_();
  options.Cancel = cancel_.get();
  const uint64_t generation = ++generation_;
  pool_.start([this, lines = std::move(lines_), options, cancel = cancel_, generation] {
    auto report = std::make_shared<TCheckReport>(CheckProgram(*lines, options));
    if (cancel->load()) return;
    QMetaObject::invokeMethod(this, [this, report, generation] {
      if (generation == generation_) done_(*report);
    }, Qt::QueuedConnection);
  });
}

}  // namespace marloq
