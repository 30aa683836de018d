#include "wizard/pages/frmChildMeth.h"

namespace pf::wizard {

frmChildMeth::frmChildMeth(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
