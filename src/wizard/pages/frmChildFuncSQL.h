#pragma once
// The wizard page "SQL".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildFuncSQL : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildFuncSQL(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "SQLPage"; }
};

}  // namespace pf::wizard
