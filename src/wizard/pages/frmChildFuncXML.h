#pragma once
// The wizard page "XML". Its controls, keys and enable rules are its row of the page table.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildFuncXML : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildFuncXML(QWidget* parent = nullptr) : CTablePage("frmChildFuncXML", parent) {}
  std::string HelpAnchor() const override { return "XMLPage"; }
};

}  // namespace pf::wizard
