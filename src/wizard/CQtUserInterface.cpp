#include "wizard/CQtUserInterface.h"

#include <QApplication>

#include "wizard/MStartExit.h"
#include "wizard/WindowThread.h"
#include "wizard/frm0MsgBox.h"

namespace pf::wizard {

// A generation run asks and tells from its own thread: the windows open on the window thread.
int CQtUserInterface::ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) {
  return OnWindowThread([&] { return frm0MsgBox::ShowMessage(Msg, Buttons, Title); });
}

void CQtUserInterface::CloseSplash() {
  OnWindowThread([] { MStartExit::CloseSplash(); });
}

void CQtUserInterface::ResetMousePointer() {
  OnWindowThread([] {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  });
}

}  // namespace pf::wizard
