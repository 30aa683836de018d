#pragma once
// The wizard page "Generate Code": whether the generated code is shown in the viewer,
// whether the parameter-definitions module is written, the files the run writes, and
// Start, which stores the page and runs the generation.

#include <string>
#include <vector>

#include "wizard/CChildForm.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace pf::wizard {

class CWarningList;

class frmChildBuildCode : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildBuildCode(QWidget* parent = nullptr);
  void CopyControls(int ACopyDir) override;
  // What a run that failed or was cancelled had noticed before it stopped; empty hides
  // the list.
  void SetWarnings(const std::vector<std::string>& warnings);

 private:
  void btnStart_Click();
  // The files a run would write, the module only while its box is ticked.
  void ShowFiles();

  QCheckBox* chkShowCodeInViewer_;
  QCheckBox* chkAddExecSPbyName_;
  QPushButton* btnStart_;
  QLabel* lblFiles_;
  QLabel* lblModuleFile_;
  CWarningList* warnings_;
};

}  // namespace pf::wizard
