#pragma once
// The wizard page "XML".

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChildFuncXML : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildFuncXML(QWidget* parent = nullptr);
  std::string HelpAnchor() const override { return "XMLPage"; }
};

}  // namespace pf::wizard
