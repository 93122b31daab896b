// The program editor: the colour classes of a line as the interpreter reads it, and the
// run-line mark, line selection and line-number margin on a shown editor.
#include "window/program_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "window/program_highlighter.h"

namespace marloq {
namespace {

using K = THighlightKind;

struct THighlightCase {
  const char* Line;
  std::vector<THighlightSpan> Spans;
};

const THighlightCase kHighlightCases[] = {
    {"", {}},
    {"N10 G1 X-12,5 ;cut",
     {{0, 1, K::Letter}, {1, 2, K::Number}, {4, 1, K::Letter}, {5, 1, K::Number},
      {7, 1, K::Letter}, {8, 5, K::Number}, {14, 4, K::Comment}}},
    {"%", {{0, 1, K::Comment}}},
    {"; only a comment G1 X5", {{0, 22, K::Comment}}},
    {"G1 %rest ;more", {{0, 1, K::Letter}, {1, 1, K::Number}, {3, 11, K::Comment}}},
    {"M06T?", {{0, 5, K::Placeholder}}},
    {"m06d?", {{0, 5, K::Placeholder}}},
    {"N5 G4? X1", {{0, 1, K::Letter}, {1, 1, K::Number}, {3, 3, K::Placeholder},
                   {7, 1, K::Letter}, {8, 1, K::Number}}},
    // The run drops blanks before it looks for a placeholder.
    {"g 4 ?", {{0, 5, K::Placeholder}}},
    {"M06 T?", {{0, 6, K::Placeholder}}},
    // Near misses are plain words.
    {"G41?", {{0, 1, K::Letter}, {1, 2, K::Number}}},
    {"M06X?", {{0, 1, K::Letter}, {1, 2, K::Number}, {3, 1, K::Letter}}},
    {"G4 ;?", {{0, 1, K::Letter}, {1, 1, K::Number}, {3, 2, K::Comment}}},
    {"g1 x+3.25", {{0, 1, K::Letter}, {1, 1, K::Number}, {3, 1, K::Letter}, {4, 5, K::Number}}},
    {"G 1  X 7", {{0, 1, K::Letter}, {2, 1, K::Number}, {5, 1, K::Letter}, {7, 1, K::Number}}},
    {"X-.5 Y12.", {{0, 1, K::Letter}, {1, 3, K::Number}, {5, 1, K::Letter}, {6, 3, K::Number}}},
    // A second decimal mark starts a new number; a sign or mark alone is no number.
    {"X1.2.3", {{0, 1, K::Letter}, {1, 3, K::Number}, {4, 2, K::Number}}},
    {"X- Y.", {{0, 1, K::Letter}, {3, 1, K::Letter}}},
    {"\tG0\r", {{1, 1, K::Letter}, {2, 1, K::Number}}},
};

TEST(ProgramEditorHighlight, SpansOfALine) {
  for (const THighlightCase& c : kHighlightCases) {
    const QString line = QString::fromLatin1(c.Line);
    const std::vector<THighlightSpan> spans = HighlightSpans(line);
    EXPECT_EQ(spans, c.Spans) << '"' << c.Line << '"';
  }
}

TEST(ProgramEditorHighlight, DocumentGetsTheFormatsOfItsSpans) {
  TProgramEditor editor;
  editor.setPlainText("G1 X5 ;c\nM06T?");
  const auto formatAt = [&](int blockNumber, int column) {
    const QTextBlock block = editor.document()->findBlockByNumber(blockNumber);
    for (const QTextLayout::FormatRange& r : block.layout()->formats())
      if (column >= r.start && column < r.start + r.length) return r.format;
    return QTextCharFormat();
  };
  EXPECT_EQ(formatAt(0, 0).fontWeight(), QFont::Bold);
  EXPECT_NE(formatAt(0, 0).foreground(), formatAt(0, 4).foreground());
  EXPECT_TRUE(formatAt(0, 7).fontItalic());
  EXPECT_FALSE(formatAt(0, 2).hasProperty(QTextFormat::ForegroundBrush));  // the blank
  EXPECT_TRUE(formatAt(1, 4).hasProperty(QTextFormat::BackgroundBrush));
}

QString Lines(int n) {
  QStringList text;
  for (int i = 0; i < n; ++i) text << QStringLiteral("N%1 G1 X12.5 Y-3 ;c").arg(i);
  return text.join(u'\n');
}

std::unique_ptr<TProgramEditor> ShownEditor(int lines) {
  auto editor = std::make_unique<TProgramEditor>();
  editor->setPlainText(Lines(lines));
  editor->resize(300, 400);
  editor->show();
  QApplication::processEvents();
  return editor;
}

bool BlockInViewport(const TProgramEditor& editor, int line) {
  const QTextCursor start(editor.document()->findBlockByNumber(line));
  return editor.cursorRect(start).intersects(editor.viewport()->rect());
}

TEST(ProgramEditor, RunLineLeavesTextCursorAndUndoAlone) {
  auto editor = ShownEditor(50);
  QTextCursor c = editor->textCursor();
  c.setPosition(7);
  editor->setTextCursor(c);
  for (const int line : {3, 40, 0, -1, 49, 999}) {
    editor->ShowRunLine(line);
    EXPECT_FALSE(editor->document()->isModified()) << line;
    EXPECT_FALSE(editor->document()->isUndoAvailable()) << line;
    EXPECT_EQ(editor->textCursor().position(), 7) << line;
    EXPECT_FALSE(editor->textCursor().hasSelection()) << line;
  }
  EXPECT_EQ(editor->toPlainText().count(u'\n'), 49);
}

TEST(ProgramEditor, RunLineIsMarkedAcrossTheWholeWidthAndClearedByMinusOne) {
  auto editor = ShownEditor(20);
  editor->ShowRunLine(5);
  ASSERT_EQ(editor->extraSelections().size(), 1);
  const QTextEdit::ExtraSelection mark = editor->extraSelections().front();
  EXPECT_EQ(mark.cursor.blockNumber(), 5);
  EXPECT_TRUE(mark.format.property(QTextFormat::FullWidthSelection).toBool());
  EXPECT_EQ(editor->RunLine(), 5);
  editor->ShowRunLine(-1);
  EXPECT_TRUE(editor->extraSelections().isEmpty());
  EXPECT_EQ(editor->RunLine(), -1);
  editor->ShowRunLine(25);  // past the end: nothing to mark
  EXPECT_TRUE(editor->extraSelections().isEmpty());
  EXPECT_EQ(editor->RunLine(), -1);
}

TEST(ProgramEditor, RunLineScrollsOnlyWhenOutsideTheView) {
  auto editor = ShownEditor(2000);
  QScrollBar* bar = editor->verticalScrollBar();
  editor->ShowRunLine(3);
  EXPECT_EQ(bar->value(), 0);  // already visible
  for (const int line : {1500, 1999, 700, 0}) {
    editor->ShowRunLine(line);
    QApplication::processEvents();
    EXPECT_TRUE(BlockInViewport(*editor, line)) << line;
  }
  // A jump brings the line to about the middle, so the next lines need no scrolling.
  editor->ShowRunLine(1200);
  const int value = bar->value();
  EXPECT_GT(1200, value + 3);
  editor->ShowRunLine(1203);
  EXPECT_EQ(bar->value(), value);
}

TEST(ProgramEditor, RunLineFollowsItsTextWhenLinesAreInsertedAbove) {
  auto editor = ShownEditor(20);
  editor->ShowRunLine(5);
  QTextCursor(editor->document()).insertText("N0\n");
  EXPECT_EQ(editor->extraSelections().front().cursor.blockNumber(), 6);
  editor->ShowRunLine(5);  // the same number, now another line: marked again
  EXPECT_EQ(editor->extraSelections().front().cursor.blockNumber(), 5);
}

TEST(ProgramEditor, SelectLineSelectsTheLineWithoutItsBreak) {
  auto editor = ShownEditor(2000);
  for (const int line : {0, 17, 1999, 1000}) {
    editor->SelectLine(line);
    const QTextBlock block = editor->document()->findBlockByNumber(line);
    const QTextCursor c = editor->textCursor();
    EXPECT_EQ(c.selectionStart(), block.position()) << line;
    EXPECT_EQ(c.selectionEnd(), block.position() + block.length() - 1) << line;
    EXPECT_EQ(c.selectedText(), block.text()) << line;
    QApplication::processEvents();
    EXPECT_TRUE(BlockInViewport(*editor, line)) << line;
  }
  EXPECT_FALSE(editor->document()->isModified());
}

// What the window shows, read back from its backing store: a line left unpainted after
// an edit shows here, where grab() would paint the widget afresh.
QImage OnScreen(QWidget& w) { return w.screen()->grabWindow(w.winId()).toImage(); }

// Read-only, so that no blinking text cursor tells two pictures apart.
void ShowForPictureAt(TProgramEditor& e, int x) {
  e.setReadOnly(true);
  e.setGeometry(x, 0, 300, 420);
  e.show();
}

struct TEditCase {
  const char* Name;
  std::function<void(QTextDocument&)> Edit;
};

void Replace(QTextDocument& doc, int from, int to, const char* text) {
  QTextCursor c(&doc);
  c.setPosition(from);
  c.setPosition(to, QTextCursor::KeepAnchor);
  c.insertText(QString::fromLatin1(text));
}

int LineStart(QTextDocument& doc, int line) { return doc.findBlockByNumber(line).position(); }

// Edits that change the colours of their own line, join, split or replace lines; each
// must leave the screen as a freshly loaded editor shows the same text.
const TEditCase kEditCases[] = {
    {"type a digit", [](QTextDocument& d) { Replace(d, LineStart(d, 5) + 3, LineStart(d, 5) + 3, "7"); }},
    {"delete it again", [](QTextDocument& d) { Replace(d, LineStart(d, 5) + 3, LineStart(d, 5) + 4, ""); }},
    {"comment a line out", [](QTextDocument& d) { Replace(d, LineStart(d, 6), LineStart(d, 6), ";"); }},
    {"and in again", [](QTextDocument& d) { Replace(d, LineStart(d, 6), LineStart(d, 6) + 1, ""); }},
    {"split a line", [](QTextDocument& d) { Replace(d, LineStart(d, 7) + 7, LineStart(d, 7) + 7, "\n"); }},
    {"join two lines", [](QTextDocument& d) { Replace(d, LineStart(d, 9) - 1, LineStart(d, 9), ""); }},
    {"paste over three lines",
     [](QTextDocument& d) { Replace(d, LineStart(d, 2) + 4, LineStart(d, 4) + 9, "G0 X1\nM06T?\n%"); }},
    {"a line without words", [](QTextDocument& d) { Replace(d, LineStart(d, 11), LineStart(d, 12) - 1, "????"); }},
    // ";c", break, "?" becomes ";c?", break: the new text ends with line 10, yet line 11
    // lost a character, and no colour of it changed to show that.
    {"move a line break", [](QTextDocument& d) { Replace(d, LineStart(d, 11) - 3, LineStart(d, 11) + 1, ";c?\n"); }},
    // A final line break adds no line; typed after it, a new last line takes the dimming
    // from the line above, which this edit does not touch.
    {"a final line break", [](QTextDocument& d) { Replace(d, d.characterCount() - 1, d.characterCount() - 1, "\n"); }},
    {"a new last line", [](QTextDocument& d) { Replace(d, d.characterCount() - 1, d.characterCount() - 1, "N9"); }},
    {"undo all", [](QTextDocument& d) { while (d.isUndoAvailable()) d.undo(); }},
};

TEST(ProgramEditor, EditsLeaveTheScreenAsAFreshEditorShowsIt) {
  TProgramEditor edited;
  edited.setPlainText(Lines(30));
  ShowForPictureAt(edited, 0);
  QApplication::processEvents();
  for (const TEditCase& c : kEditCases) {
    c.Edit(*edited.document());
    QApplication::processEvents();
    TProgramEditor fresh;
    fresh.setPlainText(edited.toPlainText());
    ShowForPictureAt(fresh, 400);
    QApplication::processEvents();
    EXPECT_TRUE(OnScreen(edited) == OnScreen(fresh)) << c.Name;
  }
  EXPECT_EQ(edited.toPlainText(), Lines(30));
}

// The last line, which no run reads, shows dimmed and marked in the margin while it is
// not empty; a final line break adds no line of its own.
TEST(ProgramEditor, LastLineThatNoRunReadsIsDimmed) {
  const struct {
    const char* Text;
    int Unrun;
  } kCases[] = {{"G1\nM30", 1}, {"G1\nM30\n", 1}, {"G1\n \n", 1}, {"G1\nM30\n\n", -1}, {"", -1}, {"\n", -1}};
  for (const auto& c : kCases) {
    TProgramEditor editor;
    editor.setPlainText(QString::fromLatin1(c.Text));
    EXPECT_EQ(editor.UnrunLine(), c.Unrun) << c.Text;
  }
  TProgramEditor editor;
  editor.setPlainText("N10 G1 X1\nN10 G1 X1\n");
  ShowForPictureAt(editor, 0);
  QApplication::processEvents();
  const QImage shot = OnScreen(editor);
  const auto row = [&](int line, int left, int width) {  // the line's row, numbers aside
    const QRect r = editor.cursorRect(QTextCursor(editor.document()->findBlockByNumber(line)));
    return shot.copy(left, r.y() + editor.viewport()->y(), width, r.height());
  };
  const int margin = editor.viewport()->x();
  EXPECT_NE(row(0, margin, 200), row(1, margin, 200)) << "the same text, the last line dimmed";
  EXPECT_NE(row(0, 0, 4), row(1, 0, 4)) << "the last line marked in the margin";
}

// The window loads a file with the editor's signals blocked (loading is no edit): the
// margin must still follow the new line count and the scroll back to the top.
TEST(ProgramEditor, MarginFollowsTextLoadedWithSignalsBlocked) {
  TProgramEditor loaded;
  loaded.setPlainText(Lines(8));
  ShowForPictureAt(loaded, 0);
  QApplication::processEvents();
  for (const int lines : {2000, 30}) {
    loaded.ShowRunLine(lines * 3 / 4);  // scrolled down, then loaded over
    QApplication::processEvents();
    {
      const QSignalBlocker quiet(&loaded);
      loaded.setPlainText(Lines(lines));
    }
    loaded.ShowRunLine(-1);
    QApplication::processEvents();
    TProgramEditor fresh;
    fresh.setPlainText(Lines(lines));
    ShowForPictureAt(fresh, 400);
    QApplication::processEvents();
    EXPECT_EQ(loaded.viewport()->x(), fresh.viewport()->x()) << lines;
    EXPECT_TRUE(OnScreen(loaded) == OnScreen(fresh)) << lines;
  }
}

// A loaded program shows as the same text set whole shows, colours included, though
// only the lines in view are coloured; scrolling colours the lines it brings into view.
TEST(ProgramEditor, ALoadedProgramIsColouredWhereItIsShown) {
  const struct {
    std::string Bytes;
    QString Text;
  } kLineEnds[] = {
      {"", ""}, {"G1\r\nG2\rG3\nG4", "G1\nG2\nG3\nG4"}, {"G1\r\n", "G1\n"}, {"\r\r\n\n\xe4\t", "\n\n\n\u00e4\t"}};
  for (const auto& c : kLineEnds) {
    TProgramEditor editor;
    editor.LoadProgram(c.Bytes);
    EXPECT_EQ(editor.toPlainText(), c.Text) << c.Bytes;
  }
  constexpr int kLines = 20'000;
  std::string bytes;
  for (int i = 0; i < kLines; ++i) bytes += "N" + std::to_string(i) + " G1 X12.5 Y-3 ;c\r\n";
  TProgramEditor loaded, whole;
  loaded.setLineWrapMode(QPlainTextEdit::NoWrap);
  whole.setLineWrapMode(QPlainTextEdit::NoWrap);
  loaded.LoadProgram(bytes);
  whole.setPlainText(loaded.toPlainText());
  EXPECT_FALSE(loaded.document()->isModified());
  EXPECT_FALSE(loaded.document()->isUndoAvailable());
  ShowForPictureAt(loaded, 0);
  ShowForPictureAt(whole, 400);
  for (const int line : {0, kLines - 5}) {
    loaded.ShowRunLine(line);
    whole.ShowRunLine(line);
    QApplication::processEvents();
    EXPECT_TRUE(TProgramHighlighter::Coloured(loaded.document()->findBlockByNumber(line))) << line;
    EXPECT_FALSE(TProgramHighlighter::Coloured(loaded.document()->findBlockByNumber(kLines / 2))) << line;
    EXPECT_TRUE(OnScreen(loaded) == OnScreen(whole)) << line;
  }
}

// The region the viewport repaints, from its paint events.
class TPaintedRegion : public QObject {
 public:
  QRegion Region;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) Region += static_cast<QPaintEvent*>(event)->region();
    return false;
  }
};

