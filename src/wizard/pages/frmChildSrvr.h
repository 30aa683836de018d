#pragma once
// The wizard page "Database Server": the server type and the connection string through
// which the catalogue is read (its passwords shown masked), with Design, a snapshot file
// in place of a server, and Test Connection.

#include "wizard/pages/CTablePage.h"

namespace pf::wizard {

class frmChildSrvr : public CTablePage {
  Q_OBJECT

 public:
  explicit frmChildSrvr(QWidget* parent = nullptr);

  // Shown before the designer opens on an Access profile.
  static const char* const kAccessWarning;

  // A catalogue snapshot chosen in a file dialog (opened on the snapshot in use, else in
  // the samples' folder) becomes the connection; the server type follows what the
  // snapshot says. A file that is no snapshot of that type is refused with the reason.
  // The "Use a snapshot file" button, and the start page's sample button.
  void btnUseSnapshot_Click();

 protected:
  // While copying the page is busy, so the option clicks that loading causes store
  // nothing; after storing, the server object is released so the next connection
  // uses the new string, and output files not named yet get their default names.
  void CopyPage(int ACopyDir) override;

 private:
  void btnDesign_Click();
  // The connection string typed, passwords unmasked.
  std::string ConnPfg() const;
  bool busy_ = false;
};

}  // namespace pf::wizard
