// Side note: a short label left of another one in the control row, shown only together
// with it, so that whatever takes that label's place for a while hides both.
#pragma once

#include <QLabel>

namespace marloq {

class TSideNote : public QLabel {
 public:
  TSideNote(const QString& text, QWidget* beside, QWidget* parent);

  // Shown while `on` and whenever the label beside it is shown.
  void Say(bool on);
  bool Saying() const { return on_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void Fit();

  QString text_;  // whole; shown cut short with an ellipsis where the label beside begins
  QWidget* beside_;
  bool on_ = false;
};

}  // namespace marloq
