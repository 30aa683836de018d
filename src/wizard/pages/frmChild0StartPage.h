#pragma once
// The wizard page "Procforge": the program's version line and where a first-time user
// begins.

#include "wizard/CChildForm.h"

namespace pf::wizard {

class frmChild0StartPage : public CChildForm {
  Q_OBJECT

 public:
  explicit frmChild0StartPage(QWidget* parent = nullptr);

 private:
  // Shows the server page and asks for a snapshot there, in the samples' folder.
  static void btnOpenSample_Click();
};

}  // namespace pf::wizard
