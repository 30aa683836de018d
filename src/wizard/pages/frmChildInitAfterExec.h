#pragma once
// The wizard page "Automatic Actions". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildInitAfterExec : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildInitAfterExec(QWidget* parent = nullptr) : CTablePage("frmChildInitAfterExec", parent) {}
  std::string HelpAnchor() const override { return "AutoActionsPage"; }
};

}  // namespace pf::wizard
