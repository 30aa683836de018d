#pragma once
// The wizard page "Batch Execution".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildFuncBatch : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildFuncBatch(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "BatchPage"; }
};

}  // namespace pf::wizard
