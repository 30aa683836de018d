#pragma once
// The wizard page "Parameters Names".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMethPrmNames : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMethPrmNames(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ParamNamesPage"; }
};

}  // namespace pf::wizard
