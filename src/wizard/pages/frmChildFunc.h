#pragma once
// The wizard page "Class Functionality". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildFunc : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildFunc(QWidget* parent = nullptr) : CTablePage("frmChildFunc", parent) {}
  std::string HelpAnchor() const override { return "ClassFuncPage"; }
};

}  // namespace pf::wizard
