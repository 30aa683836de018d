#include "wizard/pages/frmChildFuncTrans.h"

namespace pf::wizard {

frmChildFuncTrans::frmChildFuncTrans(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
