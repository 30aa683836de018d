#pragma once
// Synthetic SQL Server catalogues for the benchmarks: a snapshot of N procedures made by
// bench/make_synthetic_snapshot.py, a profile that generates from it, and the class text
// of a whole generation run.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "base/AppPaths.h"
#include "driver/MGlobals.h"
#include "platform/Heap.h"
#include "platform/Variant.h"
#include "platform/ado/Ado.h"
#include "settings/CSettings.h"
#include "shell/ScriptedUserInterface.h"
#include "xml/bwXMLBrowser.h"

namespace pfbench {

// Writes the snapshot of n procedures to `snapshot`, with the script's further options (such
// as "--keyless" or "--seed 2"); false (with a message) on failure.
inline bool MakeSyntheticSnapshot(int n, const std::string& snapshot, const std::string& options = {}) {
  const std::string make = "python3 '" PF_SOURCE_DIR "/bench/make_synthetic_snapshot.py' " + std::to_string(n) +
                           " '" + snapshot + "' " + options;
  if (std::system(make.c_str()) == 0) return true;
  std::fprintf(stderr, "could not make the snapshot: %s\n", make.c_str());
  return false;
}

inline double CpuSeconds(const rusage& ru) {
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// The CPU time this machine takes, now, for a fixed job: gzip -1 of `file` (a generated
// class). Printed beside a benchmark's figures, it lets them be read as ratios on a busy
// machine. Negative when the job could not run.
inline double ReferenceJobCpuSeconds(const std::string& file) {
  rusage before{}, after{};
  getrusage(RUSAGE_CHILDREN, &before);
  const std::string job = "gzip -1 -c '" + file + "' > /dev/null";
  if (std::system(job.c_str()) != 0) return -1;
  getrusage(RUSAGE_CHILDREN, &after);
  return CpuSeconds(after) - CpuSeconds(before);
}

// Runs job in a child process, as a run of the program would be one: its memory and its time
// are its own, not shaped by the runs before it. The result comes back through a pipe; false
// when the child fails.
template <class Result>
bool InChild(const std::function<Result()>& job, Result& out) {
  static_assert(std::is_trivially_copyable_v<Result>);
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (pid == 0) {
    close(fds[0]);
    const Result got = job();
    const ssize_t w = write(fds[1], &got, sizeof got);
    _exit(w == static_cast<ssize_t>(sizeof got) ? 0 : 1);
  }
  close(fds[1]);
  const ssize_t got = read(fds[0], &out, sizeof out);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return got == static_cast<ssize_t>(sizeof out) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The program's start-up as far as a generation run needs it: the code library beside the
// programs, the data-access layer known to the error library.
inline void StartProgram() {
  pf::Heap::Prepare();
  pf::AppPaths::SetProgramFolder(PF_BIN_DIR);
  pf::ado::RegisterWithErrorLibrary();
}

// Starts the program (messages answered by a script), runs body in a new temporary folder and
// removes the folder. Returns what body returns, or 1 (with the message) when the folder
// cannot be made or body throws.
inline int InTemporaryFolder(const std::function<int(const std::string& dir)>& body) {
  char tmpl[] = "/tmp/pfbench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string dir = tmpl;
  int rc = 1;
  try {
    StartProgram();
    pf::MGlobals::SetUserInterface(std::make_shared<pf::ScriptedUserInterface>());
    rc = body(dir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "benchmark failed: %s\n", e.what());
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return rc;
}

// The desktop configuration for a catalogue of serverType that connection opens, with
// functions and the by-name module, the output files C<name>.cls and M<name>.bas in outDir.
inline void ConfigureBenchProfile(pf::CSettings& s, int serverType, const std::string& connection,
                                  const std::string& name, const std::string& outDir) {
  using pf::Variant;
  s.xServer->Attr("SrvrType", Variant(serverType));
  s.xServer->Attr("ConnPfg", Variant(connection));
  s.SetStandardConf(2);
  s.xStoredProc->Attr("AddExecSPByName", Variant("True"));
  s.xStoredProc->Attr("AddOraFunctions", Variant("True"));
  s.xCode->Attr("ClassFile", Variant(outDir + "/C" + name + ".cls"));
  s.xCode->Attr("ParamDefsFile", Variant(outDir + "/M" + name + ".bas"));
}

// ConfigureBenchProfile over the synthetic SQL Server snapshot of n procedures, the output
// files CSynthetic<n>.cls and MSynthetic<n>.bas.
inline void ConfigureSyntheticProfile(pf::CSettings& s, int n, const std::string& snapshot, const std::string& outDir) {
  ConfigureBenchProfile(s, 1, "Provider=Procforge.Snapshot;Data Source=" + snapshot, "Synthetic" + std::to_string(n),
                        outDir);
}

}  // namespace pfbench
