#pragma once
// The wizard page "Data Types Overriding".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMethDTOvrd : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMethDTOvrd(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "DTOvrrdPage"; }
};

}  // namespace pf::wizard
