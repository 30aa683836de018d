// Whole generation runs over synthetic SQL Server catalogues (bench/make_synthetic_snapshot.py)
// of 10,000 and 20,000 procedures with 6 parameters on average: wall and CPU time of the
// generation command (checks, catalogue reading, class and module built and written) and the
// peak resident memory of the process, each size in a process of its own, and the ratio of
// the two times (a linear run gives the ratio of the sizes). Then the same for the procedure
// list (what `procforge-cli list` does: the catalogue read and every method constructed), and
// the CPU time of a fixed reference job (gzip -1 of the class) run beside them.
//
// Each job runs five times per size and the run with the least CPU time counts, as in the
// other benchmarks. The runs go round the sizes (10,000, 20,000, 10,000, ...), so that a busy
// spell of a shared machine falls on both sizes alike rather than on one size's runs, which
// would skew the ratio. On a virtual machine a process that touches memory the host has taken
// back since it was last used pays for the host backing it again, up to a fifth of a second
// of system time for 140 MB; so each measured generation follows an unmeasured one of the
// same size, which leaves its memory backed. The slowest run is printed beside the best. The
// reference job runs once per round and size, its best counting.
//
//   bench_generate [--keyless] [--sql] [--runs R] [N...]
//
// sizes to run (default 10000 20000); --keyless: the snapshot's tables without keys and
// collations, as written by hand; --sql: a snapshot script instead of a database; --runs:
// runs per job and size (default 5).

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "builder/CCodeBuilder.h"
#include "builder/CMethod.h"
#include "errors/AppError.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "driver/MGlobals.h"
#include "shell/ScriptedUserInterface.h"
#include "support/SyntheticCatalogue.h"

using namespace pf;
namespace fs = std::filesystem;

