#include "errors/Faultnet31.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/AppPaths.h"
#include "base/NoCase.h"
#include "base/Os.h"
#include "base/SourceText.h"
#include "base/Utf8.h"
#include "base/VBDate.h"
#include "errors/Secrets.h"

namespace pf {

AppError ErrObject::ToAppError() const {
  AppError e(Number, Source, Description, HelpFile, HelpContext);
  e.Line = Line;
  e.SysError = LastDllError;
  return e;
}

namespace Faultnet31 {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kProcessedSource = "Faultnet.ErrorIn";

struct ModuleState {
  ErrObject err;  // the error object
  bool preserved = false;
  ErrObject saved;
  std::string report;
  std::string extraInfo;
  std::string releasedObjects;
  std::string additionalLine;
  std::shared_ptr<IErrConnection> preservedConnection;
  std::shared_ptr<IMessageProvider> messageProvider;
  std::string warnings;
  DbLogExecutor dbLogExecutor;
};

ModuleState& S() {
  thread_local ModuleState state;
  return state;
}

ErrObject FromAppError(const AppError& e) {
  ErrObject o;
  o.Number = e.Number;
  o.Source = e.Source;
  o.Description = e.Description;
  o.HelpFile = e.HelpFile;
  o.HelpContext = e.HelpContext;
  o.Line = e.Line;
  o.LastDllError = e.SysError;
  return o;
}

// "+ 5198" / "- 5": the sign, a blank and the distance.
std::string Relative(int32_t number, int32_t base) {
  const int64_t d = static_cast<int64_t>(number) - base;
  return (d < 0 ? "- " : "+ ") + std::to_string(d < 0 ? -d : d);
}

std::string Hex(int32_t number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<uint32_t>(number));
  return buf;
}

// Fills %Name% placeholders in one pass, so no inserted value is scanned again.
std::string FillTemplate(std::string_view tpl, const std::vector<std::pair<std::string_view, std::string>>& fields) {
  std::string out;
  out.reserve(tpl.size() + 256);
  for (size_t i = 0; i < tpl.size();) {
    if (tpl[i] == '%') {
      const size_t end = tpl.find('%', i + 1);
      if (end != std::string_view::npos) {
        const std::string_view name = tpl.substr(i + 1, end - i - 1);
        bool found = false;
        for (const auto& [key, value] : fields) {
          if (key == name) {
            out += value;
            found = true;
            break;
          }
        }
        if (found) {
          i = end + 1;
          continue;
        }
      }
    }
    out += tpl[i++];
  }
  return out;
}

std::string Safe(const std::function<std::string()>& f, std::string fallback) {
  if (!f) return fallback;
  try {
    return f();
  } catch (...) {
    return fallback;
  }
}

std::string DefaultComputerName() { return Os::ComputerName(); }

std::string ReportHeader(std::string_view procName, const ErrObject& e) {
  static constexpr std::string_view kTemplate =
      "%Descr% %nl%  Time='%Time%' App='%App%:%Ver%' ADO-version='%ADOVersion%' Computer='%Comp%' %nl%"
      "  Method: %MethodName% %nl%"
      "  Number: %ErrNum% = &H%ErrHex% = vbObjectError %ErrNumRel1% = ERRMAP_APP_FIRST %ErrNumRel2% %ErrStd%%nl%"
      "  Source: %Source% %nl%"
      "  Description: %Descr%%nl%";
  ErrEnvironment& env = Environment();
  const std::string time =
      env.ReportTime ? Safe(env.ReportTime, "?") : VBDate::Format(VBDate::Now(), "Mm/Dd/yy Hh:Nn:Ss");
  return FillTemplate(kTemplate, {{"nl", std::string(kCrLf)},
                                  {"MethodName", std::string(procName)},
                                  {"Comp", env.ComputerName ? Safe(env.ComputerName, "?") : DefaultComputerName()},
                                  {"Time", time},
                                  {"App", env.AppName},
                                  {"Ver", env.AppVersion},
                                  {"ADOVersion", Safe(env.ADOVersion, "?")},
                                  {"ErrNum", std::to_string(e.Number)},
                                  {"ErrHex", Hex(e.Number)},
                                  {"ErrNumRel1", Relative(e.Number, vbObjectError)},
                                  {"ErrNumRel2", Relative(e.Number, ERRMAP_APP_FIRST)},
                                  {"ErrStd", e.Number == ERRMAP_APP_FIRST ? "= ERR_GENERAL" : ""},
                                  {"Source", e.Source},
                                  {"Descr", e.Description}});
}

void AddLine(std::string& report, std::string_view line) {
  report += line;
  report += kCrLf;
}

std::string StateText(int state) {
  if ((state & 1) == 0) return "adStateClosed";
  std::string s = "adStateOpen";
  if (state & 2) s += " + adStateConnecting";
  if (state & 4) s += " + adStateExecuting";
  if (state & 8) s += " + adStateFetching";
  return s;
}

void AddAdoSection(std::string& report, IErrDbObject* dbObject, IErrConnection* conn, bool fromPreserved) {
  try {
    AddLine(report, "  ADO Info: ");
    AddLine(report, "    ADO Version:   " + conn->ErrVersion());
    std::string typeName = dbObject ? dbObject->ErrTypeName() : conn->ErrTypeName();
    if (fromPreserved) typeName += " (Connection object was preserved internally)";
    AddLine(report, "    DbObject:      " + typeName);
    AddLine(report, "    Conn. String: '" + conn->ErrConnectionString() + "'");
    AddLine(report, "    Conn. State:   " + StateText(conn->ErrState()));
    for (const std::string& d : conn->ErrErrorDescriptions()) AddLine(report, "    Error:         " + d);
  } catch (...) {
    // The report must never hide the error it describes.
  }
}

constexpr auto Trim = srctext::TrimSpace;

// Indents every line of `text` by `indent` blanks, each line ending in CR LF.
void AddIndented(std::string& report, std::string_view text, std::string_view indent) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (end == std::string_view::npos && line.empty() && start > 0) break;
    std::string l(indent);
    l += line;
    AddLine(report, l);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

// An xml argument laid out one element per line.
std::string XmlPerLine(std::string_view xml) {
  std::string out;
  out.reserve(xml.size() + 64);
  for (size_t i = 0; i < xml.size(); ++i) {
    out += xml[i];
    if (xml[i] == '>' && i + 1 < xml.size() && xml[i + 1] == '<') out += kCrLf;
  }
  return out;
}

// Characters of one argument value that a report shows.
constexpr size_t kMaxValueShown = 300;

void AddCallStackLine(std::string& report, std::string_view procName, const ErrValues& args, int32_t line,
                      const ErrEnvValues* env) {
  std::string_view name = procName;
  std::vector<std::string_view> argNames;
  if (const size_t open = procName.find('('); open != std::string_view::npos) {
    name = procName.substr(0, open);
    const size_t close = procName.rfind(')');
    std::string_view list = procName.substr(
        open + 1, (close == std::string_view::npos || close < open ? procName.size() : close) - open - 1);
    while (!Trim(list).empty()) {
      const size_t comma = list.find(',');
      argNames.push_back(Trim(list.substr(0, comma)));
      if (comma == std::string_view::npos) break;
      list.remove_prefix(comma + 1);
    }
  }

  std::string text = "  Call Stack: ";
  text += name;
  text += '(';
  std::string valueBlocks;
  for (size_t i = 0; i < argNames.size(); ++i) {
    if (i) text += ", ";
    text += argNames[i];
    text += '=';
    const ErrValue value = i < args.size() ? args[i] : ErrValue();
    const bool isText = value.kind() == ErrValue::Kind::Text || value.kind() == ErrValue::Kind::Date;
    if (isText && (value.text().size() > 40 || value.text().find_first_of("\r\n") != std::string::npos)) {
      text += "{Text}";
      AddLine(valueBlocks, "    Value Of " + std::string(argNames[i]) + ":");
      // A whole generated class as an argument would bury the report: long values are
      // cut, with their full length given.
      std::string_view shown = value.text();
      std::string cutNote;
      if (Utf8::Length(shown) > kMaxValueShown) {
        size_t cut = 0;
        for (size_t chars = 0; cut < shown.size(); ++cut) {
          if (Utf8::IsContinuationByte(shown[cut])) continue;
          if (chars++ == kMaxValueShown) break;
        }
        shown = shown.substr(0, cut);
        cutNote = "      ... (" + std::to_string(Utf8::Length(value.text())) + " characters in all)";
      }
      const bool xml = NoCase::Equals(argNames[i], "xml") && !shown.empty() && shown[0] == '<';
      AddIndented(valueBlocks, xml ? XmlPerLine(shown) : std::string(shown), "      ");
      if (!cutNote.empty()) AddLine(valueBlocks, cutNote);
    } else {
      text += value.ReportForm();
    }
  }
  text += ')';
  if (line != 0) {
    if (text.size() < 100) text.append(100 - text.size(), '-');
    text += "  at Line " + std::to_string(line);
  }
  AddLine(report, text);
  report += valueBlocks;

  ModuleState& s = S();
  if (!s.additionalLine.empty()) {
    AddLine(report, s.additionalLine);
    s.additionalLine.clear();
  }
  if (env && !env->empty()) {
    std::string envLine = "    Env: ";
    for (size_t i = 0; i < env->size(); ++i) {
      if (i) envLine += ", ";
      envLine += (*env)[i].first + "=" + (*env)[i].second.ReportForm();
    }
    AddLine(report, envLine);
  }
}

template <class F>
std::string Outcome(F&& call) {
  try {
    call();
    return "succeeded";
  } catch (const std::exception& e) {
    return std::string("failed with error '") + e.what() + "'";
  } catch (...) {
    return "failed with error 'Unknown error'";
  }
}

// Rolls back or aborts as the flags ask; returns the report line, empty for none.
std::string TransactionStep(int32_t flags, IErrConnection* conn, ITransControl* trans) {
  std::string text;
  if (trans) {
    text = "Attempt to call TransControlObject.SetAbort: " + Outcome([&] { trans->SetAbort(); });
  } else if (conn && (flags & EF_ROLLBACK)) {
    // There is no COM+ object context on this platform, so flags 4 and 8 have nothing to act on.
    int state = 0;
    try {
      state = conn->ErrState();
    } catch (...) {
    }
    if (state & 1)
      text = "Attempt to call RollbackTrans " + Outcome([&] { conn->ErrRollbackTrans(); });
    else
      text = "Could not call RollbackTrans: Connection is closed ";
  }
  return text.empty() ? text : "    Transaction: " + text;
}

}  // namespace

