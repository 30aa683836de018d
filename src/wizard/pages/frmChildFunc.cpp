#include "wizard/pages/frmChildFunc.h"

namespace pf::wizard {

frmChildFunc::frmChildFunc(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
