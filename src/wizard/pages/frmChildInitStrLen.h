#pragma once
// The wizard page "String Length Check".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildInitStrLen : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildInitStrLen(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "StrLenCheckPage"; }
};

}  // namespace pf::wizard