ErrObject& Err() { return S().err; }

bool IsPreserved() { return S().preserved; }

void ErrPreserve() {
  ModuleState& s = S();
  if (s.preserved) return;
  if (std::exception_ptr e = std::current_exception()) s.err = FromAppError(ToAppError(e));
  if (s.err.Number == 0) return;
  s.saved = s.err;
  s.preserved = true;
}

void ErrRestore() {
  ModuleState& s = S();
  if (!s.preserved) return;
  ErrObject restored;
  restored.Number = s.saved.Number;
  restored.Source = s.saved.Source;
  restored.Description = s.saved.Description;
  restored.HelpFile = s.saved.HelpFile;
  if (!s.saved.HelpContext.empty()) restored.HelpContext = s.saved.HelpContext;
  restored.Line = s.saved.Line;
  restored.LastDllError = s.saved.LastDllError;
  s.err = restored;
}

std::string ErrorIn(std::string_view procName, const ErrValues& args, int32_t flags, IErrDbObject* dbObject,
                    const ErrEnvValues* env, ITransControl* transControl) {
  ModuleState& s = S();
  if (std::exception_ptr e = std::current_exception(); e && !s.preserved) s.err = FromAppError(ToAppError(e));
  if (s.err.Number == 0 && !s.preserved) {
    s.err.Clear();
    s.err.Number = ERRMAP_APP_FIRST;
    s.err.Source = "Procforge";
    s.err.Description =
        "ErrorIn: Error information was lost. To fix: call ErrPreserve before doing anything in error handler.";
  }
  ErrPreserve();

  IErrConnection* conn = nullptr;
  bool fromPreserved = false;
  try {
    if (dbObject) conn = dbObject->ErrActiveConnection();
  } catch (...) {
  }
  if (!conn && s.preservedConnection) {
    conn = s.preservedConnection.get();
    fromPreserved = true;
  }

  const bool messageRange = IsMessageRange(s.saved.Number);
  const bool report = !messageRange && (flags & EF_REPORT);
  std::string result;
  if (report) {
    if (s.saved.Source == kProcessedSource) {
      s.report = s.saved.Description;
    } else {
      s.report = ReportHeader(procName, s.saved);
      if (s.saved.LastDllError != 0 && s.saved.LastDllError != 203) {
        const ErrEnvironment& envr = Environment();
        const std::string sysText =
            envr.SystemErrorText ? envr.SystemErrorText(s.saved.LastDllError) : std::strerror(s.saved.LastDllError);
        AddLine(s.report, "  API Error: (" + std::to_string(s.saved.LastDllError) + ") " + sysText);
      }
      if (conn) AddAdoSection(s.report, dbObject, conn, fromPreserved);
      // There is no web request object on this platform: flag 32 adds nothing.
    }
    AddCallStackLine(s.report, procName, args, s.saved.Line, env);
    if (!s.extraInfo.empty()) AddLine(s.report, s.extraInfo);
    if (!s.releasedObjects.empty()) AddLine(s.report, "    Released Objects: " + s.releasedObjects);
  }
  s.extraInfo.clear();
  s.releasedObjects.clear();

  const std::string transLine = TransactionStep(flags, conn, transControl);
  if (!messageRange) {
    if (!transLine.empty()) AddLine(s.report, transLine);
    if (conn && (flags & EF_CLOSE))
      AddLine(s.report, "    Connection: Attempt to call Close " + Outcome([&] { conn->ErrClose(); }));
  }

  if (report) {
    // Reports go to logs and windows: connection passwords never reach them.
    s.report = Secrets::Mask(s.report);
    s.saved.Source = std::string(kProcessedSource);
    s.saved.Description = s.report;
    result = s.report;
  }

  s.preservedConnection.reset();
  ErrRestore();
  s.preserved = false;
  if (flags & EF_RAISE) throw s.err.ToAppError();
  return result;
}

