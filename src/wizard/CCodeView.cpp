#include "wizard/CCodeView.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>

#include "platform/FileIO.h"

namespace pf::wizard {

namespace {

bool StartsWith(const QString& s, qsizetype at, QLatin1StringView what) {
  return QStringView(s).mid(at, what.size()) == what;
}

}  // namespace

CCodeView::CCodeView(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName("brwCode");
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

CCodeView::~CCodeView() = default;

void CCodeView::LoadFile(const std::string& Path) { SetHtml(FileIO::ReadBytes(Path)); }

void CCodeView::SetHtml(const std::string& Html) {
  const QString html = QString::fromUtf8(Html);
  QString text;
  text.reserve(html.size());
  std::vector<std::vector<Run>> runs(1);
  std::vector<bool> rules(1, false);
  std::vector<QRgb> colors;  // the open font tags
  int lineStart = 0;         // position of the current line in text
  int runStart = 0;          // where the text of the current colour began
  auto closeRun = [&] {
    const int end = static_cast<int>(text.size());
    if (!colors.empty() && end > runStart) runs.back().push_back({runStart - lineStart, end - runStart, colors.back()});
    runStart = end;
  };
  auto newLine = [&](bool rule) {
    closeRun();
    rules.back() = rule;
    text += QChar('\n');
    lineStart = runStart = static_cast<int>(text.size());
    runs.emplace_back();
    rules.push_back(false);
  };

  const qsizetype n = html.size();
  for (qsizetype i = 0; i < n;) {
    const QChar c = html[i];
    if (c == '<') {
      const qsizetype close = html.indexOf('>', i);
      if (close >= 0) {
        if (StartsWith(html, i, QLatin1StringView("<font color=\"#")) && close - i >= 20) {
          closeRun();
          colors.push_back(QColor(html.mid(i + 13, 7)).rgb());
          i = close + 1;
          continue;
        }
        if (StartsWith(html, i, QLatin1StringView("</font>"))) {
          closeRun();
          if (!colors.empty()) colors.pop_back();
          i = close + 1;
          continue;
        }
        if (StartsWith(html, i, QLatin1StringView("<HR"))) {
          newLine(true);
          i = close + 1;
          continue;
        }
        if (StartsWith(html, i, QLatin1StringView("<pre>")) || StartsWith(html, i, QLatin1StringView("</pre>"))) {
          i = close + 1;
          continue;
        }
      }
    } else if (c == '&') {
      static const std::pair<QLatin1StringView, QChar> entities[] = {{QLatin1StringView("&amp;"), QChar('&')},
                                                                     {QLatin1StringView("&lt;"), QChar('<')},
                                                                     {QLatin1StringView("&gt;"), QChar('>')},
                                                                     {QLatin1StringView("&quot;"), QChar('"')}};
      bool done = false;
      for (const auto& [entity, ch] : entities) {
        if (StartsWith(html, i, entity)) {
          text += ch;
          i += entity.size();
          done = true;
          break;
        }
      }
      if (done) continue;
    } else if (c == '\r' && i + 1 < n && html[i + 1] == '\n') {
      newLine(false);
      i += 2;
      continue;
    }
    text += c;
    ++i;
  }
  closeRun();
  // The file ends with the line break written after the closing "</pre>".
  if (text.endsWith(QChar('\n')) && runs.back().empty()) {
    text.chop(1);
    runs.pop_back();
    rules.pop_back();
  }

  runs_ = std::move(runs);
  rules_ = std::move(rules);
  // A document filled before the view sees it is laid out once, not line by line; the
  // view deletes its previous document, which it owns.
  auto* doc = new QTextDocument(this);
  doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
  doc->setDefaultFont(font());
  doc->setPlainText(text);
  setDocument(doc);
}

void CCodeView::FormatBlock(QTextBlock block) const {
  // A block's user state is -1 until its colours are applied, then 1 with a rule under it
  // and 0 without.
  if (!block.isValid() || block.userState() >= 0) return;
  const size_t line = static_cast<size_t>(block.blockNumber());
  QList<QTextLayout::FormatRange> formats;
  if (line < runs_.size()) {
    for (const Run& r : runs_[line]) {
      QTextLayout::FormatRange f;
      f.start = r.Start;
      f.length = r.Length;
      f.format.setForeground(QColor::fromRgb(r.Color));
      formats.push_back(f);
    }
  }
  block.setUserState(line < rules_.size() && rules_[line] ? 1 : 0);
  if (!formats.isEmpty()) block.layout()->setFormats(formats);
}

QColor CCodeView::ColorAt(int Position) const {
  const QTextBlock block = document()->findBlock(Position);
  FormatBlock(block);
  const int column = Position - block.position();
  if (block.isValid() && block.layout()) {
    for (const QTextLayout::FormatRange& r : block.layout()->formats())
      if (column >= r.start && column < r.start + r.length) return r.format.foreground().color();
  }
  return palette().color(QPalette::Text);
}

std::vector<int> CCodeView::RuleLines() const {
  std::vector<int> lines;
  for (size_t i = 0; i < rules_.size(); ++i)
    if (rules_[i]) lines.push_back(static_cast<int>(i));
  return lines;
}

void CCodeView::paintEvent(QPaintEvent* event) {
  // Colours are applied to the lines as they come into view, so that a long text opens
  // without formatting every line first.
  const QPointF offset = contentOffset();
  const int height = viewport()->height();
  auto visible = [&](auto f) {
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
      const QRectF r = blockBoundingGeometry(b).translated(offset);
      if (r.top() > height) break;
      f(b, r);
    }
  };
  visible([&](const QTextBlock& b, const QRectF&) { FormatBlock(b); });
  QPlainTextEdit::paintEvent(event);
  // The procedure rules under the lines that end a procedure, across the whole width.
  QPainter p(viewport());
  p.setPen(QPen(palette().color(QPalette::Mid), 1));
  visible([&](const QTextBlock& b, const QRectF& r) {
    if (b.userState() == 1) p.drawLine(QPointF(0, r.bottom() - 0.5), QPointF(viewport()->width(), r.bottom() - 0.5));
  });
}

}  // namespace pf::wizard
