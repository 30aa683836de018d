#include "wizard/pages/frmChildErrHndlLog.h"

namespace pf::wizard {

frmChildErrHndlLog::frmChildErrHndlLog(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
