// The viewer's colouring of a whole generated class: the class of a synthetic SQL Server
// catalogue of N procedures (default 10,000, about 15 MB) converted to HTML in one pass,
// the same text twice over (the ratio shows whether the time grows linearly: about 2), and
// once pass by pass, one whole-text rewrite per keyword, for comparison. Best of five runs
// each, wall and CPU time, and the CPU time of a fixed reference job (gzip -1 of the class).
//
//   bench_code2html [N]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <string>

#include "errors/AppError.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "shell/MCode2HTML.h"
#include "driver/MGlobals.h"
#include "support/SyntheticCatalogue.h"

using namespace pf;

namespace {

struct Timing {
  double Wall = 1e300, Cpu = 1e300;
};

Timing BestOf(int runs, const std::function<void()>& f) {
  Timing best;
  for (int i = 0; i < runs; ++i) {
    const std::clock_t c0 = std::clock();
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    const std::clock_t c1 = std::clock();
    best.Wall = std::min(best.Wall, std::chrono::duration<double>(t1 - t0).count());
    best.Cpu = std::min(best.Cpu, static_cast<double>(c1 - c0) / CLOCKS_PER_SEC);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  // glibc serves blocks over 32 MB from fresh pages on every allocation, smaller ones from a
  // heap it keeps: the 56 MB result of the doubled text would then pay for page faults in
  // every run that the 28 MB one pays only once. Both sizes come from the kept heap here, so
  // that the ratio compares the conversion and not the allocator's threshold.
  mallopt(M_MMAP_THRESHOLD, 512 << 20);
  mallopt(M_TRIM_THRESHOLD, 1024 << 20);
  return pfbench::InTemporaryFolder([n](const std::string& dir) {
    const std::string snapshot = dir + "/synthetic.db";
    if (!pfbench::MakeSyntheticSnapshot(n, snapshot)) throw std::runtime_error("no snapshot");
    CSettings s;
    pfbench::ConfigureSyntheticProfile(s, n, snapshot, dir);
    CProgress progress;
    MGlobals::GenerationResult run = MGlobals::GenerateCode(s, progress);
    const std::string cls(run.ClassCode());
    const std::string twice = cls + cls;

    std::string html;
    const Timing one = BestOf(5, [&] { MCode2HTML::VBCodeToHTML(cls, html, true, true); });
    const size_t htmlBytes = html.size();
    const Timing two = BestOf(5, [&] { MCode2HTML::VBCodeToHTML(twice, html, true, true); });
    const Timing passes = BestOf(1, [&] { html = MCode2HTML::VBCodeToHTMLByPasses(cls, true); });

    std::printf("class of %d procedures: %.1f MB of code, %.1f MB of HTML\n", n, cls.size() / 1048576.0,
                htmlBytes / 1048576.0);
    std::printf("one pass,        1x text: %6.3f s wall, %6.3f s CPU\n", one.Wall, one.Cpu);
    std::printf("one pass,        2x text: %6.3f s wall, %6.3f s CPU (ratio %.2f wall, %.2f CPU)\n", two.Wall,
                two.Cpu, two.Wall / one.Wall, two.Cpu / one.Cpu);
    std::printf("pass by pass,    1x text: %6.3f s wall, %6.3f s CPU\n", passes.Wall, passes.Cpu);
    std::printf("reference job (gzip -1 of the class): %6.3f s CPU\n", pfbench::ReferenceJobCpuSeconds(run.ClassFile));
    return 0;
  });
}
