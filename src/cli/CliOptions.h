#pragma once
// The command line of procforge-cli: which command, its options, and the help texts.
//
//   procforge-cli generate        [--profile FILE] [--yes | --no] [--strict]
//   procforge-cli list            [--profile FILE]
//   procforge-cli test-connection [--profile FILE] [CONNECTION-STRING]
//   procforge-cli configure       --profile FILE [--new] [--config 0|1|2] [--set Section.Key=Value]...
//   procforge-cli html            FILE [-o OUT]
//   procforge-cli snapshot        [--profile FILE] -o OUT.db|OUT.sql
//   procforge-cli diff            OLD [NEW] [--profile FILE]
//   procforge-cli check           [--names] FILE...
//   procforge-cli [COMMAND] --help
//
// Options take their value as the next argument or after "=" (--profile=FILE). "--" ends
// the options, so a connection string may begin with "-".

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pf::cli {

enum class Command { None, Generate, List, TestConnection, Configure, Html, Snapshot, Diff, Check };

// One --set argument split at its first "." and the first "=" after it.
struct KeySetting {
  std::string Section, Key, Value;
  bool FromStdin = false;  // --set-stdin: Value is the next line of standard input
};

struct CliOptions {
  Command Cmd = Command::None;
  bool Help = false;                         // --help: show the command's help (overall without a command)
  std::optional<std::string> Profile;        // --profile FILE
  int Answer = 0;                            // --yes: vbYes, --no: vbNo, 0: ask
  bool Strict = false;                       // generate --strict: a warning fails the run
  bool Report = false;                       // test-connection --report: print the connection report
  std::optional<std::string> ConnectString;  // test-connection's argument
  bool New = false;                          // configure --new
  std::optional<int> Config;                 // configure --config 0|1|2
  std::vector<KeySetting> Sets;              // configure --set, in command-line order
  std::optional<std::string> InputFile;      // html's FILE
  std::optional<std::string> OutputFile;     // html -o OUT, snapshot -o OUT
  bool Check = false;                        // generate --check
  std::vector<std::string> Operands;         // diff OLD [NEW]
  std::vector<std::string> CheckFiles;       // check's FILEs, in command-line order
  bool CheckNames = false;                   // check --names
};

// A command line that cannot be understood; its text says why.
class CliUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads argv[1..argc-1]. Throws CliUsageError for an unknown command or option, a missing
// or malformed value, an option the command does not take, --yes with --no,
// configure without --profile, html without FILE and check without a FILE.
CliOptions ParseCommandLine(int argc, const char* const* argv);

// Reads the values that the command line says come from standard input, one line each in
// command-line order: those of --set-stdin, and test-connection's CONNECTION-STRING "-".
// Throws CliUsageError when standard input ends before a value.
void ReadStdinValues(CliOptions& o, std::FILE* in);

// The help text of a command, or the overview for Command::None. Ends with a line break.
std::string HelpText(Command cmd);

// The name a command is called by ("test-connection").
const char* CommandName(Command cmd);

}  // namespace pf::cli
