#include "wizard/pages/frmChild0StartPage.h"

namespace pf::wizard {

frmChild0StartPage::frmChild0StartPage(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
