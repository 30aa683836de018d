#pragma once
// The wizard page "Error Log". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildErrHndlLog : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildErrHndlLog(QWidget* parent = nullptr) : CTablePage("frmChildErrHndlLog", parent) {}
  std::string HelpAnchor() const override { return "ErrorLogPage"; }
};

}  // namespace pf::wizard
