// The program editor: line numbers painted for the visible blocks only, a run-line mark
// kept apart from the text so that a run never touches the document or its undo, and
// the unrun last line dimmed over the painted text.
#include "window/program_editor.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <algorithm>
#include <utility>

#include "window/program_highlighter.h"

namespace marloq {

namespace {

const QColor kRunLineBackground(0xff, 0xf5, 0xb0);
const QColor kMarginBackground(0xee, 0xee, 0xee);
const QColor kMarginNumber(0x80, 0x80, 0x80);
constexpr int kUnrunWashAlpha = 160;  // of the background over the unrun line's text
constexpr int kMarginPadLeft = 4;
constexpr int kMarginPadRight = 6;
constexpr int kLeastShownChars = 12;  // of program text beside the line numbers
// A program goes into the document in pieces of about this many characters, so its text
// is never held twice over as a whole.
constexpr size_t kLoadPieceChars = 1 << 20;

int Digits(int n) {
  int digits = 1;
  for (; n >= 10; n /= 10) ++digits;
  return digits;
}

// Qt hears of a highlighted line as removed and added again, merged into the edit that
// caused it; QPlainTextDocumentLayout reads such a range as reaching into the next line
// and repaints the whole view on every keystroke. This layout handles the edit as the
// document reported it, then lays out again, one at a time, the few whole lines around
// it whose colours changed, so a keystroke repaints its own line only.
class TProgramLayout : public QPlainTextDocumentLayout {
 public:
  explicit TProgramLayout(QTextDocument* document) : QPlainTextDocumentLayout(document) {
    connect(document, &QTextDocument::contentsChange, this, [this](int from, int removed, int added) {
      edit_ = {from, removed, added};
    });
  }

 protected:
  void documentChanged(int from, int removed, int added) override {
    const TEdit edit = std::exchange(edit_, TEdit{});
    // Colours alone (a rehighlight outside an edit) may touch any number of lines far
    // from the view: Qt's lazy relayout of them all is the cheaper answer there.
    if (edit.From < 0 || (edit.From == from && edit.Removed == removed && edit.Added == added)) {
      Base(from, removed, added);
      return;
    }
    const QTextBlock firstBlock = document()->findBlock(edit.From);
    const QTextBlock lastBlock = document()->findBlock(qMax(0, edit.From + edit.Removed + edit.Added - 1));
    const int first = firstBlock.position(), end = lastBlock.position() + lastBlock.length();
    if (from > first || document()->findBlock(from).position() != from ||
        CountLines(from, first) + CountLines(end, from + added) > kMaxLines) {
      Base(from, removed, added);
      return;
    }
    Base(edit.From, edit.Removed, edit.Added);
    LayOutLines(from, first);
    LayOutLines(end, from + added);
  }

 private:
  struct TEdit {
    int From = -1, Removed = 0, Added = 0;
  };
  static constexpr int kMaxLines = 8;  // beyond, one full relayout is cheaper

  void Base(int from, int removed, int added) { QPlainTextDocumentLayout::documentChanged(from, removed, added); }

  // The number of lines starting in [begin, end), counted no further than kMaxLines + 1.
  int CountLines(int begin, int end) const {
    int n = 0;
    for (QTextBlock b = document()->findBlock(begin); b.isValid() && b.position() < end && n <= kMaxLines; b = b.next())
      ++n;
    return n;
  }

  // From a line's start to its separator is a change within that one line, the case
  // QPlainTextDocumentLayout lays out and repaints alone.
  void LayOutLines(int begin, int end) {
    for (QTextBlock b = document()->findBlock(begin); b.isValid() && b.position() < end; b = b.next())
      Base(b.position(), 0, b.length());
  }

  TEdit edit_;
};

// The bytes from `begin` up to a line end at or after `begin + kLoadPieceChars` (or to
// the end) as text, each line end as '\n'; returns where the next piece begins.
size_t LoadPiece(std::string_view bytes, size_t begin, QString& piece) {
  piece.resize(0);
  const size_t soft = std::min(bytes.size(), begin + kLoadPieceChars);
  size_t i = begin;
  while (i < bytes.size()) {
    const char c = bytes[i++];
    if (c != '\r' && c != '\n') {
      piece += QLatin1Char(c);
      continue;
    }
    if (c == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
    piece += QLatin1Char('\n');
    if (i >= soft) break;
  }
  return i;
}

QTextDocument* ProgramDocument(QObject* parent) {
  auto* doc = new QTextDocument(parent);
  doc->setDocumentLayout(new TProgramLayout(doc));
  return doc;
}

}  // namespace

class TLineNumberMargin : public QWidget {
 public:
  explicit TLineNumberMargin(TProgramEditor* editor) : QWidget(editor), editor_(editor) {}

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintMargin(event); }
  // Only tooltips go to the editor: other events still come while the editor is destroyed.
  bool event(QEvent* event) override {
    return event->type() == QEvent::ToolTip ? editor_->MarginToolTip(event) : QWidget::event(event);
  }

