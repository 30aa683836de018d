#pragma once
// The wizard page "Class Default Connection": the connection string compiled into the
// class, with Copy (from the server page's string), Design and Test.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildInitConnDft : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildInitConnDft(QWidget* parent = nullptr);
};

}  // namespace pf::wizard
