// The main window's status bar: the mouse over the drawing in mm, the line a run is at,
// and how the last DRAW ended with where it left the tool.
#include <QLabel>
#include <QStatusBar>

#include "window/main_window.h"
#include "window/canvas_widget.h"
#include "window/status_texts.h"

namespace marloq {

void TForm1::CreateStatusBar() {
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(true);
  StatusText = new QLabel(StatusBar1);
  StatusText->setObjectName(QStringLiteral("StatusText"));
  StatusBar1->addWidget(StatusText, 1);
  MousePosition = new QLabel(StatusBar1);
  MousePosition->setObjectName(QStringLiteral("MousePosition"));
  MousePosition->setToolTip(QStringLiteral("The point under the mouse, in mm"));
  QFont fixed = MousePosition->font();
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setFamily(QStringLiteral("Monospace"));
  MousePosition->setFont(fixed);  // the numbers keep their place as they change
  StatusBar1->addPermanentWidget(MousePosition);
  Image1->OnMouseLeave = [this] { MousePosition->clear(); };
}

// During a run, with the editor's mark: only when the line changes.
void TForm1::ShowRunStatus() {
  const int32_t line = sim_->Trace.Recording ? sim_->Trace.CurrentLine : -1;
  if (line == statusLine_) return;
  statusLine_ = line;
  StatusText->setText(RunLineText(line));
}

void TForm1::ShowRunEndStatus(const std::string& logError) {
  StatusText->setText(RunEndText(*sim_, logError));
  StatusText->setToolTip(StatusText->text());
}

}  // namespace marloq
