#pragma once
// The warnings of the last generation run on a page: what the run skipped or changed on
// its own, one per line, under a title. Hidden while there are none.

#include <QGroupBox>

#include <string>
#include <vector>

class QListWidget;

namespace pf::wizard {

class CWarningList : public QGroupBox {
  Q_OBJECT

 public:
  CWarningList(const QString& Title, QWidget* parent);
  // Replaces the list; an empty one hides the box.
  void SetWarnings(const std::vector<std::string>& Warnings);
  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_;
};

}  // namespace pf::wizard
