#include "wizard/pages/frmChildInitStrLen.h"

#include <QCheckBox>

namespace pf::wizard {

frmChildInitStrLen::frmChildInitStrLen(QWidget* parent) : CTablePage("frmChildInitStrLen", parent) {
  // Ticking one box clears the other. Only the user's clicks do: loading a profile
  // shows its values as they are.
  QCheckBox* raise = Check("chkRaiseErr");
  QCheckBox* trim = Check("chkTrim");
  connect(raise, &QCheckBox::clicked, this, [trim](bool on) {
    if (on) trim->setChecked(false);
  });
  connect(trim, &QCheckBox::clicked, this, [raise](bool on) {
    if (on) raise->setChecked(false);
  });
}

}  // namespace pf::wizard
