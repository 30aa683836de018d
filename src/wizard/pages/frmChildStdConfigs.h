#pragma once
// The wizard page "Predefined Configurations".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildStdConfigs : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildStdConfigs(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "StdConfigPage"; }
};

}  // namespace pf::wizard
