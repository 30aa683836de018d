// The long paths besides generation, each over synthetic SQL Server catalogues of N and 2N
// procedures (default 10,000), so that the ratio shows whether the time grows linearly (about
// 2): `snapshot` (the catalogue captured and written as a database), `diff` of two catalogues
// of that size (another seed, so that about every procedure changes) and `check` of the
// generated class. CPU and wall time of each, and the CPU time of a fixed reference job (gzip
// -1 of the class) beside them.
//
//   bench_paths [N]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "builder/CCatalogDiff.h"
#include "driver/MGlobals.h"
#include "extract/CCatalogCapture.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "support/SyntheticCatalogue.h"
#include "vbcheck/VBCheck.h"

using namespace pf;

namespace {

struct Timing {
  double Wall = 0, Cpu = 0;
};

Timing Time(const std::function<void()>& f) {
  const std::clock_t c0 = std::clock();
  const auto t0 = std::chrono::steady_clock::now();
  f();
  const auto t1 = std::chrono::steady_clock::now();
  return {std::chrono::duration<double>(t1 - t0).count(), static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC};
}

struct Size {
  Timing Snapshot, Diff, Check;
  double Reference = 0;
  size_t DiffLines = 0, Findings = 0, ClassBytes = 0;
};

Size Measure(int n, const std::string& dir) {
  const std::string base = dir + "/a" + std::to_string(n) + ".db";
  const std::string other = dir + "/b" + std::to_string(n) + ".db";
  if (!pfbench::MakeSyntheticSnapshot(n, base) || !pfbench::MakeSyntheticSnapshot(n, other, "--seed 2"))
    throw std::runtime_error("no snapshot");
  CSettings s;
  pfbench::ConfigureSyntheticProfile(s, n, base, dir);
  CProgress progress;
  Size r;
  r.Snapshot = Time([&] {
    CCatalogCapture capture;
    CCatalogCapture::Write(capture.Capture(1, CCatalogCapture::SnapshotConnection(base), ""),
                           dir + "/captured" + std::to_string(n) + ".db");
  });
  r.Diff = Time([&] {
    s.Validate();
    const auto before = CCatalogDiff::Read(s, CCatalogCapture::SnapshotConnection(base), progress);
    const auto after = CCatalogDiff::Read(s, CCatalogCapture::SnapshotConnection(other), progress);
    r.DiffLines = CCatalogDiff::Compare(before, after).size();
  });
  const MGlobals::GenerationResult g = MGlobals::GenerateCode(s, progress);
  const std::string cls = std::move(g.ClassText);
  r.ClassBytes = cls.size();
  r.Check = Time([&] { r.Findings = CheckVB(cls).size(); });
  r.Reference = pfbench::ReferenceJobCpuSeconds(g.ClassFile);
  return r;
}

void Print(const char* what, const Timing& one, const Timing& two) {
  std::printf("%-9s %6.3f s CPU (%6.3f s wall) | %6.3f s CPU (%6.3f s wall) | ratio %.2f CPU\n", what, one.Cpu,
              one.Wall, two.Cpu, two.Wall, two.Cpu / one.Cpu);
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  return pfbench::InTemporaryFolder([n](const std::string& dir) {
    const Size one = Measure(n, dir);
    const Size two = Measure(2 * n, dir);
    std::printf("%-9s %-32s | %-32s\n", "", (std::to_string(n) + " procedures").c_str(),
                (std::to_string(2 * n) + " procedures").c_str());
    Print("snapshot", one.Snapshot, two.Snapshot);
    Print("diff", one.Diff, two.Diff);
    Print("check", one.Check, two.Check);
    std::printf("(diff: %zu and %zu lines; check: %.1f and %.1f MB, %zu and %zu findings)\n", one.DiffLines,
                two.DiffLines, one.ClassBytes / 1048576.0, two.ClassBytes / 1048576.0, one.Findings, two.Findings);
    std::printf("reference job (gzip -1 of the class): %6.3f s CPU | %6.3f s CPU\n", one.Reference, two.Reference);
    return 0;
  });
}
