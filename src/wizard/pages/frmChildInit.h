#pragma once
// The wizard page "Initial Class Settings".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildInit : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildInit(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "InitSttPage"; }
};

}  // namespace pf::wizard
