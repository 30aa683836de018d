#pragma once
// The wizard page "Nullable Foreign Keys".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildMethFKNulls : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildMethFKNulls(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "NullFKPage"; }
};

}  // namespace pf::wizard
