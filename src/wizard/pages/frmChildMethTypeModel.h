#pragma once
// The wizard page "Parameters Direction/Types". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildMethTypeModel : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMethTypeModel(QWidget* parent = nullptr) : CTablePage("frmChildMethTypeModel", parent) {}
  std::string HelpAnchor() const override { return "ParamDirTypesPage"; }
};

}  // namespace pf::wizard
