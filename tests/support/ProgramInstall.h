#pragma once
// Runs one of the programs (procforge-cli, or the wizard procforge) as a separate process in
// a private installation: a temporary folder holding a copy of the program and the files
// it expects beside it, with HOME and
// XDG_CONFIG_HOME pointing into the same folder, so that the state file, the default
// profile and the error log of a test never touch the build tree or the user's files.

#include <map>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace pftest {

struct ProgramResult {
  int ExitCode = -1;  // 128 + the signal for a program a signal killed
  int Signal = 0;     // the signal that killed it, 0 when it exited
  std::string Out, Err;
};

class ProgramInstall {
 public:
  // Portable: the program with its files beside it in one folder. Installed: the layout of
  // a package, the program in usr/bin and its files in usr/share/procforge.
  enum class Layout { Portable, Installed };
  explicit ProgramInstall(std::string Program = "procforge-cli", Layout Kind = Layout::Portable);

  // Runs the program with Args in WorkDir (the repository root when empty). Stdin is
  // /dev/null: there is no terminal to answer questions. Env adds or replaces variables.
  ProgramResult Run(const std::vector<std::string>& Args, const std::map<std::string, std::string>& Env = {},
                const std::string& WorkDir = {}) const;
  // The same in two halves, for a test that acts while the program runs: Start returns
  // its process id, Finish waits for it and collects what it wrote.
  int Start(const std::vector<std::string>& Args, const std::map<std::string, std::string>& Env = {},
            const std::string& WorkDir = {}) const;
  ProgramResult Finish(int Pid) const;

  // Where the program's stdout goes instead of being collected (a device such as /dev/full);
  // empty: collected into ProgramResult::Out.
  std::string StdoutTo;
  // Where the program's stderr goes instead of being collected (a terminal's device);
  // empty: collected into ProgramResult::Err.
  std::string StderrTo;
  // Where the program's stdin comes from; empty: /dev/null.
  std::string StdinFrom;

  // From now on the program runs as the user Uid and group Gid (through setpriv), and the
  // temporary folder with all it holds belongs to that user: for tests where permissions
  // must hold, which root passes regardless. Needs root.
  void RunAs(int Uid, int Gid);

  // A file in the temporary folder (not the program's folder).
  std::string File(const std::string& name) const { return dir_.file(name); }
  // A file in the program's folder (state file, error log).
  std::string ProgramFile(const std::string& name) const { return dir_.file(folder_ + name); }

 private:
  std::string program_;
  std::string folder_ = "prog/";
  int uid_ = -1, gid_ = -1;
  pftest::TempDir dir_;
};

// Waits up to ten seconds for the running program Pid to install a handler for Sig; false
// when it does not (or has ended). A signal sent before then would kill it outright.
bool WaitUntilCatching(int Pid, int Sig);

}  // namespace pftest
