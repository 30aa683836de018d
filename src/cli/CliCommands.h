#pragma once
// The commands of procforge-cli. Each returns the exit status of a command that ran to
// its end; failures raise AppError and end in CliSession::Run.

namespace pf::cli {

class CliSession;

// Generates the class and the parameter-definitions module as the wizard's Start button
// does, and prints the statistics and the paths written. A file that could not be
// written makes the run fail.
int RunGenerate(CliSession& Session);
// Prints "name<TAB>method name" for every procedure that passes the filters.
int RunList(CliSession& Session);
// Tests the given connection string, or the profile's ConnPfg.
int RunTestConnection(CliSession& Session);
// Creates or loads a profile, applies a configuration and keys, validates and saves it.
int RunConfigure(CliSession& Session);
// Writes the code viewer's HTML of a .cls or .bas file to -o OUT or stdout.
int RunHtml(CliSession& Session);
// Captures the profile's catalogue into the snapshot named by -o.
int RunSnapshot(CliSession& Session);
// Compares two catalogues and prints their differences; 1 when one is breaking.
int RunDiff(CliSession& Session);
// Checks Visual Basic files and prints "FILE:LINE: message" per finding; 1 when any.
int RunCheck(CliSession& Session);

}  // namespace pf::cli
