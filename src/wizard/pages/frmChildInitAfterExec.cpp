#include "wizard/pages/frmChildInitAfterExec.h"

namespace pf::wizard {

frmChildInitAfterExec::frmChildInitAfterExec(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
