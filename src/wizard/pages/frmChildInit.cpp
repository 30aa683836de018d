#include "wizard/pages/frmChildInit.h"

namespace pf::wizard {

frmChildInit::frmChildInit(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
