#pragma once
// The wizard page "Error Handling Behavior". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildInitErrH : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildInitErrH(QWidget* parent = nullptr) : CTablePage("frmChildInitErrH", parent) {}
  std::string HelpAnchor() const override { return "InitErrHPage"; }
};

}  // namespace pf::wizard
