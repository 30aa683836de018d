#include "wizard/pages/frmChildFuncXML.h"

namespace pf::wizard {

frmChildFuncXML::frmChildFuncXML(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
