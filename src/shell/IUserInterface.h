#pragma once
// What the message routines (MGlobals) need of a user interface: the program's modal
// message window, the splash window and the mouse pointer. The wizard implements it
// with Qt, the command line with the console (ConsoleUserInterface), tests with
// ScriptedUserInterface.

#include <string>

namespace pf {

// Buttons of the message window and the answers it returns. vbExclamation may be added to
// the buttons: the message is a warning (a value refused, an action that failed).
enum MsgButtons : int { vbOKOnly = 0, vbYesNoCancel = 3, vbYesNo = 4, vbExclamation = 48 };
enum MsgResult : int { vbOK = 1, vbCancel = 2, vbRetry = 4, vbYes = 6, vbNo = 7 };

// True when the buttons ask a question (Yes and No, perhaps Cancel), whatever flags are
// added to them.
inline bool IsQuestion(int Buttons) { return (Buttons & 7) == vbYesNo || (Buttons & 7) == vbYesNoCancel; }

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
