#pragma once
// The wizard page "Include/Overwrite Code".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildInclude : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildInclude(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "IncCodePage"; }
};

}  // namespace pf::wizard
