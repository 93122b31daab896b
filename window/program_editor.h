// The program editor (Memo1): the program text with its colours, line numbers in the
// left margin, the line the run is at, the line a click on the drawing points to, and
// the last line, which no run reads.
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <string_view>
#include <vector>

#include "simulation/program_check.h"

namespace marloq {

class TProgramHighlighter;

class TProgramEditor : public QPlainTextEdit {
 public:
  explicit TProgramEditor(QWidget* parent = nullptr);
  ~TProgramEditor() override;

  // Marks editor line `line` (0-based block number; -1 or a line past the end clears the
  // mark) and scrolls it to the middle if it is outside the view; leaves the text, its
  // cursor and its undo history alone.
  void ShowRunLine(int line);
  int RunLine() const { return runLine_; }
  // Selects the text of editor line `line` (0-based, without its line break) and shows it.
  void SelectLine(int line);

  // Replaces the text with a program file's bytes, one character each, its line ends
  // (CR LF, LF or CR) as line breaks: not an edit to undo, and the document is not
  // modified. Lines are coloured as they come into view, so a long program loads at the
  // pace of the document.
  void LoadProgram(std::string_view bytes);

  TProgramHighlighter* Highlighter() const { return highlighter_; }

  // The program check's findings, by line and column: each word underlined, its line
  // marked in the margin, its message the tooltip there. Kept until the next report.
  void SetFindings(std::vector<TFinding> findings);
  const std::vector<TFinding>& Findings() const { return findings_; }
  // Selects the next finding after the cursor (forward) or the last before it, going
  // round at the ends; false when there is none. Returns its message in `message`.
  bool GoToFinding(bool forward, QString* message = nullptr);
  static inline const QColor kFindingMark{0xd0, 0x60, 0x00};

  // The block number of the editor's last line, the one no run reads, while it is not
  // empty (it shows dimmed, marked in the margin); else -1. A final line break adds no
  // line of its own. Looks at the document's last two blocks only.
  int UnrunLine() const;
  static inline const QColor kUnrunMark{0xb0, 0x60, 0x20};  // the hatch of its margin mark

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  friend class TLineNumberMargin;
  int MarginWidth() const;
  void UpdateMarginWidth();
  void UpdateMargin(const QRect& rect, int dy);
  void PaintMargin(QPaintEvent* event);
  bool BlockNearView(const QTextBlock& block) const;
  bool BlockInView(const QTextBlock& block) const;
  void CenterBlock(const QTextBlock& block);
  void ColourShownLines();
  QTextBlock UnrunBlock() const;
  void FollowUnrunLine();
  void DimUnrunLine();
  void PaintFindings();
  void PaintFindingMarks(QPainter& p, int line, int top, int height) const;
  QString FindingsText(int line, int column) const;
  bool MarginToolTip(QEvent* event);

  TProgramHighlighter* highlighter_ = nullptr;
  QWidget* margin_;
  int runLine_ = -1;
  QTextCursor runCursor_;  // follows the run line's block through edits
  int unrunLine_ = -1;     // UnrunLine() as last painted
  std::vector<TFinding> findings_;
};

}  // namespace marloq
