#include "wizard/frmSplash.h"

#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "base/Version.h"
#include "wizard/MIcons.h"

namespace pf::wizard {

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("frmSplash");
  setAttribute(Qt::WA_DeleteOnClose);
  setStyleSheet("#frmSplash { background: #234b8c; border: 1px solid #10284f; } QLabel { color: white; }");

  auto* picture = new QLabel(this);
  picture->setPixmap(MIcons::AppIcon().pixmap(64, 64));
  picture->setAlignment(Qt::AlignCenter);
  auto* name = new QLabel("Procforge", this);
  QFont f = name->font();
  f.setPointSizeF(f.pointSizeF() * 2.2);
  f.setBold(true);
  name->setFont(f);
  name->setAlignment(Qt::AlignCenter);
  auto* tagline = new QLabel(tr("Stored procedure class generator"), this);
  tagline->setAlignment(Qt::AlignCenter);
  auto* version = new QLabel(VersionLine(), this);
  version->setObjectName("lblVersion");
  version->setAlignment(Qt::AlignCenter);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(36, 24, 36, 24);
  layout->addWidget(picture);
  layout->addWidget(name);
  layout->addWidget(tagline);
  layout->addSpacing(12);
  layout->addWidget(version);
  adjustSize();
  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

QString frmSplash::VersionLine() { return QString::fromStdString(pf::VersionLine()); }

QString frmSplash::VersionNumbersExplained() {
  return QString::fromStdString(std::string(pf::kProductVersion) +
                                " is the product version, which generated classes name in their heading; " +
                                PF_VERSION + " is the release of this program.");
}

}  // namespace pf::wizard
