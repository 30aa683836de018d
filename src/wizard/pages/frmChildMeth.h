#pragma once
// The wizard page "Stored Procedures".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMeth : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMeth(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "StoredProcPage"; }
};

}  // namespace pf::wizard
