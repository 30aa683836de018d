#include "wizard/pages/frmChildMethRetVal.h"

namespace pf::wizard {

frmChildMethRetVal::frmChildMethRetVal(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
