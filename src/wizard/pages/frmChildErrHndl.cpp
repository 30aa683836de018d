#include "wizard/pages/frmChildErrHndl.h"

namespace pf::wizard {

frmChildErrHndl::frmChildErrHndl(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