std::string FillMessage(std::string_view msg, const ErrValues& values) {
  std::string out;
  out.reserve(msg.size() + 32);
  for (size_t i = 0; i < msg.size();) {
    if (msg[i] == '%' && i + 1 < msg.size() && std::isdigit(static_cast<unsigned char>(msg[i + 1]))) {
      // The longest number that names a value wins, so %10 is not taken for %1 and a 0.
      size_t digits = 0;
      while (i + 1 + digits < msg.size() && std::isdigit(static_cast<unsigned char>(msg[i + 1 + digits]))) ++digits;
      for (size_t len = digits; len > 0; --len) {
        const std::string_view num = msg.substr(i + 1, len);
        if (len > 9) continue;
        const size_t index = std::stoul(std::string(num));
        if (index >= 1 && index <= values.size()) {
          out += values[index - 1].MessageForm();
          i += 1 + len;
          goto next;
        }
      }
    }
    out += msg[i++];
  next:;
  }
  return out;
}

void CheckFailed(int32_t errNum, std::string_view msg, const ErrValues& values) {
  ModuleState& s = S();
  std::string text(msg);
  if (!text.empty() && text[0] == '#' && s.messageProvider) text = s.messageProvider->GetMessage(text);
  std::string broken;
  broken.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '|' && i + 1 < text.size() && text[i + 1] == '|') {
      broken += kCrLf;
      ++i;
    } else {
      broken += text[i];
    }
  }
  if (!values.empty()) broken = FillMessage(broken, values);
  if (errNum == 0) {
    if (!s.warnings.empty()) s.warnings += kCrLf;
    s.warnings += broken;
    return;
  }
  throw AppError(errNum, "Faultnet.Check", broken);
}

