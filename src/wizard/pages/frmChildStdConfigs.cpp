#include "wizard/pages/frmChildStdConfigs.h"

namespace pf::wizard {

frmChildStdConfigs::frmChildStdConfigs(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
