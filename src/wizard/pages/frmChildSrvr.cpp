#include "wizard/pages/frmChildSrvr.h"

namespace pf::wizard {

frmChildSrvr::frmChildSrvr(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