namespace {

enum class Job { Generate, List };

struct Figures {
  int Procedures = 0;
  double Seconds = 0;
  double CpuSeconds = 0;  // user and system time of the run: what a busy machine does not inflate
  double SystemSeconds = 0;  // of which the kernel's: mostly new memory, found and zeroed
  long PeakKB = 0;
  long PageFaults = 0;  // first touches of new memory: what a larger working set costs the kernel
  int Lines = 0;
  long ClassBytes = 0;
};

using pfbench::CpuSeconds;

// The procedure list: the profile validated, every method constructed and named.
int ListOnce(CSettings& s, CProgress& progress) {
  s.Validate();
  CCodeBuilder builder;
  int listed = 0;
  builder.BuildSPMethods(s, progress, [&listed](const std::string&, const CMethod&) { ++listed; });
  builder.Done();
  s.DisconnectServer();
  return listed;
}

// Runs in a child process, so that the peak memory is this run's alone.
Figures RunOnce(Job job, int n, const std::string& snapshot, const std::string& outDir) {
  pfbench::StartProgram();
  auto ui = std::make_shared<ScriptedUserInterface>();
  MGlobals::SetUserInterface(ui);
  CSettings s;
  pfbench::ConfigureSyntheticProfile(s, n, snapshot, outDir);

  CProgress progress;
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto t0 = std::chrono::steady_clock::now();
  MGlobals::GenerationResult r;
  try {
    if (job == Job::List) r.NumSPs = ListOnce(s, progress);
    else r = MGlobals::GenerateCode(s, progress);
  } catch (const AppError& e) {
    std::fprintf(stderr, "generation failed: %s\n", e.Description.c_str());
    std::exit(1);
  }
  const auto t1 = std::chrono::steady_clock::now();
  for (const auto& m : ui->Messages) std::fprintf(stderr, "message: %s\n", m.Msg.c_str());
  if (job == Job::Generate && (!r.ClassSaved || !r.ParamDefsSaved)) std::exit(1);
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  Figures f;
  f.Procedures = r.NumSPs;
  f.Seconds = std::chrono::duration<double>(t1 - t0).count();
  f.PeakKB = ru.ru_maxrss;
  f.PageFaults = ru.ru_minflt - before.ru_minflt;
  f.CpuSeconds = CpuSeconds(ru) - CpuSeconds(before);
  f.SystemSeconds = static_cast<double>(ru.ru_stime.tv_sec - before.ru_stime.tv_sec) +
                    static_cast<double>(ru.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e6;
  f.Lines = r.NumLines;
  if (job == Job::Generate) f.ClassBytes = static_cast<long>(fs::file_size(r.ClassFile));
  return f;
}

bool RunOnceInChild(Job job, int n, const std::string& snapshot, const std::string& outDir, Figures& f) {
  return pfbench::InChild<Figures>([&] { return RunOnce(job, n, snapshot, outDir); }, f);
}

// One job at one size over the rounds: the best run and the CPU time of the slowest.
struct Series {
  Figures Best;
  double Slowest = 0;
  int Runs = 0;
  void Add(const Figures& f) {
    if (Runs++ == 0 || f.CpuSeconds < Best.CpuSeconds) Best = f;
    Slowest = std::max(Slowest, f.CpuSeconds);
  }
};

void PrintRatio(const char* what, const std::vector<int>& sizes, const std::vector<Figures>& all) {
  if (all.size() < 2 || all[0].Seconds <= 0 || all[0].CpuSeconds <= 0) return;
  std::printf("%s ratio %d/%d procedures: %.2f wall, %.2f CPU\n", what, sizes[1], sizes[0],
              all[1].Seconds / all[0].Seconds, all[1].CpuSeconds / all[0].CpuSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  std::string options;
  std::string extension = ".db";
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--keyless") options = a;
    else if (a == "--sql") extension = ".sql";
    else if (a == "--runs" && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else sizes.push_back(std::atoi(argv[i]));
  }
  if (sizes.empty()) sizes = {10000, 20000};

  char tmpl[] = "/tmp/pfbench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string dir = tmpl;
  int rc = 0;
  std::vector<std::string> snapshots;
  for (int n : sizes) {
    snapshots.push_back(dir + "/synthetic" + std::to_string(n) + extension);
    if (!pfbench::MakeSyntheticSnapshot(n, snapshots.back(), options)) {
      rc = 1;
      break;
    }
  }
  std::vector<Series> generate(sizes.size()), list(sizes.size());
  std::vector<double> reference(sizes.size(), -1);
  for (int round = 0; rc == 0 && round < runs; ++round) {
    for (size_t k = 0; k < sizes.size(); ++k) {
      Figures f, l;
      // The first generation only backs the memory the measured one, which overwrites f, touches.
      if (!RunOnceInChild(Job::Generate, sizes[k], snapshots[k], dir, f) ||
          !RunOnceInChild(Job::Generate, sizes[k], snapshots[k], dir, f) ||
          !RunOnceInChild(Job::List, sizes[k], snapshots[k], dir, l)) {
        std::fprintf(stderr, "the run over %d procedures failed\n", sizes[k]);
        rc = 1;
        break;
      }
      generate[k].Add(f);
      list[k].Add(l);
      const double r = pfbench::ReferenceJobCpuSeconds(dir + "/CSynthetic" + std::to_string(sizes[k]) + ".cls");
      if (reference[k] < 0 || (r >= 0 && r < reference[k])) reference[k] = r;
    }
  }
  std::vector<Figures> generated, listed;
  for (size_t k = 0; rc == 0 && k < sizes.size(); ++k) {
    const int n = sizes[k];
    const Figures& f = generate[k].Best;
    const Figures& l = list[k].Best;
    std::printf(
        "%6d procedures: %6.3f s wall, %6.3f s CPU (%5.3f s system; slowest of %d %.3f s), %6.1f MB peak RSS, %ld page "
        "faults (%d methods, %d lines, %.1f MB class)\n",
        n, f.Seconds, f.CpuSeconds, f.SystemSeconds, runs, generate[k].Slowest, f.PeakKB / 1024.0, f.PageFaults,
        f.Procedures, f.Lines, f.ClassBytes / 1048576.0);
    std::printf("%6d listed:     %6.3f s wall, %6.3f s CPU (slowest of %d %.3f s), %6.1f MB peak RSS\n", l.Procedures,
                l.Seconds, l.CpuSeconds, runs, list[k].Slowest, l.PeakKB / 1024.0);
    std::printf("       reference job (gzip -1 of the class): %6.3f s CPU\n", reference[k]);
    generated.push_back(f);
    listed.push_back(l);
  }
  PrintRatio("generate", sizes, generated);
  PrintRatio("list", sizes, listed);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return rc;
}
