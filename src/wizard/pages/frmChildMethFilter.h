#pragma once
// The wizard page "Procedures Filter".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMethFilter : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMethFilter(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "ProcFilterPage"; }
};

}  // namespace pf::wizard