std::string Warnings() { return S().warnings; }
void ClearWarnings() { S().warnings.clear(); }

void SetMessageProvider(std::shared_ptr<IMessageProvider> provider) { S().messageProvider = std::move(provider); }
void PreserveConnection(std::shared_ptr<IErrConnection> connection) { S().preservedConnection = std::move(connection); }
void SetAdditionalLine(std::string line) { S().additionalLine = std::move(line); }

void AddReleasedObject(std::string_view name) {
  std::string& r = S().releasedObjects;
  if (!r.empty()) r += ", ";
  r += name;
}

void ErrExtractServerErrors(const void* server, std::string_view serverTypeName, IErrExtractor* extractor,
                            std::string_view title) {
  ModuleState& s = S();
  std::string section = "    COM Server Errors: Server=" + std::string(serverTypeName) + " Extractor=";
  try {
    section += extractor ? extractor->ErrTypeName() : "Nothing";
    if (!title.empty()) section += "  [" + std::string(title) + "]";
    ErrRestore();
    std::string details = extractor ? extractor->Extract(server) : std::string();
    if (details.size() >= 2 && details.compare(details.size() - 2, 2, kCrLf) == 0) details.resize(details.size() - 2);
    if (!details.empty()) {
      std::string indented;
      AddIndented(indented, details, "      ");
      indented.resize(indented.size() - 2);
      section += kCrLf;
      section += indented;
    }
  } catch (const std::exception& e) {
    section += std::string(kCrLf) + "    ErrorIn failed to extract error information: " + e.what();
  } catch (...) {
    section += std::string(kCrLf) + "    ErrorIn failed to extract error information: Unknown error";
  }
  if (!s.extraInfo.empty()) s.extraInfo += kCrLf;
  s.extraInfo += section;
}

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find_first_of("\r\n"));
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

