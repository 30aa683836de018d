#pragma once
// The wizard page "Error Handling".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildErrHndl : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildErrHndl(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ErrHPage"; }
};

}  // namespace pf::wizard
