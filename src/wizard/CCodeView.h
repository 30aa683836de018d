#pragma once
// The read-only view of the code viewer: shows an HTML file written by MCode2HTML (its
// text, the colours of its font tags and its procedure rules) in a plain-text editor.
// A general HTML view lays out a whole generated class of thousands of procedures far too
// slowly; this view reads the same file but understands only that markup, lays out lazily
// and stays quick for classes of many megabytes.
//
// Markup it reads: "<pre>", "</pre>", "<font color="#rrggbb">" and "</font>" (nested as
// written; a stray "</font>" is ignored), "<HR .../>" (a line break with a rule under the
// line), "&amp;", "&lt;", "&gt;" and "&quot;"; CR LF is a line break. Any other text is
// shown as it stands.

#include <QColor>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QString>
#include <vector>

namespace pf::wizard {

class CCodeView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CCodeView(QWidget* parent = nullptr);
  ~CCodeView() override;

  // Shows the HTML text (UTF-8). Replaces what was shown.
  void SetHtml(const std::string& Html);
  // Shows the HTML file; throws AppError naming the path when it cannot be read.
  void LoadFile(const std::string& Path);

  // What is shown, for tests: the colour of the character at a position of the text
  // as it is drawn (the default text colour when it has none), and the numbers of the
  // lines that have a rule under them.
  QColor ColorAt(int Position) const;
  std::vector<int> RuleLines() const;

  // One coloured stretch of a line.
  struct Run {
    int Start, Length;
    QRgb Color;
  };

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Gives a line its colours and its rule mark, once.
  void FormatBlock(QTextBlock block) const;

  std::vector<std::vector<Run>> runs_;  // per line
  std::vector<bool> rules_;             // per line: a rule under it
};

}  // namespace pf::wizard
