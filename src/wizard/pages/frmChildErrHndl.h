#pragma once
// The wizard page "Error Handling". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildErrHndl : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildErrHndl(QWidget* parent = nullptr) : CTablePage("frmChildErrHndl", parent) {}
  std::string HelpAnchor() const override { return "ErrHPage"; }
};

}  // namespace pf::wizard
