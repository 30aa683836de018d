#pragma once
// The wizard page "Return Values". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildMethRetVal : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMethRetVal(QWidget* parent = nullptr) : CTablePage("frmChildMethRetVal", parent) {}
  std::string HelpAnchor() const override { return "RetValPage"; }
};

}  // namespace pf::wizard
