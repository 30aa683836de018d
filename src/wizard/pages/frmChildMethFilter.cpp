#include "wizard/pages/frmChildMethFilter.h"

namespace pf::wizard {

frmChildMethFilter::frmChildMethFilter(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
