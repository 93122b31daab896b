// Share splitter: the drawing and the editor side by side, where the editor keeps its
// share of the width when the window grows or shrinks, as the user last left it.
#pragma once

#include <QList>
#include <QSplitter>

namespace marloq {

class TShareSplitter : public QSplitter {
 public:
  explicit TShareSplitter(QWidget* parent = nullptr);

  // The second widget's share of the widths, from 0 to 1; the widgets' least widths
  // still hold.
  void SetShare(double share);
  double Share() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();

  double share_ = 0.2;
  QList<int> laidOut_;  // the widths this splitter last gave; others come from the user
};

}  // namespace marloq
