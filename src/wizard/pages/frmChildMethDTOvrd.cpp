#include "wizard/pages/frmChildMethDTOvrd.h"

namespace pf::wizard {

frmChildMethDTOvrd::frmChildMethDTOvrd(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
