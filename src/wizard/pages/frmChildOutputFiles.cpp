#include "wizard/pages/frmChildOutputFiles.h"

namespace pf::wizard {

frmChildOutputFiles::frmChildOutputFiles(QWidget* parent) : CChildForm(parent) {}

}  // namespace pf::wizard
