#pragma once
// The wizard page "Oracle Packages".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMethPackages : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMethPackages(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "OraPackagesPage"; }
};

}  // namespace pf::wizard
