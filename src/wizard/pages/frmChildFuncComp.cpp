#include "wizard/pages/frmChildFuncComp.h"

namespace pf::wizard {

frmChildFuncComp::frmChildFuncComp(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
