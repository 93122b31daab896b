// The program check's findings in the editor: a wavy underline under each word, a bar
// in the margin's left edge on each line, tooltips with the messages, F8's walk. Only
// the lines in view are looked at, by a search in the findings sorted by line.
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>

#include "window/program_editor.h"

namespace marloq {

namespace {

constexpr int kMarginBarWidth = 3;

// Findings on editor line `line` (0-based): a range of the sorted vector.
std::pair<const TFinding*, const TFinding*> OnLine(const std::vector<TFinding>& f, int line) {
  const auto less = [](const TFinding& a, const TFinding& b) { return a.Line < b.Line; };
  TFinding key;
  key.Line = line + 1;
  const auto [from, to] = std::equal_range(f.begin(), f.end(), key, less);
  return {f.data() + (from - f.begin()), f.data() + (to - f.begin())};
}

}  // namespace

void TProgramEditor::SetFindings(std::vector<TFinding> findings) {
  findings_ = std::move(findings);
  viewport()->update();
  margin_->update();
}

void TProgramEditor::PaintFindings() {
  if (findings_.empty()) return;
  QPainter p(viewport());
  p.setPen(QPen(kFindingMark, 1));
  p.setRenderHint(QPainter::Antialiasing);
  const int bottom = viewport()->height();
  QTextBlock block = firstVisibleBlock();
  const QPointF offset = contentOffset();
  for (; block.isValid(); block = block.next()) {
    const QRectF r = blockBoundingGeometry(block).translated(offset);
    if (r.top() > bottom) break;
    const auto [from, to] = OnLine(findings_, block.blockNumber());
    const QTextLayout* layout = block.layout();
    if (from == to || !layout || layout->lineCount() == 0) continue;
    for (const TFinding* f = from; f != to; ++f) {
      // Columns count bytes, and the editor holds one character per byte.
      const int begin = std::min(f->Column - 1, block.length() - 1);
      const int end = std::max(begin + 1, std::min(f->Column - 1 + f->Length, block.length() - 1));
      const QTextLine line = layout->lineForTextPosition(begin);
      if (!line.isValid()) continue;
      const qreal x0 = r.left() + line.cursorToX(begin), x1 = r.left() + line.cursorToX(end);
      const qreal y = r.top() + line.y() + line.ascent() + 2;
      QPainterPath wave;
      wave.moveTo(x0, y);
      for (qreal x = x0; x < qMax(x1, x0 + 4); x += 2) wave.lineTo(x + 2, y + ((int(x - x0) / 2) % 2 ? -1.5 : 1.5));
      p.drawPath(wave);
    }
  }
}

void TProgramEditor::PaintFindingMarks(QPainter& p, int line, int top, int height) const {
  const auto [from, to] = OnLine(findings_, line);
  if (from != to) p.fillRect(0, top, kMarginBarWidth, height, kFindingMark);
}

// The messages of a line's findings; with a column, only those covering it.
QString TProgramEditor::FindingsText(int line, int column) const {
  const auto [from, to] = OnLine(findings_, line);
  QStringList messages;
  for (const TFinding* f = from; f != to; ++f)
    if (column < 0 || (column >= f->Column - 1 && column < f->Column - 1 + std::max(f->Length, 1)))
      messages << QString::fromStdString(f->Message) + QStringLiteral(" [") +
                      QString::fromLatin1(KindName(f->Kind).data(), KindName(f->Kind).size()) + QLatin1Char(']');
  return messages.join(QLatin1Char('\n'));
}

bool TProgramEditor::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip || findings_.empty()) return QPlainTextEdit::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QTextCursor c = cursorForPosition(help->pos());
  const QString text = FindingsText(c.blockNumber(), c.positionInBlock());
  if (text.isEmpty()) QToolTip::hideText();
  else QToolTip::showText(help->globalPos(), text, viewport());
  return true;
}

bool TProgramEditor::MarginToolTip(QEvent* event) {
  const auto* help = static_cast<QHelpEvent*>(event);
  const QTextCursor c = cursorForPosition(QPoint(0, help->pos().y()));
  const QString text = FindingsText(c.blockNumber(), -1);
  if (text.isEmpty()) QToolTip::hideText();
  else QToolTip::showText(help->globalPos(), text, margin_);
  return true;
}

bool TProgramEditor::GoToFinding(bool forward, QString* message) {
  if (findings_.empty()) return false;
  const QTextCursor cursor = textCursor();
  const int line = cursor.blockNumber() + 1, column = cursor.selectionStart() - cursor.block().position() + 1;
  const auto after = [&](const TFinding& f) { return f.Line > line || (f.Line == line && f.Column > column); };
  const auto before = [&](const TFinding& f) { return f.Line < line || (f.Line == line && f.Column < column); };
  const TFinding* target = nullptr;
  if (forward) {
    const auto it = std::find_if(findings_.begin(), findings_.end(), after);
    target = &*(it == findings_.end() ? findings_.begin() : it);
  } else {
    const auto it = std::find_if(findings_.rbegin(), findings_.rend(), before);
    target = &*(it == findings_.rend() ? findings_.rbegin() : it);
  }
  const QTextBlock block = document()->findBlockByNumber(target->Line - 1);
  if (!block.isValid()) return false;
  const int begin = std::min(target->Column - 1, block.length() - 1);
  QTextCursor c(block);
  c.setPosition(block.position() + std::min(begin + target->Length, block.length() - 1));
  c.setPosition(block.position() + begin, QTextCursor::KeepAnchor);
  if (!BlockInView(block)) CenterBlock(block);
  setTextCursor(c);
  if (message) *message = FindingsText(target->Line - 1, begin);
  return true;
}

}  // namespace marloq
