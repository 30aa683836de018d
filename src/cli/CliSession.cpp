#include "cli/CliSession.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "errors/Faultnet31.h"
#include "base/Clock.h"
#include "base/Os.h"
#include "extract/CServer.h"
#include "platform/FileIO.h"
#include "platform/StopSignals.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Provider.h"
#include "settings/CSettings.h"
#include "shell/CIniFile.h"
#include "shell/MGlobals.h"
#include "shell/MUtils.h"

namespace pf::cli {

namespace {

bool IsBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// The cause of the first write to stdout that failed; 0 while all went well.
int g_printErrno = 0;

}  // namespace

void Print(std::string_view Text) {
  errno = 0;
  if (std::fwrite(Text.data(), 1, Text.size(), stdout) == Text.size() || g_printErrno) return;
  g_printErrno = errno ? errno : EIO;
}

int FinishOutput(int Status) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (!flushed && !g_printErrno) g_printErrno = errno ? errno : EIO;
  const bool clean = !std::ferror(stdout);
  errno = 0;
  if (std::fclose(stdout) != 0 && !g_printErrno) g_printErrno = errno ? errno : EIO;
  if (clean && !g_printErrno) return Status;
  std::fprintf(stderr, "procforge-cli: cannot write to standard output: %s\n",
               std::strerror(g_printErrno ? g_printErrno : EIO));
  return Status >= 128 ? Status : 1;
}

int ReportWarnings(const std::vector<std::string>& Warnings, bool Strict) {
  for (const std::string& w : Warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  if (!Strict || Warnings.empty()) return 0;
  std::fprintf(stderr, "procforge-cli: %zu warning(s) with --strict: the run counts as failed.\n", Warnings.size());
  return 1;
}

void ApplySourceDateEpoch() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (!text) return;
  const std::string value = text;
  char* end = nullptr;
  errno = 0;
  const long long seconds = std::strtoll(value.c_str(), &end, 10);
  const bool digitsOnly = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
  Faultnet31::Check(digitsOnly && errno == 0 && *end == '\0', ERR_USER_CHECK,
                    "SOURCE_DATE_EPOCH must be a number of seconds since 1970-01-01 UTC, not '%1'.", value);
  // Dates are shown in local time: make that UTC, so that the same value gives the same
  // text everywhere.
  Os::UseUtcTime();
  Clock::SetFixed(static_cast<std::time_t>(seconds));
}

CliSession::CliSession(const CliOptions& Options)
    : options_(Options), ui_(std::make_shared<CliUserInterface>(Options.Answer)) {
  MGlobals::SetUserInterface(ui_);
  ado::RegisterWithErrorLibrary();
}

CliSession::~CliSession() {
  MGlobals::SetDisconnectServer({});
  if (settings_) settings_->DisconnectServer();
  settings_.reset();
  MGlobals::SetUserInterface(nullptr);
}

int CliSession::Run(const std::function<int()>& Body) {
  try {
    ApplySourceDateEpoch();
    settings_ = std::make_unique<CSettings>();
    MGlobals::SetDisconnectServer([this] { settings_->DisconnectServer(); });
    MGlobals::AppState = MGlobals::AS_RUNNING;
    const int status = Body();
    // Logouts the server did not answer, where the command did not report them itself:
    // the work done before them stands.
    ReportWarnings(ado::TakeAbandonedLogouts(), false);
    return status;
  } catch (...) {
    bool cancelled = false;
    try {
      cancelled = ToAppError(std::current_exception()).Number == ERR_CANCELED;
    } catch (...) {
    }
    // After a stop signal, a failure is what the stop caused (a query cancelled on the
    // server): the run counts as cancelled, and the failure is no message of its own.
    const bool stopped = StopSignals::Received() != 0;
    if (cancelled || !stopped) MGlobals::HandleUIError();
    if (!cancelled && !stopped) return 1;
    if (ui_->BeforeOutput) ui_->BeforeOutput();
    std::fputs("Cancelled.\n", stderr);
    return StopSignals::ExitStatus(StopSignals::Received());
  }
}

std::string CliSession::ProfilePath() const {
  namespace fs = std::filesystem;
  if (!options_.Profile) return {};
  return Os::Utf8(fs::absolute(Os::Path(*options_.Profile)).lexically_normal());
}

// The state file as it is, so that saving keeps the recent-profiles list. One that cannot
// be read is started afresh; saving keeps the old one aside and says so.
void CliSession::LoadStateFile() {
  std::string problem;
  settings_->IniFile->LoadOrStartAfresh(problem);
}

void CliSession::OpenProfile() {
  CSettings& s = *settings_;
  std::string file = ProfilePath();
  if (!options_.Profile) {
    // The state file must name a profile: a new profile in memory is nothing to work on.
    CIniFile state;
    std::string problem;
    const bool loaded = state.LoadOrStartAfresh(problem);
    Faultnet31::Check(problem.empty(), ERR_USER_CHECK, "%1; give a profile with --profile FILE.", problem);
    file = loaded ? state.GetProfile() : std::string();
    Faultnet31::Check(!IsBlank(file), ERR_USER_CHECK,
                      "There is no current profile: give one with --profile FILE, or make one current with "
                      "procforge-cli configure --profile FILE.");
  }
  std::string reason;
  Faultnet31::Check(MGlobals::CheckFile(file, reason, false), ERR_USER_CHECK, "Cannot read the profile: %1", reason);
  LoadStateFile();
  s.ProfileFileName(file);
  // A profile that does not read stops the command: it is never replaced by a new one.
  Faultnet31::Check(s.ProfileRead(reason), ERR_USER_CHECK,
                    "The profile %1 could not be loaded (%2); it was left as it is.", file, reason);
}

void CliSession::RequireConnection() {
  std::string reason;
  Faultnet31::Check(settings_->Server()->CanConnect(reason), ERR_USER_CHECK, "%1", reason);
}

std::string CliSession::ReadInput(const std::string& File) {
  std::string reason;
  Faultnet31::Check(MGlobals::CheckFile(File, reason, false), ERR_USER_CHECK, "%1", reason);
  try {
    return FileIO::ReadBytes(File);
  } catch (...) {
    Faultnet31::Check(false, ERR_USER_CHECK, "%1", ToAppError(std::current_exception()).Description);
    throw;
  }
}

void CliSession::WriteOutput(const std::string& File, std::string_view Text) {
  UserFileOperation([&] { FileIO::WriteAtomic(File, Text); });
}

void CliSession::UserFileOperation(const std::function<void()>& Body) {
  try {
    Body();
  } catch (...) {
    const AppError e = ToAppError(std::current_exception());
    if (e.Number != ERR_PATH_ACCESS && e.Number != ERR_FILE_NOT_FOUND && e.Number != ERR_USER_CHECK) throw;
    Faultnet31::Check(false, ERR_USER_CHECK, "%1", Faultnet31::FirstLine(e.Description));
    throw;
  }
}

void CliSession::NewProfile() {
  const std::string file = ProfilePath();
  Faultnet31::Check(!MUtils::FileExists(file), ERR_USER_CHECK,
                    "The profile %1 exists already: leave out --new to change it, or remove it first.", file);
  LoadStateFile();
  settings_->ProfileInit();
  settings_->ProfileFileName(file);
}

}  // namespace pf::cli
