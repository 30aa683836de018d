#include "wizard/pages/frmChildInitErrH.h"

namespace pf::wizard {

frmChildInitErrH::frmChildInitErrH(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
