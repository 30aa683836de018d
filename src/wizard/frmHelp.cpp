#include "wizard/frmHelp.h"

#include <QCloseEvent>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include "errors/ErrGuard.h"
#include "shell/MGlobals.h"
#include "wizard/MAccessibility.h"
#include "wizard/MIcons.h"
#include "wizard/MStartExit.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

namespace {
constexpr int kMinWidth = 420;  // narrower, the guide's tables need a horizontal scroll bar
}  // namespace

frmHelp::frmHelp(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("frmHelp");
  setWindowTitle(tr("Procforge Help"));
  setWindowIcon(MIcons::AppIcon());
  setAttribute(Qt::WA_DeleteOnClose);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName("brwHelp");
  browser_->setAccessibleName(tr("User guide"));
  browser_->setOpenExternalLinks(true);
  // The guide wraps to the window's width, long names and code lines included, so that
  // it reads without a horizontal scroll bar.
  browser_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] { WrapCodeLines(); });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(460, 600);
  MAccessibility::CloseOnEscape(this);
}

frmHelp::~frmHelp() = default;

void frmHelp::closeEvent(QCloseEvent* event) {
  // Closed by the user or at exit, while the main window is still whole.
  if (frm0MDIMain* main = MStartExit::MainForm()) main->FormHelpUnloaded();
  QWidget::closeEvent(event);
}

void frmHelp::ShowHelp(const std::string& Anchor, bool Position) {
  ErrGuard(
      "frmHelp.ShowHelp(Anchor)",
      [&] {
        QUrl url = QUrl::fromLocalFile(QString::fromStdString(MGlobals::GetHelpFileName()));
        url.setFragment(QString::fromStdString(Anchor));
        if (!isVisible() && Position) {
          if (frm0MDIMain* main = MStartExit::MainForm()) main->PlaceBeside(this, kMinWidth);
          show();
        }
        browser_->setSource(url);
      },
      Anchor);
}

QUrl frmHelp::Source() const { return browser_->source(); }

void frmHelp::WrapCodeLines() {
  // Code examples keep their lines in the document, but a line wider than the window
  // breaks instead of widening the page.
  QTextCursor cursor(browser_->document());
  for (QTextBlock b = browser_->document()->begin(); b.isValid(); b = b.next()) {
    QTextBlockFormat f = b.blockFormat();
    if (!f.nonBreakableLines()) continue;
    f.setNonBreakableLines(false);
    cursor.setPosition(b.position());
    cursor.setBlockFormat(f);
  }
}

}  // namespace pf::wizard
