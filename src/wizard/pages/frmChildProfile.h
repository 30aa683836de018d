#pragma once
// The wizard page "Profile".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildProfile : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildProfile(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ProfilePage"; }
};

}  // namespace pf::wizard
