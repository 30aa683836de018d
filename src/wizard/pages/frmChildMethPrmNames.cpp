#include "wizard/pages/frmChildMethPrmNames.h"

namespace pf::wizard {

frmChildMethPrmNames::frmChildMethPrmNames(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
