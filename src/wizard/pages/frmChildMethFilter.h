#pragma once
// The wizard page "Procedures Filter". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildMethFilter : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildMethFilter(QWidget* parent = nullptr) : CTablePage("frmChildMethFilter", parent) {}
  std::string HelpAnchor() const override { return "ProcFilterPage"; }
};

}  // namespace pf::wizard
