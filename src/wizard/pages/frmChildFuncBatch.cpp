#include "wizard/pages/frmChildFuncBatch.h"

namespace pf::wizard {

frmChildFuncBatch::frmChildFuncBatch(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
