#pragma once
// The wizard's side of the generation command and the connection test, and the hooks
// through which the code viewer and the desktop are reached.

#include <functional>
#include <string>
#include <string_view>

namespace pf {
class CProgress;
}

namespace pf::wizard {

// The Start button's generation run: copies nothing itself (the build page has stored its
// controls). Runs the core's generation command with the main window disabled and the
// progress window shown, shows the written texts in the code viewers when
// "ShowCodeInViewer" is set, then moves to the results page with the run's figures.
// Errors (a cancel included) are recorded under "MGlobals.GenerateCode" and passed on,
// after the main window is enabled again and the progress window is gone.
bool GenerateCode();

// Shows the texts of the last run that wrote its files in the code viewers, whether or
// not "ShowCodeInViewer" is set. False, and nothing shown, before such a run.
bool ShowLastCode();

// The connection pages' test: "Connection tested successfully." or the failure as a
// message. An entry point: errors end in HandleUIError.
void TestConnection(const std::string& AConnectString);
// Shows the connection report of AConnectString (MConnReport) in a message window.
void ShowConnectionReport(const std::string& AConnectString);

// Shows a generated text in the code viewer: ModuleType 1 for the class, 0 for the
// module; the prolog, the code, the file it was written to and the run's progress
// channel (for its messages). Installed by the code viewer; without one nothing is shown.
using CodeViewerHook = std::function<void(int ModuleType, const std::string& AProlog, std::string_view ACode,
                                          const std::string& AFileName, CProgress* oProgress)>;
void SetCodeViewer(CodeViewerHook hook);

// The file dialogs of profiles: filter and flags.
constexpr const char* kProfileFilter = "Procforge Profile (*.PFG)|*.PFG";
constexpr int kProfileDialogFlags = 0x28000A;
// The "Save Profile As..." dialog; on confirmation File is the chosen path and true.
bool DialogSaveProfileAs(std::string& File);

// Before the profile is saved over its file: when another program (a second wizard,
// procforge-cli configure) changed the file since this wizard loaded or saved it, asks
// whether to overwrite it, reload it (the changes made here are dropped) or save under
// another name (the profile takes that name). False when the user closed the choice
// without a name: nothing is to be saved. True at once when the file is unchanged.
bool ResolveChangedProfile();

// Saves the profile under its lock (the one procforge-cli configure takes), so that a
// configure run is never saved over: when the file changed since this wizard loaded or
// saved it, asks as ResolveChangedProfile does and tries again. When another program
// holds the lock past its ProfileLockWaitMs, says so and offers to wait again or
// save under another name. False when the user chose to save nothing (the settings stay
// as they are here); a save that fails has shown its message and gives true.
bool SaveProfile();

// Opens a file with the desktop's handler for it. False when no handler took it.
bool ShellOpen(const std::string& Path);

// Name of the programmer guide beside the program.
constexpr const char* kProgrammerGuide = "Procforge Programmer Guide.htm";

}  // namespace pf::wizard