 private:
  TProgramEditor* editor_;
};

TProgramEditor::TProgramEditor(QWidget* parent)
    : QPlainTextEdit(parent), margin_(new TLineNumberMargin(this)) {
  setDocument(ProgramDocument(this));
  highlighter_ = new TProgramHighlighter(document());
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& r, int dy) { UpdateMargin(r, dy); });
  // The window loads files with this editor's signals blocked, updateRequest and
  // blockCountChanged among them; the document's and the scroll bar's still come.
  connect(document(), &QTextDocument::blockCountChanged, this, [this] {
    UpdateMarginWidth();
    margin_->update();
  });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, margin_, qOverload<>(&QWidget::update));
  connect(document(), &QTextDocument::contentsChange, this, [this] { FollowUnrunLine(); });
  UpdateMarginWidth();
}

TProgramEditor::~TProgramEditor() = default;

int TProgramEditor::MarginWidth() const {
  return kMarginPadLeft + kMarginPadRight +
         fontMetrics().horizontalAdvance(QLatin1Char('9')) * Digits(blockCount());
}

void TProgramEditor::UpdateMarginWidth() {
  const int width = MarginWidth();
  // setViewportMargins lays the viewport out again even when nothing changed.
  if (viewportMargins().left() != width) setViewportMargins(width, 0, 0, 0);
  // Never so narrow that a block's first words hide behind the line numbers.
  const int least = width + kLeastShownChars * fontMetrics().horizontalAdvance(QLatin1Char('X')) + 2 * frameWidth() +
                    verticalScrollBar()->sizeHint().width();
  if (minimumWidth() != least) setMinimumWidth(least);
  const QRect cr = contentsRect();
  margin_->setGeometry(cr.left(), cr.top(), width, cr.height());
}

void TProgramEditor::UpdateMargin(const QRect& rect, int dy) {
  if (dy != 0)
    margin_->scroll(0, dy);
  else
    margin_->update(0, rect.y(), margin_->width(), rect.height());
}

void TProgramEditor::LoadProgram(std::string_view bytes) {
  QTextDocument* doc = document();
  highlighter_->FollowEdits(false);
  doc->setUndoRedoEnabled(false);  // also forgets the previous text's history
  doc->clear();
  {
    QTextCursor end(doc);
    end.beginEditBlock();  // one layout pass for the whole text
    QString piece;
    for (size_t next = 0; next < bytes.size();) {
      next = LoadPiece(bytes, next, piece);
      end.insertText(piece);
    }
    end.endEditBlock();
  }
  doc->setUndoRedoEnabled(true);
  doc->setModified(false);
  highlighter_->FollowEdits(true);
  setTextCursor(QTextCursor(doc));
  margin_->update();
}

void TProgramEditor::resizeEvent(QResizeEvent* event) {
  // On a new width Qt lays out every line afresh, giving each a layout object: for lines
  // that never wrap the width changes nothing, and a long program would pay it per resize.
  if (lineWrapMode() == NoWrap && event->size().width() != event->oldSize().width()) {
    QResizeEvent sameWidth(event->size(), QSize(event->size().width(), event->oldSize().height()));
    QPlainTextEdit::resizeEvent(&sameWidth);
  } else {
    QPlainTextEdit::resizeEvent(event);
  }
  UpdateMarginWidth();
}

void TProgramEditor::paintEvent(QPaintEvent* event) {
  ColourShownLines();
  QPlainTextEdit::paintEvent(event);
  PaintFindings();
  DimUnrunLine();
}

QTextBlock TProgramEditor::UnrunBlock() const {
  QTextBlock last = document()->lastBlock();
  if (last.length() == 1 && last.previous().isValid()) last = last.previous();  // length counts the break
  return last.length() > 1 ? last : QTextBlock();
}

int TProgramEditor::UnrunLine() const {
  const QTextBlock block = UnrunBlock();
  return block.isValid() ? block.blockNumber() : -1;
}

// An edit repaints its own lines; when it moves the unrun line, the line that lost the
// dimming must be repainted too.
void TProgramEditor::FollowUnrunLine() {
  const int line = UnrunLine();
  if (line == unrunLine_) return;
  unrunLine_ = line;
  viewport()->update();
  margin_->update();
}

