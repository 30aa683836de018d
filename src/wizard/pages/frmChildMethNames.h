#pragma once
// The wizard page "Method Names". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildMethNames : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMethNames(QWidget* parent = nullptr) : CTablePage("frmChildMethNames", parent) {}
  std::string HelpAnchor() const override { return "MethNamesPage"; }
};

}  // namespace pf::wizard
