#pragma once
// The wizard page "Initial Class Settings". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildInit : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildInit(QWidget* parent = nullptr) : CTablePage("frmChildInit", parent) {}
  std::string HelpAnchor() const override { return "InitSttPage"; }
};

}  // namespace pf::wizard
