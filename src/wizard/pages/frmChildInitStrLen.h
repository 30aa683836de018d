#pragma once
// The wizard page "String Length Check": raise an error or trim, never both.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildInitStrLen : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildInitStrLen(QWidget* parent = nullptr);
};

}  // namespace pf::wizard
