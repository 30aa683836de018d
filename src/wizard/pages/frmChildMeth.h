#pragma once
// The wizard page "Stored Procedures". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildMeth : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMeth(QWidget* parent = nullptr) : CTablePage("frmChildMeth", parent) {}
  std::string HelpAnchor() const override { return "StoredProcPage"; }
};

}  // namespace pf::wizard
