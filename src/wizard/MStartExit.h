#pragma once
// Start-up and exit of the wizard, and the program-wide objects the pages share.

class QWidget;

namespace pf {
class CSettings;
}

namespace pf::wizard {

class CUIController;
class frm0MDIMain;

namespace MStartExit {

// The program-wide objects. Settings and MainForm are null before Main and after exit;
// the controller lives as long as the program.
CSettings* Settings();
CUIController& UIController();
frm0MDIMain* MainForm();

// Start-up: program state 0, the Qt message window for every message of the core, the
// settings model (state file, last profile), the splash window, the main window, program
// state 1, the root page and the caption. Errors end in HandleUIError. Returns true when
// the main window was built.
bool Main();

// Exit, only from program state 1 (else false and nothing happens): program state 2, the
// current page and the profile saved, the server disconnected, every window closed and
// the settings model released. Every error on the way is ignored, so it always runs to
// its end.
bool ExitApplication();

// Closes the splash window if it is still shown.
void CloseSplash();
QWidget* Splash();

}  // namespace MStartExit

}  // namespace pf::wizard
