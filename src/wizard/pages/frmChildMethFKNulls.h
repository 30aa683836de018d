#pragma once
// The wizard page "Nullable Foreign Keys". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildMethFKNulls : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMethFKNulls(QWidget* parent = nullptr) : CTablePage("frmChildMethFKNulls", parent) {}
  std::string HelpAnchor() const override { return "NullFKPage"; }
};

}  // namespace pf::wizard
