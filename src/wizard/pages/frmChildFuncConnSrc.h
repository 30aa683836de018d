#pragma once
// The wizard page "Class Connection Source".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildFuncConnSrc : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildFuncConnSrc(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ConnSrcPage"; }
};

}  // namespace pf::wizard
