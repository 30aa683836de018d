// The Visual Basic checker alone over the class of a generation run from a synthetic SQL
// Server catalogue of N procedures (default 10,000): CPU time of CheckVB (best of five) and the
// memory it adds to the process at its peak. The check runs in a fresh process that holds
// nothing but the class text, so that the peak is the checker's own.
//
//   bench_vbcheck [N]
//   bench_vbcheck --check FILE   (the check alone, over a class already written)

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "driver/MGlobals.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "support/SyntheticCatalogue.h"
#include "vbcheck/VBCheck.h"

using namespace pf;

namespace {

// A figure of /proc/self/status in kB: VmRSS (resident now) or VmHWM (the peak of this
// program image, which unlike getrusage's peak does not count what the process held before
// exec).
long StatusKB(const char* Field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kb = 0;
  const size_t n = std::strlen(Field);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, Field, n) == 0 && line[n] == ':') kb = std::atol(line + n + 1);
  std::fclose(f);
  return kb;
}

// Starts the peak over from what is resident now.
void ResetPeak() {
  if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

int CheckFile(const char* File) {
  // Read in one piece, so that reading leaves no peak of its own above the text.
  std::error_code ec;
  std::string text(std::filesystem::file_size(File, ec), '\0');
  std::FILE* in = std::fopen(File, "rb");
  const bool read = in && !text.empty() && std::fread(text.data(), 1, text.size(), in) == text.size();
  if (in) std::fclose(in);
  if (!read) return 1;
  ResetPeak();
  const long before = StatusKB("VmRSS");
  double best = 1e9;
  size_t findings = 0;
  for (int round = 0; round < 5; ++round) {
    const std::clock_t c0 = std::clock();
    findings = CheckVB(text).size();
    best = std::min(best, static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
  }
  std::printf("check of %.1f MB: %6.3f s CPU, %6.1f MB added at the peak, %zu findings\n",
              static_cast<double>(text.size()) / 1048576.0, best,
              static_cast<double>(StatusKB("VmHWM") - before) / 1024.0, findings);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--check") return CheckFile(argv[2]);
  const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  char tmpl[] = "/tmp/pfbench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string dir = tmpl;
  const std::string snapshot = dir + "/synthetic" + std::to_string(n) + ".db";
  int rc = 1;
  if (pfbench::MakeSyntheticSnapshot(n, snapshot)) {
    pfbench::StartProgram();
    CSettings s;
    pfbench::ConfigureSyntheticProfile(s, n, snapshot, dir);
    CProgress progress;
    const MGlobals::GenerationResult g = MGlobals::GenerateCode(s, progress);
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
      execl("/proc/self/exe", argv[0], "--check", g.ClassFile.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    rc = child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return rc;
}
