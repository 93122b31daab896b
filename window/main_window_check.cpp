// The main window's program check: the checker fed with the editor's text and the
// window's choices, its findings shown in the editor and counted in the status bar.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTextDocument>

#include "simulation/program_check.h"
#include "window/main_window.h"
#include "window/program_checker.h"
#include "window/program_editor.h"

namespace marloq {

void TForm1::CreateChecker() {
  FindingsCount = new QLabel(StatusBar1);
  FindingsCount->setObjectName(QStringLiteral("FindingsCount"));
  FindingsCount->setToolTip(QStringLiteral(
      "Places where the program runs differently from how it reads; F8 and Shift+F8 go to them"));
  StatusBar1->addPermanentWidget(FindingsCount);
  checker_ = std::make_unique<TProgramChecker>(
      Memo1->document(),
      [this] {
        TCheckOptions o;
        o.Drill = DrEditText();
        o.Side = ComboBox1Index();
        return o;
      },
      [this](const TCheckReport& report) { ShowFindings(report); });
}

void TForm1::ShowFindings(const TCheckReport& report) {
  Memo1->SetFindings(report.Findings);
  const uint64_t n = report.Total;
  FindingsCount->setText(n == 0   ? QStringLiteral("no findings")
                         : n == 1 ? QStringLiteral("1 finding (F8)")
                                  : QStringLiteral("%1 findings (F8)").arg(n));
}

void TForm1::GoToFinding(bool forward) {
  QString message;
  if (Memo1->GoToFinding(forward, &message)) StatusText->setText(message);
  else StatusText->setText(QStringLiteral("no findings"));
}

}  // namespace marloq
