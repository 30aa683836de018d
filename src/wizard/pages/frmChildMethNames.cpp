#include "wizard/pages/frmChildMethNames.h"

namespace pf::wizard {

frmChildMethNames::frmChildMethNames(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
