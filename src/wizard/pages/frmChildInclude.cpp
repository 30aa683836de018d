#include "wizard/pages/frmChildInclude.h"

namespace pf::wizard {

frmChildInclude::frmChildInclude(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
