#pragma once
// The wizard page "Class Connection Source": where the generated class finds its
// connection string (application, COM+ construction string, data link file, registry),
// with the link file's Browse, Edit File and Test, and the registry test.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildFuncConnSrc : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildFuncConnSrc(QWidget* parent = nullptr);

  // The link file's path: the text itself when it names a folder, else the text in the
  // folder of the current profile file.
  std::string FullLinkPath() const;

 private:
  void btnBrowseLink_Click();
  void btnEditLink_Click();
  void btnTestReg_Click();
};

}  // namespace pf::wizard
