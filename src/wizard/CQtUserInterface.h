#pragma once
// The wizard's side of the message routines: every message of the core shows in
// frm0MsgBox; the splash window and the busy mouse pointer are the wizard's.

#include "shell/IUserInterface.h"

namespace pf::wizard {

class CQtUserInterface : public IUserInterface {
 public:
  int ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) override;
  void CloseSplash() override;
  void ResetMousePointer() override;
};

}  // namespace pf::wizard
