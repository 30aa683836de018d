#include "wizard/CWarningList.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace pf::wizard {

CWarningList::CWarningList(const QString& Title, QWidget* parent) : QGroupBox(Title, parent) {
  setObjectName("fraWarnings");
  list_ = new QListWidget(this);
  list_->setObjectName("lstWarnings");
  list_->setAccessibleName(Title);
  list_->setMaximumHeight(70);
  // Long warnings scroll sideways; the full text is the item's tooltip.
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 6);
  layout->addWidget(list_);
  hide();
}

void CWarningList::SetWarnings(const std::vector<std::string>& Warnings) {
  list_->clear();
  for (const std::string& w : Warnings) {
    auto* item = new QListWidgetItem(QString::fromStdString(w), list_);
    item->setToolTip(item->text());
  }
  setVisible(!Warnings.empty());
}

}  // namespace pf::wizard
