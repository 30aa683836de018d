#include "wizard/pages/frmChildFuncSQL.h"

namespace pf::wizard {

frmChildFuncSQL::frmChildFuncSQL(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
