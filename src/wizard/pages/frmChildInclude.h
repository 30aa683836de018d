#pragma once
// The wizard page "Include/Overwrite Code": the include/override file, the member list,
// the enumerations and the reminder.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildInclude : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildInclude(QWidget* parent = nullptr);
};

}  // namespace pf::wizard
