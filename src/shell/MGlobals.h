#pragma once
// Message routines and the user-interface error handler: every message the program
// shows passes through here, and every user-interface entry point ends its error
// handling in HandleUIError. The routines talk to the user through the installed
// IUserInterface (the console until one is installed).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/IUserInterface.h"

namespace pf {
class CSettings;
class CProgress;
}  // namespace pf

namespace pf::MGlobals {

// The program state: 0 while starting, 1 while running, 2 while exiting.
enum AppStates : int32_t { AS_STARTING = 0, AS_RUNNING = 1, AS_EXITING = 2 };
extern int32_t AppState;

void SetUserInterface(std::shared_ptr<IUserInterface> ui);
IUserInterface& UserInterface();
// Called by HandleUIError after every error while the settings model exists (its
// DisconnectServer); an empty function removes it.
void SetDisconnectServer(std::function<void()> disconnect);

// OK box without title; closes the splash window first unless the program runs.
void ShowMessage(const std::string& Msg);
// OK box titled "Error"; an empty text shows "Unhandled application error.".
void ShowError(const std::string& Msg);
// Yes/No titled "Confirm"; true for Yes.
bool Confirm(const std::string& Msg);
// Yes/No titled "Procforge"; true for Yes.
bool AskYesNo(const std::string& Msg);

// Call inside a catch block (or after the error library captured an error). Errors of
// the plain-message range are shown as they are ("Operation Canceled" not at all);
// anything else has its report appended to "Errors.txt" and is shown as
// "Internal app error: " and its text. Never throws.
void HandleUIError();

// Writes Text in the "ASCII" character set, replacing the file atomically. On failure
// shows "Error Saving File: " and the error text and returns false.
bool SaveFile(const std::string& FileName, const std::string& Text);
// CreateIt: opens the file for appending (creating it); else the file must exist and
// open for reading. False with ErrMsg set (for a missing file "File not found (name)")
// when that fails; never throws.
bool CheckFile(const std::string& FileName, std::string& ErrMsg, bool CreateIt);
// The user guide beside the program.
std::string GetHelpFileName();
void ResetMousePointer();

// What one generation run produced and where it went.
struct GenerationResult {
  int32_t NumSPs = 0;    // procedure methods wrapped
  int32_t NumLines = 0;  // lines of the class text
  int32_t NumChars = 0;  // characters of the class text
  std::string ClassFile, ClassProlog, ClassCode;
  bool ClassSaved = false;        // SaveFile of the class file succeeded
  bool ParamDefsWanted = false;   // AddExecSPByName: the module was built and written
  std::string ParamDefsFile, ModuleProlog, ParamDefsCode;
  bool ParamDefsSaved = false;    // SaveFile of the module succeeded
  // What the run skipped or changed on its own, in the order it happened (the progress
  // channel's warnings). The wizard lists them on its results page, procforge-cli prints
  // them as "warning: " lines.
  std::vector<std::string> Warnings;
};

// What a front end does around the build itself (the wizard disables its main window and
// shows the progress window). Both are optional; AfterBuild runs also when the build fails.
struct GenerationHooks {
  std::function<void()> BeforeBuild;  // after the checks, before the builder runs
  std::function<void()> AfterBuild;   // after the build, before the files are written
};

// The generation command shared by every front end: checks the output files (may ask
// before overwriting), validates the profile, builds under Progress, writes the class file
// (prolog and text) and, with AddExecSPByName, the parameter-definitions module, with
// SaveFile (a failed save shows its message and the run goes on; see the Saved flags),
// and disconnects from the server. Errors, "Operation Canceled" included, are recorded
// under "MGlobals.GenerateCode" and passed on; a failed check or build writes nothing.
GenerationResult GenerateCode(CSettings& Settings, CProgress& Progress, const GenerationHooks& Hooks = {});

// Tests AConnectString with the server object of the profile's server type. A failure
// raises 0x80041065 "Connection test failed: " and the reason; success shows
// "Connection tested successfully.". Recorded under "MGlobals.TestConnection(AConnectString)".
void TestConnection(CSettings& Settings, const std::string& AConnectString);

}  // namespace pf::MGlobals
