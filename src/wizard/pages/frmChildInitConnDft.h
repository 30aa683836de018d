#pragma once
// The wizard page "Class Default Connection".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildInitConnDft : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildInitConnDft(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "DftConnPage"; }
};

}  // namespace pf::wizard
