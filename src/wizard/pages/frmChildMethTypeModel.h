#pragma once
// The wizard page "Parameters Direction/Types".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMethTypeModel : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMethTypeModel(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ParamDirTypesPage"; }
};

}  // namespace pf::wizard
