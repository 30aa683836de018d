#pragma once
// The one seam between the wizard's modal windows and its tests. While scripted, no
// message box, file dialog or report window opens: what would be shown is recorded and
// the answer comes from a queue filled by the test beforehand. A question without a
// queued answer raises std::logic_error, so a test notices a question it did not expect.

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace pf::wizard::NextAnswers {

struct ShownMessage {
  std::string Msg;
  int Buttons;
  std::string Title;
};

struct FileRequest {
  bool Save;  // a save dialog, else an open dialog
  std::string Initial, Ext, Filter, Title;
  int Flags;
};

struct Script {
  std::vector<ShownMessage> Messages;
  std::deque<int> MessageAnswers;  // vbYes / vbNo
  std::vector<FileRequest> FileRequests;
  std::deque<std::optional<std::string>> FileAnswers;  // a chosen path, or nullopt for Cancel
  std::vector<std::string> ErrorReports;               // reports frmShowError would show
  std::vector<std::string> Opened;                     // files the desktop was asked to open
  bool OpenSucceeds = true;                            // what the desktop answers
};

// Starts recording (a fresh script) or stops it (nullptr-free: Stop discards the script).
Script& Start();
void Stop();
// The running script, or nullptr when the windows are real.
Script* Active();

// Used by the windows: true when the answer was scripted.
bool ScriptedMessage(const std::string& Msg, int Buttons, const std::string& Title, int& Answer);
bool ScriptedFile(const FileRequest& Request, std::optional<std::string>& Answer);
bool ScriptedReport(const std::string& Report);
bool ScriptedOpen(const std::string& Path, bool& Opened);

}  // namespace pf::wizard::NextAnswers
