#pragma once
// The wizard page "ADO Helper Methods". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildFuncRSNav : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildFuncRSNav(QWidget* parent = nullptr) : CTablePage("frmChildFuncRSNav", parent) {}
  std::string HelpAnchor() const override { return "AdoHelperMethPage"; }
};

}  // namespace pf::wizard
