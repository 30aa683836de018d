#pragma once
// The wizard page "Class Functionality".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildFunc : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildFunc(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ClassFuncPage"; }
};

}  // namespace pf::wizard
