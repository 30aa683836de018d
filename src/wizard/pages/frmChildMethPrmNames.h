#pragma once
// The wizard page "Parameters Names". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildMethPrmNames : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMethPrmNames(QWidget* parent = nullptr) : CTablePage("frmChildMethPrmNames", parent) {}
  std::string HelpAnchor() const override { return "ParamNamesPage"; }
};

}  // namespace pf::wizard
