#pragma once
// The wizard page "Data Types Overriding". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildMethDTOvrd : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMethDTOvrd(QWidget* parent = nullptr) : CTablePage("frmChildMethDTOvrd", parent) {}
  std::string HelpAnchor() const override { return "DTOvrrdPage"; }
};

}  // namespace pf::wizard