std::string ErrMessage(const AppError& e) {
  if (e.Source != kProcessedSource) return e.Description;
  // The report's first line is the description and a blank (ReportHeader).
  const size_t details = e.Description.find(" " + std::string(kCrLf) + "  Time='");
  return details == std::string::npos ? e.Description : e.Description.substr(0, details);
}

std::string ErrReport() {
  ModuleState& s = S();
  if (!s.report.empty()) return s.report;
  if (s.err.Source == kProcessedSource) return s.err.Description;
  return {};
}

bool ErrLogToFile(const std::string& fileName) {
  const std::string report = ErrReport();
  if (report.empty()) return false;
  try {
    const std::string folder = Safe(Environment().ProgramFolder, "");
    const std::string path =
        AppPaths::HasFolder(fileName) || folder.empty() ? AppPaths::BesideProgram(fileName) : folder + "/" + fileName;
    // The log is an output like any other: a regular file, or a symbolic link to one (the
    // link is followed). A FIFO, a device or a folder is not written: opening without
    // blocking keeps a FIFO that nobody reads from holding up the error path.
    const int fd = Os::OpenAppend(path);
    if (fd < 0) return false;
    Os::Info st;
    const std::string text = report + "\r\n\r\n\r\n";
    bool written = Os::StatFd(fd, st) && st.Type == Os::Kind::Regular;
    for (size_t done = 0; written && done < text.size();) {
      const long long n = Os::Write(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      written = n > 0;
      if (written) done += static_cast<size_t>(n);
    }
    return Os::Close(fd) && written;
  } catch (...) {
    return false;
  }
}

std::string DbLogStatement(const std::string& spName, const std::string& code, const std::string& report) {
  std::string sql = "Exec " + spName + " " + code + ", '";
  sql.reserve(sql.size() + report.size() + 8);
  for (char c : report) {
    sql += c;
    if (c == '\'') sql += '\'';
  }
  sql += '\'';
  return sql;
}

void SetDbLogExecutor(DbLogExecutor executor) { S().dbLogExecutor = std::move(executor); }

bool ErrLogToDB(const std::string& connectString, const std::string& code, const std::string& spName) {
  const std::string report = ErrReport();
  if (report.empty()) return false;
  std::string cause;
  try {
    if (!S().dbLogExecutor) throw AppError(ERR_GENERAL, "Faultnet.ErrLogToDB", "No database access is available.");
    S().dbLogExecutor(connectString, DbLogStatement(spName, code, report));
    return true;
  } catch (const std::exception& e) {
    cause = e.what();
  }
  // The raised error and the report's "Log:" line go to logs others read: no password.
  cause =
      "Failed to save error report to database. \r\nConnectString = '" + Secrets::Mask(connectString) + "'\r\n" + cause;
  // The logs written after this one get the report saying that it failed.
  S().report = report + "  Log: " + cause + "\r\n";
  throw AppError(ERR_GENERAL, "Faultnet.ErrLogToDB", cause);
}

bool ErrLogToEventLog() {
  const std::string report = ErrReport();
  if (report.empty()) return false;
  try {
    ErrEnvironment& env = Environment();
    if (env.EventLog) {
      env.EventLog(report);
    } else {
      return Os::LogError(env.AppName, report);
    }
    return true;
  } catch (...) {
    return false;
  }
}

bool ErrMustStop() { return false; }

ErrEnvironment& Environment() {
  static ErrEnvironment env;
  return env;
}

void Reset() {
  ModuleState& s = S();
  DbLogExecutor executor = std::move(s.dbLogExecutor);
  std::shared_ptr<IMessageProvider> provider = std::move(s.messageProvider);
  s = ModuleState();
  s.dbLogExecutor = std::move(executor);
  s.messageProvider = std::move(provider);
}

void Adopt(const AppError& e) {
  Reset();
  S().err = FromAppError(e);
}

}  // namespace Faultnet31
}  // namespace pf
