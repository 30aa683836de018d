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
  // A long warning goes on as many lines as it needs, none cut at the side.
  list_->setWordWrap(true);
  list_->setResizeMode(QListView::Adjust);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
