#include "wizard/pages/frmChildFuncRSNav.h"

namespace pf::wizard {

frmChildFuncRSNav::frmChildFuncRSNav(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
