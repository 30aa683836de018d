#pragma once
// The wizard page "Error Log".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildErrHndlLog : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildErrHndlLog(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ErrorLogPage"; }
};

}  // namespace pf::wizard
