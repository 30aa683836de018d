#include "wizard/pages/frmChildMethPackages.h"

namespace pf::wizard {

frmChildMethPackages::frmChildMethPackages(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
