#pragma once
// The wizard page "Database Server".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildSrvr : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildSrvr(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ServerPage"; }
};

}  // namespace pf::wizard
