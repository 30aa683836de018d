#pragma once
// The wizard page "ADO". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildInitADO : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildInitADO(QWidget* parent = nullptr) : CTablePage("frmChildInitADO", parent) {}
  std::string HelpAnchor() const override { return "ADOPage"; }
};

}  // namespace pf::wizard
