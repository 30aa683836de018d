#pragma once
// The wizard page "Method Names".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMethNames : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMethNames(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "MethNamesPage"; }
};

}  // namespace pf::wizard
