#pragma once
// The wizard page "Nulls Handling". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildInitNulls : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildInitNulls(QWidget* parent = nullptr) : CTablePage("frmChildInitNulls", parent) {}
  std::string HelpAnchor() const override { return "NullsHandlingPage"; }
};

}  // namespace pf::wizard
