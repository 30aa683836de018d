#pragma once
// Runs procforge-cli as a separate process in a private installation: a temporary folder
// holding a copy of the program and the files it expects beside it, with HOME and
// XDG_CONFIG_HOME pointing into the same folder, so that the state file, the default
// profile and the error log of a test never touch the build tree or the user's files.

#include <map>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace clitest {

struct CliResult {
  int ExitCode = -1;
  std::string Out, Err;
};

class CliInstall {
 public:
  CliInstall();

  // Runs the program with Args in WorkDir (the repository root when empty). Stdin is
  // /dev/null: there is no terminal to answer questions. Env adds or replaces variables.
  CliResult Run(const std::vector<std::string>& Args, const std::map<std::string, std::string>& Env = {},
                const std::string& WorkDir = {}) const;
  // The same in two halves, for a test that acts while the program runs: Start returns
  // its process id, Finish waits for it and collects what it wrote.
  int Start(const std::vector<std::string>& Args, const std::map<std::string, std::string>& Env = {},
            const std::string& WorkDir = {}) const;
  CliResult Finish(int Pid) const;
  // What the running program has written to stderr so far.
  std::string ErrSoFar() const;

  // A file in the temporary folder (not the program's folder).
  std::string File(const std::string& name) const { return dir_.file(name); }
  // A file in the program's folder (state file, error log).
  std::string ProgramFile(const std::string& name) const { return dir_.file("prog/" + name); }

 private:
  pftest::TempDir dir_;
};

// The repository's copy of a sample file, by its path under samples/.
std::string Sample(const std::string& rel);

}  // namespace clitest
