// A live PostgreSQL catalogue against its snapshot: synthetic catalogues of 10,000 and 20,000
// PL/pgSQL routines (bench/make_synthetic_plpgsql.py) are created in the PostgreSQL server that
// the tests start, read live through psqlODBC, and captured into a snapshot. Then the whole
// generation run (class and module written) is timed on both, each run in a process of its own
// that logs in afresh, as a run of the program does. Figures: wall and CPU time of each, the
// ratio live / snapshot (target at most 2) and the ratio of the sizes (linear: the ratio of
// the routine counts), and the CPU time of a fixed reference job (gzip -1 of the class).
//
// The wall time of the live run includes the server's work, which runs in other processes;
// its CPU time is this program's alone. Each run is repeated and the fastest counts; the
// rounds go round the sizes, so that a busy spell of the shared machine falls on all alike.
//
//   bench_postgresql [--runs R] [N...]   sizes (default 10000 20000), runs per job (default 3)

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "errors/AppError.h"
#include "extract/CCatalogCapture.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "support/PgServer.h"
#include "support/SyntheticCatalogue.h"

using namespace pf;
namespace fs = std::filesystem;

namespace {

constexpr int kPostgreSQL = 4;

struct Figures {
  int Procedures = 0;
  double Seconds = 0;
  double CpuSeconds = 0;
};

// One generation run over the catalogue that connection opens, in a child process.
bool GenerateInChild(const std::string& connection, const std::string& name, const std::string& outDir, Figures& out) {
  return pfbench::InChild<Figures>(
      [&] {
        pfbench::StartProgram();
        auto ui = std::make_shared<ScriptedUserInterface>();
        MGlobals::SetUserInterface(ui);
        CSettings s;
        pfbench::ConfigureBenchProfile(s, kPostgreSQL, connection, name, outDir);
        CProgress progress;
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        const auto t0 = std::chrono::steady_clock::now();
        MGlobals::GenerationResult r;
        try {
          r = MGlobals::GenerateCode(s, progress);
        } catch (const AppError& e) {
          std::fprintf(stderr, "generation failed: %s\n", e.Description.c_str());
          std::exit(1);
        }
        const auto t1 = std::chrono::steady_clock::now();
        getrusage(RUSAGE_SELF, &after);
        for (const auto& m : ui->Messages) std::fprintf(stderr, "message: %s\n", m.Msg.c_str());
        if (!r.ClassSaved) std::exit(1);
        return Figures{r.NumSPs, std::chrono::duration<double>(t1 - t0).count(),
                       pfbench::CpuSeconds(after) - pfbench::CpuSeconds(before)};
      },
      out);
}

struct Best {
  Figures F;
  int Runs = 0;
  void Add(const Figures& f) {
    if (Runs++ == 0 || f.Seconds < F.Seconds) F = f;
  }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else
      sizes.push_back(std::atoi(a.c_str()));
  }
  if (sizes.empty()) sizes = {10000, 20000};
  return pfbench::InTemporaryFolder([&](const std::string& dir) {
    pftest::PgServer& pg = pftest::PgServer::Shared();
    std::vector<std::string> live, snapshot;
    for (int n : sizes) {
      const std::string db = "pfpgbench" + std::to_string(n), sql = dir + "/catalogue" + std::to_string(n) + ".sql";
      const std::string make =
          "python3 '" PF_SOURCE_DIR "/bench/make_synthetic_plpgsql.py' " + std::to_string(n) + " '" + sql + "'";
      if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "could not make the catalogue: %s\n", make.c_str());
        return 1;
      }
      pg.CreateDatabase(db);
      const auto t0 = std::chrono::steady_clock::now();
      pg.Psql(ReadFile(sql), db);
      const auto t1 = std::chrono::steady_clock::now();
      live.push_back(pg.OdbcString(db));
      snapshot.push_back(dir + "/snapshot" + std::to_string(n) + ".db");
      CCatalogCapture capture;
      CCatalogCapture::Write(capture.Capture(kPostgreSQL, live.back(), ""), snapshot.back());
      const auto t2 = std::chrono::steady_clock::now();
      std::printf("%6d routines: created in %.1f s, captured into a snapshot in %.2f s\n", n,
                  std::chrono::duration<double>(t1 - t0).count(), std::chrono::duration<double>(t2 - t1).count());
      snapshot.back() = CCatalogCapture::SnapshotConnection(snapshot.back());
    }
    std::vector<Best> fromServer(sizes.size()), fromSnapshot(sizes.size());
    std::vector<double> reference(sizes.size(), -1);
    for (int round = 0; round < runs; ++round) {
      for (size_t k = 0; k < sizes.size(); ++k) {
        const std::string name = "Pg" + std::to_string(sizes[k]);
        Figures l, s;
        if (!GenerateInChild(live[k], name, dir, l) || !GenerateInChild(snapshot[k], name, dir, s)) {
          std::fprintf(stderr, "the run over %d routines failed\n", sizes[k]);
          return 1;
        }
        fromServer[k].Add(l);
        fromSnapshot[k].Add(s);
        const double r = pfbench::ReferenceJobCpuSeconds(dir + "/C" + name + ".cls");
        if (reference[k] < 0 || (r >= 0 && r < reference[k])) reference[k] = r;
      }
    }
    std::printf("%-8s %9s %22s %22s %13s\n", "routines", "methods", "live: wall / CPU s", "snapshot: wall / CPU s",
                "live/snapshot");
    for (size_t k = 0; k < sizes.size(); ++k) {
      const Figures &l = fromServer[k].F, &s = fromSnapshot[k].F;
      std::printf("%8d %9d %10.3f / %9.3f %10.3f / %9.3f %13.2f   (reference job %.3f s CPU)\n", sizes[k], l.Procedures,
                  l.Seconds, l.CpuSeconds, s.Seconds, s.CpuSeconds, s.Seconds > 0 ? l.Seconds / s.Seconds : 0.0,
                  reference[k]);
      if (l.Procedures != s.Procedures)
        std::printf("         the live read made %d methods, the snapshot %d\n", l.Procedures, s.Procedures);
    }
    std::printf("target: live at most 2 times the snapshot\n");
    if (sizes.size() >= 2 && fromServer[0].F.Seconds > 0 && fromSnapshot[0].F.Seconds > 0)
      std::printf("ratio %d/%d routines: live %.2f, snapshot %.2f (linear: %.2f)\n", sizes[1], sizes[0],
                  fromServer[1].F.Seconds / fromServer[0].F.Seconds,
                  fromSnapshot[1].F.Seconds / fromSnapshot[0].F.Seconds, static_cast<double>(sizes[1]) / sizes[0]);
    return 0;
  });
}
