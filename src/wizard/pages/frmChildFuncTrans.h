#pragma once
// The wizard page "Transactions". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildFuncTrans : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildFuncTrans(QWidget* parent = nullptr) : CTablePage("frmChildFuncTrans", parent) {}
  std::string HelpAnchor() const override { return "TransPage"; }
};

}  // namespace pf::wizard
