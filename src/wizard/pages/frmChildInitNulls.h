#pragma once
// The wizard page "Nulls Handling".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildInitNulls : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildInitNulls(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "NullsHandlingPage"; }
};

}  // namespace pf::wizard
