#pragma once
// The wizard page "ADO".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildInitADO : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildInitADO(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ADOPage"; }
};

}  // namespace pf::wizard
