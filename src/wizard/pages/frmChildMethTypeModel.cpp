#include "wizard/pages/frmChildMethTypeModel.h"

namespace pf::wizard {

frmChildMethTypeModel::frmChildMethTypeModel(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
