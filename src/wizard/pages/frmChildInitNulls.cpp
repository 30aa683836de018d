#include "wizard/pages/frmChildInitNulls.h"

namespace pf::wizard {

frmChildInitNulls::frmChildInitNulls(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
