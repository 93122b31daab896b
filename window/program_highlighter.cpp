// The colours of the program text: read as the interpreter reads a line (comments from
// ';' or '%', blanks and '+' ignored, ',' as decimal mark), so what is grey is not run.
#include "window/program_highlighter.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextBlockUserData>
#include <string_view>

namespace marloq {

namespace {

// The run rewrites blocks holding these (tool_change.cpp); it compares them after the
// block text lost its blanks and went upper case, so the editor matches them the same way.
constexpr std::string_view kPlaceholders[] = {"G4?", "M06D?", "M06T?"};

bool IsLetter(char16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }
bool IsDecimalMark(char16_t c) { return c == '.' || c == ','; }
bool IsDropped(char16_t c) { return c <= ' ' || c == '+'; }
char16_t Upper(char16_t c) { return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 'a' + 'A') : c; }

// The length of the placeholder starting at start (blanks inside counted), or 0.
qsizetype PlaceholderAt(QStringView line, qsizetype start) {
  for (std::string_view p : kPlaceholders) {
    qsizetype i = start;
    size_t k = 0;
    while (k < p.size() && i < line.size()) {
      const char16_t c = line[i].unicode();
      if (Upper(c) == static_cast<char16_t>(p[k])) {
        ++k, ++i;
      } else if (k > 0 && IsDropped(c)) {
        ++i;
      } else {
        break;
      }
    }
    if (k == p.size()) return i - start;
  }
  return 0;
}

// The length of the number starting at start: an optional sign, digits with at most one
// decimal mark, and at least one digit; 0 if there is none.
qsizetype NumberAt(QStringView line, qsizetype start) {
  qsizetype i = start;
  if (i < line.size() && (line[i] == u'-' || line[i] == u'+')) ++i;
  bool digits = false, mark = false;
  for (; i < line.size(); ++i) {
    const char16_t c = line[i].unicode();
    if (IsDigit(c)) {
      digits = true;
    } else if (IsDecimalMark(c) && !mark) {
      mark = true;
    } else {
      break;
    }
  }
  return digits ? i - start : 0;
}

// Marks a line that went through highlightBlock. A mark rather than a block state:
// QSyntaxHighlighter goes on to the next line whenever a line's state changes.
class TColouredMark : public QTextBlockUserData {};

}  // namespace

std::vector<THighlightSpan> HighlightSpans(QStringView line) {
  std::vector<THighlightSpan> spans;
  qsizetype end = line.size();
  for (qsizetype i = 0; i < line.size(); ++i)
    if (line[i] == u';' || line[i] == u'%') {
      end = i;
      break;
    }
  const QStringView code = line.first(end);
  for (qsizetype i = 0; i < code.size();) {
    const char16_t c = code[i].unicode();
    if (IsLetter(c)) {
      if (const qsizetype n = PlaceholderAt(code, i)) {
        spans.push_back({static_cast<int>(i), static_cast<int>(n), THighlightKind::Placeholder});
        i += n;
      } else {
        spans.push_back({static_cast<int>(i), 1, THighlightKind::Letter});
        ++i;
      }
    } else if (const qsizetype n = NumberAt(code, i)) {
      spans.push_back({static_cast<int>(i), static_cast<int>(n), THighlightKind::Number});
      i += n;
    } else {
      ++i;
    }
  }
  if (end < line.size())
    spans.push_back({static_cast<int>(end), static_cast<int>(line.size() - end), THighlightKind::Comment});
  return spans;
}

TProgramHighlighter::TProgramHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  QTextCharFormat& letter = formats_[static_cast<int>(THighlightKind::Letter)];
  letter.setForeground(QColor(0x00, 0x00, 0x8b));
  letter.setFontWeight(QFont::Bold);
  formats_[static_cast<int>(THighlightKind::Number)].setForeground(QColor(0x00, 0x6d, 0x5b));
  QTextCharFormat& comment = formats_[static_cast<int>(THighlightKind::Comment)];
  comment.setForeground(QColor(0x80, 0x80, 0x80));
  comment.setFontItalic(true);
  QTextCharFormat& placeholder = formats_[static_cast<int>(THighlightKind::Placeholder)];
  placeholder.setForeground(QColor(0xb0, 0x00, 0xb0));
  placeholder.setBackground(QColor(0xff, 0xe4, 0xfa));
  placeholder.setFontWeight(QFont::Bold);
}

// No block state is ever set: a line's colours depend on that line alone, so an edit
// rehighlights only the edited line and never cascades down a long program.
void TProgramHighlighter::highlightBlock(const QString& text) {
  if (currentBlockUserData() == nullptr) setCurrentBlockUserData(new TColouredMark);
  for (const THighlightSpan& span : HighlightSpans(text))
    setFormat(span.Start, span.Length, formats_[static_cast<int>(span.Kind)]);
}

// QSyntaxHighlighter colours every line an edit touches from this connection, which its
// setDocument makes; for a program of millions of lines that is most of the load's time
// and a layout object per line.
void TProgramHighlighter::FollowEdits(bool follow) {
  if (follow)
    connect(document(), SIGNAL(contentsChange(int,int,int)), this, SLOT(_q_reformatBlocks(int,int,int)),
            Qt::UniqueConnection);
  else
    disconnect(document(), SIGNAL(contentsChange(int,int,int)), this, SLOT(_q_reformatBlocks(int,int,int)));
}

bool TProgramHighlighter::Coloured(const QTextBlock& block) { return block.userData() != nullptr; }

void TProgramHighlighter::Colour(const QTextBlock& block) {
  if (!Coloured(block)) rehighlightBlock(block);
}

}  // namespace marloq
