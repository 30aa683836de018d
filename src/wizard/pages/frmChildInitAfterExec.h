#pragma once
// The wizard page "Automatic Actions".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildInitAfterExec : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildInitAfterExec(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "AutoActionsPage"; }
};

}  // namespace pf::wizard
