#pragma once
// Message routines and the user-interface error handler: every message the program
// shows passes through here, and every user-interface entry point ends its error
// handling in HandleUIError. The routines talk to the user through the installed
// IUserInterface (the console until one is installed).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "shell/IUserInterface.h"

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
// Writes every (file, text) pair in the "ASCII" character set as one change: all files are
// written completely before any of them is replaced, so a failure leaves every file as it
// was. On failure shows "Error Saving File: " and the error text and returns false.
bool SaveFiles(const std::vector<std::pair<std::string, std::string_view>>& Files, int Mode = -1);
// CreateIt: the file could be written (FileIO::CheckOutput: a regular file or none yet, not
// read-only, in a folder that takes files, none of Inputs), and is neither created nor
// touched; else the file must exist, be a regular file and open for reading. False with
// ErrMsg set (for a missing file "File not found (name)", for a folder "name is a folder,
// not a file.", a device or FIFO likewise) when that fails; never throws.
bool CheckFile(const std::string& FileName, std::string& ErrMsg, bool CreateIt,
               const std::vector<std::string>& Inputs = {});
// The user guide beside the program (or in the installed data folder).
std::string GetHelpFileName();
void ResetMousePointer();

}  // namespace pf::MGlobals
