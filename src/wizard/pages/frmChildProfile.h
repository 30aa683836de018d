#pragma once
// The wizard page "Profile": the recent profiles, opening another profile (from the list,
// by typing its path and pressing Enter, or by Browse) and Save As.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildProfile : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildProfile(QWidget* parent = nullptr);

  // Opens FileName as the current profile. The name must not be blank and the file must
  // exist (0x80041065 otherwise). The open profile is first saved to its own file, so
  // nothing typed into it is lost. Recorded under "frmChildProfile.LoadProfile".
  void LoadProfile(const std::string& FileName);

 protected:
  // Fills the list from the recent profiles when it is empty and, when loading, shows
  // the current profile's name. Nothing is stored into the profile.
  void CopyPage(int ACopyDir) override;

 private:
  void FillList();
  void btnBrowse_Click();
  void btnSaveAs_Click();
};

}  // namespace pf::wizard
