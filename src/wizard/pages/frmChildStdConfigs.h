#pragma once
// The wizard page "Predefined Configurations": one of three configurations applied to
// the whole profile at once.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildStdConfigs : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildStdConfigs(QWidget* parent = nullptr);
  // The position of the first set option, 0 when none is set.
  int GetConfType() const;

 protected:
  // Binds no key: only hands the Server viewer and the direction to the controller.
  void CopyPage(int ACopyDir) override;

 private:
  void btnConfigure_Click();
};

}  // namespace pf::wizard
