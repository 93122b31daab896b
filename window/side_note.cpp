// Side note: it follows the explicit show and hide of the label beside it, which is how
// the window swaps a progress bar or a failure note into that label's place, and gives
// way to it where the two would meet.
#include "window/side_note.h"

#include <QEvent>

namespace marloq {

namespace {

constexpr int kGap = 8;  // pixels between the note and the label beside it

}  // namespace

TSideNote::TSideNote(const QString& text, QWidget* beside, QWidget* parent)
    : QLabel(text, parent), text_(text), beside_(beside) {
  beside_->installEventFilter(this);
  hide();
}

void TSideNote::Fit() {
  const int room = beside_->x() - x() - kGap;
  const QString shown = fontMetrics().elidedText(text_, Qt::ElideRight, qMax(room, 0));
  if (shown != text()) setText(shown);
}

void TSideNote::moveEvent(QMoveEvent* event) {
  QLabel::moveEvent(event);
  Fit();
}

void TSideNote::Say(bool on) {
  on_ = on;
  setVisible(on_ && !beside_->isHidden());
}

bool TSideNote::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
      setVisible(on_ && event->type() == QEvent::ShowToParent);
      break;
    case QEvent::Move:
    case QEvent::Resize:
      Fit();
      break;
    default:
      break;
  }
  return false;
}

}  // namespace marloq
