#include "wizard/pages/frmChildInitStrLen.h"

namespace pf::wizard {

frmChildInitStrLen::frmChildInitStrLen(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
