#pragma once
// The wizard page "Return Values".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMethRetVal : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMethRetVal(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "RetValPage"; }
};

}  // namespace pf::wizard
