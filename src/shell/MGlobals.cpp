#include "shell/MGlobals.h"

#include <cerrno>
#include <filesystem>

#include "errors/ErrGuard.h"
#include "errors/Secrets.h"
#include "base/AppPaths.h"
#include "base/Os.h"
#include "platform/FileIO.h"
#include "platform/TextFiles.h"
#include "shell/ConsoleUserInterface.h"
#include "shell/MUtils.h"

namespace pf::MGlobals {

int32_t AppState = AS_STARTING;

namespace {

std::shared_ptr<IUserInterface>& Ui() {
  static std::shared_ptr<IUserInterface> ui;
  return ui;
}

std::function<void()>& Disconnect() {
  static std::function<void()> f;
  return f;
}

constexpr std::string_view kProcessedSource = "Faultnet.ErrorIn";
constexpr const char* kUserGuide = "PFG_UserGuide.htm";

}  // namespace

void SetUserInterface(std::shared_ptr<IUserInterface> ui) { Ui() = std::move(ui); }

IUserInterface& UserInterface() {
  if (!Ui()) Ui() = std::make_shared<ConsoleUserInterface>();
  return *Ui();
}

void SetDisconnectServer(std::function<void()> disconnect) { Disconnect() = std::move(disconnect); }

namespace {

// ShowMessage, with Buttons vbOKOnly or a warning's vbOKOnly + vbExclamation.
void ShowOK(const std::string& Msg, int Buttons) {
  // A start-up message must not hide behind the splash window.
  if (AppState != AS_RUNNING) UserInterface().CloseSplash();
  // Messages quote connection strings; their passwords are not shown.
  UserInterface().ShowMessage(Secrets::Mask(Msg), Buttons, "");
}

}  // namespace

void ShowMessage(const std::string& Msg) { ShowOK(Msg, vbOKOnly); }

void ShowError(const std::string& Msg) {
  UserInterface().ShowMessage(Msg.empty() ? "Unhandled application error." : Secrets::Mask(Msg), vbOKOnly, "Error");
}

bool Confirm(const std::string& Msg) { return UserInterface().ShowMessage(Msg, vbYesNo, "Confirm") == vbYes; }

bool AskYesNo(const std::string& Msg) { return UserInterface().ShowMessage(Msg, vbYesNo, "Procforge") == vbYes; }

void HandleUIError() {
  const std::exception_ptr current = std::current_exception();
  const AppError e = current ? ToAppError(current) : Faultnet31::Err().ToAppError();
  try {
    if (IsMessageRange(e.Number)) {
      if (e.Number != ERR_CANCELED) ShowOK(e.Description, vbOKOnly + vbExclamation);
    } else {
      if (e.Source != kProcessedSource) {
        // The error passed no handler that wrote a report: write one here, so that
        // the log never misses an internal error.
        Faultnet31::Err() = ErrObject{e.Number, e.Source, e.Description, e.HelpFile, e.HelpContext, e.Line, e.SysError};
        Faultnet31::ErrorIn("MGlobals.HandleUIError", {}, EF_REPORT);
      }
      Faultnet31::ErrLogToFile("Errors.txt");
      ShowOK("Internal app error: " + e.Description, vbOKOnly + vbExclamation);
    }
  } catch (...) {
    // The handler of last resort has nobody to pass an error to.
  }
  try {
    if (Disconnect()) Disconnect()();
  } catch (...) {
  }
  try {
    ResetMousePointer();
  } catch (...) {
  }
}

bool SaveFile(const std::string& FileName, const std::string& Text) {
  try {
    MUtils::WriteText(FileName, Text, "ASCII");
    return true;
  } catch (...) {
    ShowMessage("Error Saving File: " + ToAppError(std::current_exception()).Description);
    return false;
  }
}

bool SaveFiles(const std::vector<std::pair<std::string, std::string_view>>& Files, int Mode) {
  try {
    // Sized once: the views below may point into these strings.
    std::vector<std::string> encoded(Files.size());
    std::vector<FileIO::FileData> data;
    for (size_t i = 0; i < Files.size(); ++i)
      data.push_back({Files[i].first, TextFiles::EncodedView(Files[i].second, "ASCII", encoded[i]), Mode});
    FileIO::WriteAtomicAll(data);
    return true;
  } catch (...) {
    ShowMessage("Error Saving File: " + ToAppError(std::current_exception()).Description);
    return false;
  }
}

bool CheckFile(const std::string& FileName, std::string& ErrMsg, bool CreateIt,
               const std::vector<std::string>& Inputs) {
  try {
    if (CreateIt) {
      FileIO::CheckOutput(FileName, Inputs);
      return true;
    }
    const FileIO::FileKind kind = FileIO::KindOf(FileName);
    Faultnet31::Check(kind != FileIO::FileKind::Missing, ERR_USER_CHECK, "File not found (%1)", FileName);
    Faultnet31::Check(kind == FileIO::FileKind::Regular, ERR_USER_CHECK, "%1 is %2, not a file.", FileName,
                      FileIO::KindText(kind));
    const int fd = Os::OpenRead(FileName);
    if (fd < 0) ThrowSystemError(ERR_PATH_ACCESS, "Cannot open file '" + FileName + "'", errno);
    Os::Close(fd);
    return true;
  } catch (...) {
    ErrMsg = ToAppError(std::current_exception()).Description;
    return false;
  }
}

std::string GetHelpFileName() {
  return ErrGuard("MGlobals.GetHelpFileName", [] { return AppPaths::DataFolder({kUserGuide}) + "/" + kUserGuide; });
}

void ResetMousePointer() { UserInterface().ResetMousePointer(); }

}  // namespace pf::MGlobals
