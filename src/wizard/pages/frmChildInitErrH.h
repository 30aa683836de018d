#pragma once
// The wizard page "Error Handling Behavior".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildInitErrH : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildInitErrH(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "InitErrHPage"; }
};

}  // namespace pf::wizard
