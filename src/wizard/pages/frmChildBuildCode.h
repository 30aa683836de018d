#pragma once
// The wizard page "Generate Code": whether the generated code is shown in the viewer, and
// Start, which stores the page and runs the generation.

#include "wizard/CChildForm.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace pf::wizard {

class frmChildBuildCode : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildBuildCode(QWidget* parent = nullptr);
  void CopyControls(int ACopyDir) override;
  std::string HelpAnchor() const override { return "GenCodePage"; }

 private:
  void btnStart_Click();

  QCheckBox* chkShowCodeInViewer_;
  QPushButton* btnStart_;
  QLabel* lblFiles_;
};

}  // namespace pf::wizard
