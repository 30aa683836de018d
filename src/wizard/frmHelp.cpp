#include "wizard/frmHelp.h"

#include <QCloseEvent>
#include <QTextBrowser>
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

}  // namespace pf::wizard
