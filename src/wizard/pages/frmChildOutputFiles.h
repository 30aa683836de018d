#pragma once
// The wizard page "Output Files".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildOutputFiles : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildOutputFiles(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "OutFilesPage"; }
};

}  // namespace pf::wizard
