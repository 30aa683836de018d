#pragma once
// The wizard page "SQL". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildFuncSQL : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildFuncSQL(QWidget* parent = nullptr) : CTablePage("frmChildFuncSQL", parent) {}
  std::string HelpAnchor() const override { return "SQLPage"; }
};

}  // namespace pf::wizard
