#pragma once
// The wizard page "COM+".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildFuncComp : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildFuncComp(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "COMPlusPage"; }
};

}  // namespace pf::wizard
