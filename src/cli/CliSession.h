#pragma once
// One run of procforge-cli: the user interface, the settings model and the profile the
// command works on, and the one place where a command's errors end.
//
// Start-up follows the program's: the error library learns about the data-access layer,
// the message routines talk through CliUserInterface and disconnect through the settings
// model, and without --profile the state file names the profile (CSettings::Init). A
// profile that cannot be read is an error here: the command line never goes on with a
// new profile in its place, and never writes over the file.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliUserInterface.h"

namespace pf {
class CSettings;
}

namespace pf::cli {

class CliSession {
 public:
  explicit CliSession(const CliOptions& Options);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Fixes the clock from SOURCE_DATE_EPOCH, creates the settings model and runs Body.
  // Returns Body's exit status; an error ends in HandleUIError (message on stderr,
  // internal errors logged) and gives 1, or 130 when the run was cancelled.
  int Run(const std::function<int()>& Body);

  CSettings& Settings() { return *settings_; }
  CliUserInterface& Ui() { return *ui_; }
  const CliOptions& Options() const { return options_; }

  // Opens the profile to work on: --profile, else the current profile of the state file.
  // Raises ERR_USER_CHECK when there is none or it cannot be read.
  void OpenProfile();
  // A new profile in memory under --profile's name, which must not exist yet.
  void NewProfile();

  // --profile as an absolute path.
  std::string ProfilePath() const;

  // Raises ERR_USER_CHECK with the reason when the profile's connection cannot be opened:
  // a user's mistake, said before any work and never taken for a fault of the program.
  void RequireConnection();
  // The bytes of a file named on the command line. One that cannot be used (missing, a
  // folder, a FIFO, unreadable) raises ERR_USER_CHECK naming it and the reason.
  static std::string ReadInput(const std::string& File);
  // Writes Text to a file named on the command line, atomically; a failure (a full disk)
  // raises ERR_USER_CHECK with the file and the reason, and nothing of Text.
  static void WriteOutput(const std::string& File, std::string_view Text);
  // Runs Body, an operation on a file named on the command line. A failure of the file
  // system there (a full disk, a path over the system's limit, a read-only file) is the
  // user's to fix, not a fault of the program: it is raised again as ERR_USER_CHECK with
  // its first line, so that it shows as one line and is not logged. Other errors pass.
  static void UserFileOperation(const std::function<void()>& Body);

 private:
  void LoadStateFile();

  CliOptions options_;
  std::shared_ptr<CliUserInterface> ui_;
  std::unique_ptr<CSettings> settings_;
};

// Writes Text to stdout, the one way the commands print their results. A write that fails
// (a full disk, a closed pipe) is remembered with its cause; FinishOutput reports it.
void Print(std::string_view Text);
// Flushes and closes stdout at the program's end. When any write, the flush or the close
// failed, the output is incomplete: says so in one line on stderr and returns 1 instead of
// Status (a status of a run stopped by a signal, 128 and above, stays). Else Status.
int FinishOutput(int Status);

// Prints a run's warnings on stderr as "warning: " lines. With Strict a warning fails the
// run: returns 1 then, else 0.
int ReportWarnings(const std::vector<std::string>& Warnings, bool Strict);

// Fixes the clock to SOURCE_DATE_EPOCH (seconds since 1970, shown in UTC) when it is set.
// Raises ERR_USER_CHECK when it is set but not a number of seconds.
void ApplySourceDateEpoch();

}  // namespace pf::cli
