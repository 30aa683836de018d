#include "wizard/pages/frmChildInitConnDft.h"

namespace pf::wizard {

frmChildInitConnDft::frmChildInitConnDft(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
