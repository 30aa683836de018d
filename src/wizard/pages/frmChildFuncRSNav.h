#pragma once
// The wizard page "ADO Helper Methods".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildFuncRSNav : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildFuncRSNav(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "AdoHelperMethPage"; }
};

}  // namespace pf::wizard
