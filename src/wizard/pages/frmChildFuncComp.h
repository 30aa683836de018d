#pragma once
// The wizard page "COM+". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildFuncComp : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildFuncComp(QWidget* parent = nullptr) : CTablePage("frmChildFuncComp", parent) {}
  std::string HelpAnchor() const override { return "COMPlusPage"; }
};

}  // namespace pf::wizard
