#include "wizard/pages/frmChildInitADO.h"

namespace pf::wizard {

frmChildInitADO::frmChildInitADO(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
