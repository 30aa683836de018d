#pragma once
// Start-up and exit of the wizard, and the program-wide objects the pages share.

#include <string>

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
// the main window was built. A Profile named (on the command line) is opened instead of
// the one used last; one that cannot be read is reported and a new profile opens.
bool Main(const std::string& Profile = {});

// Exit, only from program state 1 (else false and nothing happens). The current page is
// stored first: when it refuses a value, the message names it and the exit stops there
// (false; after a stop signal the exit goes on). A profile another program changed since
// it was opened is not saved over unasked: the user chooses, or after a stop signal the
// settings go to a free name beside it. Then program state 2, the profile saved, the
// server disconnected, every window closed, the settings model released and the event
// loop ended (status 0). Errors from the save on are ignored, so that part always runs
// to its end.
bool ExitApplication();

// From here on Ctrl-C (SIGINT) and SIGTERM end the program as closing its main window
// does, and it exits with status 130 (143 for SIGTERM). A program that does not get back
// to its event loop within a second (it waits on a server) is ended where it is, without
// leaving temporary files.
void StopOnSignals();
// What a stop signal does once the event loop sees it: a run in progress is cancelled and
// a message window dismissed, until the main window closes (saving the profile as on every
// exit) and the event loop ends.
void StopForSignal(int Sig);
// True once a stop signal arrived: nobody is there to read a message.
bool Stopping();

// Closes the splash window if it is still shown.
void CloseSplash();
QWidget* Splash();

}  // namespace MStartExit

}  // namespace pf::wizard
