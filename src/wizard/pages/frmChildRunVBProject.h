#pragma once
// The wizard page "Results": the figures of the last generation run, its warnings, the
// development project to start afterwards, and the link to the programmer guide.

#include <string>
#include <vector>

#include "wizard/CChildForm.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pf::wizard {

class CWarningList;

class frmChildRunVBProject : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChildRunVBProject(QWidget* parent = nullptr);
  void CopyControls(int ACopyDir) override;

  // After a successful run: the "not generated yet" note gives way to the figures.
  void SetDone();
  void SetStats(int32_t NumSPs, int32_t NumLines, int32_t NumChars);
  // What the run skipped or changed silently; the list is hidden when there is none.
  void SetWarnings(const std::vector<std::string>& warnings);

  // A count with a comma between groups of three digits ("12,345"); zero is "0".
  static QString FormatCount(int32_t n);

 private:
  void btnBrowse_Click();
  void btnStartProject_Click();
  void lnkGuide_Click();

  QLabel* lblNotGenerated_;
  QLabel* lblGenerated_;
  QGroupBox* fraStats_;
  QLabel* lblNumSPs_;
  QLabel* lblNumLines_;
  QLabel* lblNumChars_;
  QPushButton* btnShowCode_;
  CWarningList* warnings_;
  QLineEdit* txtProject_;
  QCheckBox* chkExitOnRun_;
};

}  // namespace pf::wizard
