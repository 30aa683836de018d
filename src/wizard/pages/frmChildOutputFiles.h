#pragma once
// The wizard page "Output Files": the class file and the parameter-definitions module.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildOutputFiles : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildOutputFiles(QWidget* parent = nullptr);
};

}  // namespace pf::wizard
