// The colours of the program text: block letters, numbers, comments and the
// placeholders the run fills in, classified one line at a time.
#pragma once

#include <QSyntaxHighlighter>
#include <QStringView>
#include <QTextBlock>
#include <QTextCharFormat>
#include <vector>

namespace marloq {

enum class THighlightKind { Letter, Number, Comment, Placeholder };

struct THighlightSpan {
  int Start = 0;
  int Length = 0;
  THighlightKind Kind = THighlightKind::Letter;
  friend bool operator==(const THighlightSpan&, const THighlightSpan&) = default;
};

// The spans of one line, in order and without overlaps; characters in no span keep the
// editor's plain format.
std::vector<THighlightSpan> HighlightSpans(QStringView line);

class TProgramHighlighter : public QSyntaxHighlighter {
 public:
  explicit TProgramHighlighter(QTextDocument* document);

  // While false, text that goes in is not coloured (a whole program being loaded); its
  // lines wait for Colour, which the editor calls for the lines it shows.
  void FollowEdits(bool follow);
  // Colours the line unless it was coloured since it went in.
  void Colour(const QTextBlock& block);
  static bool Coloured(const QTextBlock& block);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QTextCharFormat formats_[4];  // by THighlightKind
};

}  // namespace marloq