// Highlighting a line must not turn a keystroke into a repaint of the whole view.
TEST(ProgramEditor, TypingRepaintsTheEditedLineOnly) {
  auto editor = ShownEditor(60);
  QTextCursor c(editor->document()->findBlockByNumber(8));
  c.movePosition(QTextCursor::EndOfWord);
  editor->setTextCursor(c);
  QApplication::processEvents();
  const int lineHeight = editor->cursorRect().height();
  TPaintedRegion painted;
  editor->viewport()->installEventFilter(&painted);
  for (const auto& [key, text] : {std::pair{Qt::Key_7, "7"}, std::pair{Qt::Key_Backspace, ""}}) {
    painted.Region = QRegion();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString::fromLatin1(text));
    QApplication::sendEvent(editor.get(), &press);
    QApplication::processEvents();
    EXPECT_FALSE(painted.Region.isEmpty()) << key;
    EXPECT_LE(painted.Region.boundingRect().height(), 2 * lineHeight) << key;
  }
  EXPECT_EQ(editor->toPlainText(), Lines(60));
}

TEST(ProgramEditor, MarginWidensWithTheDigitsOfTheLineCount) {
  TProgramEditor editor;
  const auto widthFor = [&](int blocks) {
    editor.setPlainText(QString(blocks - 1, u'\n'));
    EXPECT_EQ(editor.blockCount(), blocks);
    return editor.viewport()->x();
  };
  EXPECT_EQ(widthFor(1), widthFor(9));
  EXPECT_LT(widthFor(9), widthFor(10));
  EXPECT_EQ(widthFor(10), widthFor(99));
  EXPECT_LT(widthFor(99), widthFor(100));
  EXPECT_LT(widthFor(100), widthFor(1000));
  EXPECT_GT(widthFor(100), widthFor(10));  // and narrows again
}

TEST(ProgramEditor, MarginFollowsTheFontTheCallerSets) {
  TProgramEditor editor;
  editor.setPlainText("G1\nG2");
  QFont small = editor.font();
  small.setPixelSize(8);
  editor.setFont(small);
  const int narrow = editor.viewport()->x();
  QFont large = small;
  large.setPixelSize(30);
  editor.setFont(large);
  EXPECT_GT(editor.viewport()->x(), narrow);
}

}  // namespace
}  // namespace marloq
