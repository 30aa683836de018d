// The long paths besides generation, each over synthetic SQL Server catalogues of N and 2N
// procedures (default 10,000), so that the ratio shows whether the time grows linearly (about
// 2): `snapshot` (the catalogue captured and written as a database), `diff` of two catalogues
// of that size (another seed, so that about every procedure changes) and `check` of the
// generated class. CPU and wall time of each, and the CPU time of a fixed reference job (gzip
// -1 of the class) beside them.
//
// Each size is measured in a process of its own, as a run of the program would be, three
// times, the sizes taking turns; each figure is the best of the three. A measurement in a
// process that has already done the work of another size would pay for, or profit from,
// the memory that size left behind; and on a virtual machine a process touching memory the
// host has taken back pays for the host backing it again (a third of a diff's time in the
// kernel's clearing of huge pages, measured once), so each measured process follows an
// unmeasured one of the same size.
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

std::string BaseSnapshot(int n, const std::string& dir) { return dir + "/a" + std::to_string(n) + ".db"; }
std::string OtherSnapshot(int n, const std::string& dir) { return dir + "/b" + std::to_string(n) + ".db"; }

Size Measure(int n, const std::string& dir) {
  const std::string base = BaseSnapshot(n, dir);
  const std::string other = OtherSnapshot(n, dir);
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

// The better of two measurements, figure by figure.
void KeepBest(Size& best, const Size& got, bool first) {
  const auto keep = [first](Timing& b, const Timing& g) {
    if (first || g.Cpu < b.Cpu) b = g;
  };
  keep(best.Snapshot, got.Snapshot);
  keep(best.Diff, got.Diff);
  keep(best.Check, got.Check);
  if (first || got.Reference < best.Reference) best.Reference = got.Reference;
  best.DiffLines = got.DiffLines;
  best.Findings = got.Findings;
  best.ClassBytes = got.ClassBytes;
}

void Print(const char* what, const Timing& one, const Timing& two) {
  std::printf("%-9s %6.3f s CPU (%6.3f s wall) | %6.3f s CPU (%6.3f s wall) | ratio %.2f CPU\n", what, one.Cpu,
              one.Wall, two.Cpu, two.Wall, two.Cpu / one.Cpu);
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  return pfbench::InTemporaryFolder([n](const std::string& dir) {
    const int sizes[] = {n, 2 * n};
    for (int k : sizes)
      if (!pfbench::MakeSyntheticSnapshot(k, BaseSnapshot(k, dir)) ||
          !pfbench::MakeSyntheticSnapshot(k, OtherSnapshot(k, dir), "--seed 2"))
        return 1;
    Size best[2];
    for (int round = 0; round < 3; ++round)
      for (int k = 0; k < 2; ++k) {
        Size got;
        const std::function<Size()> measure = [&] { return Measure(sizes[k], dir); };
        if (!pfbench::InChild(measure, got) || !pfbench::InChild(measure, got)) {
          std::fprintf(stderr, "the measurement of %d procedures failed\n", sizes[k]);
          return 1;
        }
        KeepBest(best[k], got, round == 0);
      }
    const Size& one = best[0];
    const Size& two = best[1];
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
