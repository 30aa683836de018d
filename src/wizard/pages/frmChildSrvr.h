#pragma once
// The wizard page "Database Server": the server type and the connection string through
// which the catalogue is read, with Design and Test Connection.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildSrvr : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildSrvr(QWidget* parent = nullptr);

  // Shown before the designer opens on an Access profile.
  static const char* const kAccessWarning;

 protected:
  // While copying the page is busy, so the option clicks that loading causes store
  // nothing; after storing, the server object is released so the next connection
  // uses the new string.
  void CopyPage(int ACopyDir) override;

 private:
  void btnDesign_Click();
  bool busy_ = false;
};

}  // namespace pf::wizard
