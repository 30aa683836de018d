#include "wizard/CQtUserInterface.h"

#include <QApplication>

#include "wizard/MStartExit.h"
#include "wizard/frm0MsgBox.h"

namespace pf::wizard {

int CQtUserInterface::ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) {
  return frm0MsgBox::ShowMessage(Msg, Buttons, Title);
}

void CQtUserInterface::CloseSplash() { MStartExit::CloseSplash(); }

void CQtUserInterface::ResetMousePointer() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

}  // namespace pf::wizard
