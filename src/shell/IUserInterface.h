#pragma once
// What the message routines (MGlobals) need of a user interface: the program's modal
// message window, the splash window and the mouse pointer. The wizard implements it
// with Qt, the command line with the console (ConsoleUserInterface), tests with
// ScriptedUserInterface.

#include <string>

namespace pf {

// Buttons of the message window and the answers it returns.
enum MsgButtons : int { vbOKOnly = 0, vbYesNoCancel = 3, vbYesNo = 4 };
enum MsgResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;
  // Shows Msg modally with the buttons and title (empty: the program's name) and
  // returns the button pressed.
  virtual int ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) = 0;
  // Closes the splash window when it is shown; nothing otherwise.
  virtual void CloseSplash() = 0;
  virtual void ResetMousePointer() = 0;
};

}  // namespace pf
