// The main window's USB link: the HID component and the transfer's handlers wired to
// Button_CNC, DevListBox, the editor and the progress bar.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "hid/hid_device_controller.h"
#include "simulation/program_text.h"
#include "transfer/latin1_text.h"
#include "window/main_window.h"
#include "window/program_editor.h"

namespace marloq {

void TForm1::CreateLink(THidPlatform& platform) {
  try {
    HID = std::make_unique<THidDeviceController>(platform, nullptr);
  } catch (const EControllerError& e) {
    // Another window holds the link; this one works without it.
    Button_CNC->setToolTip(QString::fromLatin1(e.what()));
    return;
  }
  transfer_ = std::make_unique<TProgramTransfer>(*HID, *this);
  transfer_->BindHandlers();
  HID->Loaded();
}

// Shown counts as activated too: without a window manager a window may never be
// activated, and the controller's own first scan must not come before this.
void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shownOnce_) FormFirstShown();
  FormActivate();
}

bool TForm1::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QWidget::event(event);
}

void TForm1::FormActivate() {
  if (transfer_) transfer_->HID_Open();
}

void TForm1::FormClose() {
  if (transfer_) transfer_->HID_Close();
}

void TForm1::Button_CNCClick() {
  if (!transfer_) return;
  bool resume = false;
  if (!transfer_->Transferring() && transfer_->ResumeLine() >= 0 && !AskResume(resume)) return;
  if (resume) transfer_->Resume();
  else transfer_->Button_CNCClick();
  if (closeRequested_ && !transfer_->Transferring() && !running_) close();
}

// After a failed transfer: resume at the failed line, send everything again, or
// nothing (false).
bool TForm1::AskResume(bool& resume) {
  const int line = transfer_->ResumeLine() + 1, lines = transfer_->ResumeLines() - 1;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Marloq"),
                  QStringLiteral("The last transfer stopped at line %1 of %2.\n"
                                 "Resume from line %1, or send the whole program again?")
                      .arg(line)
                      .arg(lines),
                  QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("ResumeQuestion"));
  QPushButton* resumeButton = box.addButton(QStringLiteral("Resume from line %1").arg(line), QMessageBox::AcceptRole);
  QPushButton* againButton = box.addButton(QStringLiteral("Send all again"), QMessageBox::ResetRole);
  box.setDefaultButton(resumeButton);
  box.exec();
  resume = box.clickedButton() == resumeButton;
  return resume || box.clickedButton() == againButton;
}

void TForm1::DevListBoxClick() {
  if (transfer_) transfer_->DevListBoxClick(DevListBox->currentRow());
}

std::vector<std::string> TForm1::EditorLines() const {
  return SplitEditorLines(ToLatin1(Memo1->toPlainText()));
}

// As a new last line of the editor: after the text's last line break, which it then
// ends with. An error is scrolled into view; answers leave the view on the line sent.
void TForm1::AppendEditorLine(std::string_view text, TAppended kind) {
  QTextCursor end(Memo1->document());
  end.movePosition(QTextCursor::End);
  QString insert = FromLatin1(text) + QLatin1Char('\n');
  // Only the last block is looked at: a long program must not be copied per answer.
  if (!Memo1->document()->lastBlock().text().isEmpty()) insert.prepend(QLatin1Char('\n'));
  end.insertText(insert);
  if (kind == TAppended::Error) Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TForm1::SetButtonCncEnabled(bool enabled) { Button_CNC->setEnabled(enabled); }
void TForm1::SetButtonCncCaption(std::string_view caption) { Button_CNC->setText(FromLatin1(caption)); }

void TForm1::ShowDevListBox(const std::vector<std::string>& items, int selected) {
  const QSignalBlocker quiet(DevListBox);
  DevListBox->clear();
  for (const std::string& item : items) DevListBox->addItem(FromLatin1(item));
  DevListBox->setCurrentRow(selected);
}

void TForm1::ShowTransferProgress(int line, int lines) {
  ProgressBar1->setVisible(lines > 0);
  TimeRow->setVisible(lines <= 0);
  if (lines <= 0) return;
  HideTransferNote();
  ProgressBar1->setRange(0, lines);
  ProgressBar1->setValue(line);
  Memo1->ShowRunLine(line - 1);
}

// In the place of the progress, widened over Label1: the reason, its numbers included,
// is longer than the place under the four buttons. Until the next transfer or DRAW.
void TForm1::ShowTransferFailure(std::string_view reason) {
  TransferNote->setText(FromLatin1(reason));
  TransferNote->setToolTip(TransferNote->text());
  TimeRow->hide();
  Label1->hide();
  TransferNote->show();
}

void TForm1::HideTransferNote() {
  if (TransferNote->isHidden()) return;
  TransferNote->hide();
  Label1->show();
  TimeRow->setVisible(ProgressBar1->isHidden() && DrawProgress->isHidden());
}

}  // namespace marloq