// A wash of the background over the text: still readable, but plainly apart.
void TProgramEditor::DimUnrunLine() {
  const QTextBlock block = UnrunBlock();
  if (!block.isValid() || !BlockNearView(block)) return;
  const QRectF r = blockBoundingGeometry(block).translated(contentOffset());
  QColor wash = palette().color(QPalette::Base);
  wash.setAlpha(kUnrunWashAlpha);
  QPainter(viewport()).fillRect(QRectF(0, r.top(), viewport()->width(), r.height()), wash);
}

// Lines loaded by LoadProgram get their colours here, when first shown; a line coloured
// now is painted again with them at once.
void TProgramEditor::ColourShownLines() {
  const QSignalBlocker quiet(this);  // new colours are no change of the text
  const int bottom = viewport()->height();
  QTextBlock block = firstVisibleBlock();
  qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
  for (; block.isValid() && top <= bottom; block = block.next()) {
    highlighter_->Colour(block);
    top += blockBoundingRect(block).height();
  }
}

void TProgramEditor::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateMarginWidth();
}

void TProgramEditor::PaintMargin(QPaintEvent* event) {
  QPainter p(margin_);
  p.fillRect(event->rect(), kMarginBackground);
  p.setFont(font());
  p.setPen(kMarginNumber);
  const int lineHeight = fontMetrics().height();
  const int numberWidth = margin_->width() - kMarginPadRight;
  const int runLine = runLine_ >= 0 ? runCursor_.blockNumber() : -1;
  const int unrunLine = UnrunLine();
  QTextBlock block = firstVisibleBlock();
  qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
  while (block.isValid() && top <= event->rect().bottom()) {
    const qreal bottom = top + blockBoundingRect(block).height();
    if (block.isVisible() && bottom >= event->rect().top()) {
      const int y = qRound(top);
      if (block.blockNumber() == runLine)
        p.fillRect(0, y, margin_->width(), qRound(bottom) - y, kRunLineBackground);
      if (block.blockNumber() == unrunLine)
        p.fillRect(0, y, margin_->width(), qRound(bottom) - y, QBrush(TProgramEditor::kUnrunMark, Qt::BDiagPattern));
      PaintFindingMarks(p, block.blockNumber(), y, qRound(bottom) - y);
      p.drawText(0, y, numberWidth, lineHeight, Qt::AlignRight, QString::number(block.blockNumber() + 1));
    }
    block = block.next();
    top = bottom;
  }
}

// blockBoundingGeometry walks block by block from the top of the view, so a block far
// away is ruled out by its number before any geometry is asked for.
bool TProgramEditor::BlockNearView(const QTextBlock& block) const {
  const int first = firstVisibleBlock().blockNumber();
  const int lines = viewport()->height() / qMax(1, fontMetrics().lineSpacing()) + 1;
  return block.blockNumber() >= first && block.blockNumber() <= first + lines;
}

bool TProgramEditor::BlockInView(const QTextBlock& block) const {
  if (!BlockNearView(block)) return false;
  const QRectF r = blockBoundingGeometry(block).translated(contentOffset());
  return r.top() >= 0 && r.bottom() <= viewport()->height();
}

// The vertical scroll bar counts layout lines, the same unit as firstLineNumber.
void TProgramEditor::CenterBlock(const QTextBlock& block) {
  const int lines = viewport()->height() / qMax(1, fontMetrics().lineSpacing());
  verticalScrollBar()->setValue(block.firstLineNumber() - (lines - block.lineCount()) / 2);
}

void TProgramEditor::ShowRunLine(int line) {
  // The run reports every block it executes; most reports repeat the line already shown.
  if (line == runLine_ && (line < 0 || runCursor_.blockNumber() == line)) return;
  const QTextBlock block = document()->findBlockByNumber(line);
  if (!block.isValid()) {
    runLine_ = -1;
    runCursor_ = QTextCursor();
    setExtraSelections({});
    return;
  }
  runLine_ = line;
  runCursor_ = QTextCursor(block);
  QTextEdit::ExtraSelection mark;
  mark.cursor = runCursor_;
  mark.format.setBackground(kRunLineBackground);
  mark.format.setProperty(QTextFormat::FullWidthSelection, true);
  setExtraSelections({mark});  // its old and new rows reach the margin by updateRequest
  if (!BlockInView(block)) CenterBlock(block);
}

void TProgramEditor::SelectLine(int line) {
  const QTextBlock block = document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  // Scrolled first: setTextCursor's own scrolling measures every block between the
  // view and the cursor, which for a line far away is most of the program.
  if (!BlockInView(block)) CenterBlock(block);
  // The cursor ends at the line's start, so a long line scrolls to its block letters.
  QTextCursor c(block);
  c.movePosition(QTextCursor::EndOfBlock);
  c.setPosition(block.position(), QTextCursor::KeepAnchor);
  setTextCursor(c);
}

}  // namespace marloq
