#include "wizard/pages/frmChildProfile.h"

namespace pf::wizard {

frmChildProfile::frmChildProfile(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
