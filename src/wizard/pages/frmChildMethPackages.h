#pragma once
// The wizard page "Oracle Packages": the package list of the profile, each item showing
// the package's name (and " : " and its prefix when it has one) and selected exactly when
// the package is; the prefix of the item clicked is edited below the list. Refresh reads
// the server's packages. Only an Oracle profile uses the page.

#include "wizard/pages/CTablePage.h"

class QListWidgetItem;

namespace pf::wizard {

class frmChildMethPackages : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMethPackages(QWidget* parent = nullptr);

 protected:
  // Loading refills the list from the Package entries in document order; storing writes
  // each item's prefix and selection to its entry, creating one only for an item that
  // has a prefix or is selected. Nothing happens unless the server type is Oracle.
  void CopyPage(int ACopyDir) override;

 private:
  void btnRefresh_Click();
  void SelectAll(bool select);
  void ShowItem(QListWidgetItem* item) const;

  bool filling_ = false;
};

}  // namespace pf::wizard
