#include "wizard/pages/frmChildFuncConnSrc.h"

namespace pf::wizard {

frmChildFuncConnSrc::frmChildFuncConnSrc(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
