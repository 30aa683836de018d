#pragma once
// The wizard page "Batch Execution". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildFuncBatch : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildFuncBatch(QWidget* parent = nullptr) : CTablePage("frmChildFuncBatch", parent) {}
  std::string HelpAnchor() const override { return "BatchPage"; }
};

}  // namespace pf::wizard
