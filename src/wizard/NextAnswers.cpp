#include "wizard/NextAnswers.h"

#include <memory>
#include <stdexcept>

#include "shell/IUserInterface.h"

namespace pf::wizard::NextAnswers {

namespace {
std::unique_ptr<Script>& Current() {
  static std::unique_ptr<Script> script;
  return script;
}
}  // namespace

Script& Start() {
  Current() = std::make_unique<Script>();
  return *Current();
}

void Stop() { Current().reset(); }

Script* Active() { return Current().get(); }

bool ScriptedMessage(const std::string& Msg, int Buttons, const std::string& Title, int& Answer) {
  Script* s = Active();
  if (!s) return false;
  s->Messages.push_back({Msg, Buttons, Title});
  if (!IsQuestion(Buttons)) {
    Answer = vbOK;
    return true;
  }
  if (s->MessageAnswers.empty()) throw std::logic_error("No answer queued for the question: " + Msg);
  Answer = s->MessageAnswers.front();
  s->MessageAnswers.pop_front();
  return true;
}

bool ScriptedFile(const FileRequest& Request, std::optional<std::string>& Answer) {
  Script* s = Active();
  if (!s) return false;
  s->FileRequests.push_back(Request);
  if (s->FileAnswers.empty()) throw std::logic_error("No answer queued for the file dialog: " + Request.Title);
  Answer = s->FileAnswers.front();
  s->FileAnswers.pop_front();
  return true;
}

bool ScriptedReport(const std::string& Report) {
  Script* s = Active();
  if (!s) return false;
  s->ErrorReports.push_back(Report);
  return true;
}

bool ScriptedOpen(const std::string& Path, bool& Opened) {
  Script* s = Active();
  if (!s) return false;
  s->Opened.push_back(Path);
  Opened = s->OpenSucceeds;
  return true;
}

}  // namespace pf::wizard::NextAnswers
