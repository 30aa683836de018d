#include "wizard/pages/frmChildMethFKNulls.h"

namespace pf::wizard {

frmChildMethFKNulls::frmChildMethFKNulls(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
