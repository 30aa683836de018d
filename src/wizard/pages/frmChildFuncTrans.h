#pragma once
// The wizard page "Transactions".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildFuncTrans : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildFuncTrans(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "TransPage"; }
};

}  // namespace pf::wizard
