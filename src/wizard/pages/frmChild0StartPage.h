#pragma once
// The wizard page "Procforge".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChild0StartPage : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChild0StartPage(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "StartPage"; }
};

}  // namespace pf::wizard
