// generate, list and test-connection over the sample catalogues and a synthetic one; html on
// a full disk and configure beside another writer of the same profile, which the transcripts
// of tests/data/cli cannot show.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "support/CatalogueViews.h"
#include "support/Golden.h"
#include "support/LoopbackListener.h"
#include "support/PgServer.h"
#include "support/ProgramInstall.h"

namespace pftest {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A copy of a sample profile (the SQL Server one unless named) that writes into the
// temporary folder.
std::string SampleProfile(const ProgramInstall& cli, const std::vector<std::string>& extraSets = {},
                          const std::string& sample = "mssql/OrderEntry.PFG") {
  const std::string pfg = cli.File("OrderEntry.PFG");
  fs::remove(pfg);
  fs::copy_file(Sample(sample), pfg);
  std::vector<std::string> args{"configure", "--profile", pfg, "--set", "Code.ClassFile=" + cli.File("COrderEntryDB.cls"),
                                "--set", "Code.ParamDefsFile=" + cli.File("MOrderEntryParams.bas")};
  for (const std::string& s : extraSets) args.insert(args.end(), {"--set", s});
  const ProgramResult r = cli.Run(args);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  return pfg;
}

// The sample's procedures with unique method names (the six dt_ ones filtered out); list
// writes nothing. configure makes a profile current, and list without --profile uses it.
TEST(CliList, SampleProceduresFiltersAndTheCurrentProfile) {
  ProgramInstall cli;
  ProgramResult r = cli.Run({"list", "--profile", Sample("mssql/OrderEntry.PFG")});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  std::set<std::string> methods;
  for (const std::string& line : Lines(r.Out)) {
    EXPECT_NE(line.substr(0, 3), "dt_");
    EXPECT_TRUE(methods.insert(line.substr(line.find('\t') + 1)).second) << "duplicate method name in " << line;
  }
  EXPECT_EQ(methods.size(), 32u) << r.Out;
  for (const char* name : {"usp_GetCustomer\t", "sp_GetCustomer\t", "USP_ARCHIVEORDERS\t"})
    EXPECT_TRUE(Has(r.Out, name));
  EXPECT_FALSE(fs::exists(std::string(PF_SOURCE_DIR) + "/COrderEntryDB.cls"));

  SampleProfile(cli, {"StoredProc.MethUseFilterInc=True", "StoredProc.MethFilterInc=usp_Get*;fn_*"});
  r = cli.Run({"list"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  ASSERT_FALSE(r.Out.empty());
  for (const std::string& line : Lines(r.Out))
    EXPECT_TRUE(line.starts_with("usp_Get") || line.starts_with("fn_")) << line;
}

// On a terminal, the progress line counts the procedures as the wizard's progress window
// does. Ctrl-C or SIGTERM during a long run: the program ends within a second or two, exit
// 130 (143 for SIGTERM), and leaves neither output files nor temporary files behind.
// Without a terminal there is no progress line on stderr.
TEST(CliGenerate, ProgressLineOnATerminalAndSignalsStopTheRunCleanly) {
  ProgramInstall cli;
  const std::string snapshot = cli.File("big.db");
  const std::string make =
      "python3 '" + std::string(PF_SOURCE_DIR) + "/bench/make_synthetic_snapshot.py' 20000 '" + snapshot + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const std::string pfg = SampleProfile(cli, {"Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + snapshot});
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  cli.StderrTo = ptsname(master);
  // The terminal is read while the program writes to it, so that it never fills.
  std::string terminal;
  std::thread reader([&] {
    char buf[4096];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) terminal.append(buf, static_cast<size_t>(n));
  });
  EXPECT_EQ(cli.Run({"generate", "--profile", pfg, "--yes"}).ExitCode, 0);
  reader.join();  // the program's end closed the terminal's other side
  close(master);
  EXPECT_THAT(terminal, ::testing::ContainsRegex("\r[0-9]+ of [0-9]+ procedures: Processing "));

  cli.StderrTo.clear();
  for (const char* f : {"COrderEntryDB.cls", "MOrderEntryParams.bas"}) fs::remove(cli.File(f));
  for (const int sig : {SIGINT, SIGTERM}) {
    const int pid = cli.Start({"generate", "--profile", pfg, "--yes"});
    ASSERT_TRUE(WaitUntilCatching(pid, sig));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto sent = std::chrono::steady_clock::now();
    kill(pid, sig);
    const ProgramResult r = cli.Finish(pid);
    const auto took = std::chrono::steady_clock::now() - sent;
    if (r.ExitCode == 0) GTEST_SKIP() << "the run ended before the signal arrived";
    EXPECT_EQ(r.Signal, 0) << "killed instead of ending by itself";
    EXPECT_EQ(r.ExitCode, sig == SIGTERM ? 143 : 130) << r.Err;
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_FALSE(Has(r.Err, "\r")) << "a progress line without a terminal";
    EXPECT_FALSE(Has(r.Err, "Internal app error"));
    EXPECT_EQ(r.Out, "");
    for (const char* f : {"COrderEntryDB.cls", "MOrderEntryParams.bas"}) EXPECT_FALSE(fs::exists(cli.File(f))) << f;
    for (const auto& e : fs::directory_iterator(cli.File("")))
      EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
    EXPECT_FALSE(fs::exists(cli.ProgramFile("Errors.txt")));
  }

  // A server that accepts the connection and never answers, without a login time-out:
  // Ctrl-C does not wait for it.
  const LoopbackListener server(LoopbackListener::Mode::Silent);
  const std::string silent =
      SampleProfile(cli, {"Server.ConnPfg=Provider=SQLOLEDB.1;Data Source=127.0.0.1," + std::to_string(server.Port()) +
                              ";User ID=sa;Password=x;Connect Timeout=0"});
  const int pid = cli.Start({"generate", "--profile", silent, "--yes"});
  ASSERT_TRUE(WaitUntilCatching(pid, SIGINT));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto sent = std::chrono::steady_clock::now();
  kill(pid, SIGINT);
  const ProgramResult r = cli.Finish(pid);
  EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(5));
  EXPECT_EQ(r.Signal, 0);
  EXPECT_EQ(r.ExitCode, 130) << r.Err;

  // A catalogue query the server is still running when the signal comes is cancelled
  // there too: it does not run on to its own end.
  PgServer& pg = PgServer::Shared();
  pg.CreateDatabase("pfslow");
  pg.Psql(CatalogueView("MSysObjects", {"name", "type"}, "FROM (SELECT 'q' AS name, 5 AS type) g, pg_sleep(60)"),
          "pfslow");
  const std::string slow = SampleProfile(cli, {"Server.SrvrType=0", "Server.ConnPfg=" + pg.OdbcString("pfslow")});
  const std::string running =
      "SELECT count(*) FROM pg_stat_activity WHERE state = 'active' AND query ILIKE '%msysobjects%' AND pid <> "
      "pg_backend_pid();";
  for (const int sig : {SIGINT, SIGTERM}) {
    const int slowPid = cli.Start({"list", "--profile", slow});
    ASSERT_TRUE(WaitUntilCatching(slowPid, sig));
    for (int i = 0; i < 50 && pg.Psql(running) == "0\n"; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(slowPid, sig);
    const ProgramResult stopped = cli.Finish(slowPid);
    EXPECT_EQ(stopped.ExitCode, sig == SIGTERM ? 143 : 130) << stopped.Err;
    EXPECT_FALSE(Has(stopped.Err, "Internal app error")) << stopped.Err;
    std::string left;
    for (int i = 0; (left = pg.Psql(running)) != "0\n" && i < 20; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(left, "0\n") << "the server still runs the query";
  }
}

// A full disk: the new class does not fit on a small file system. The run fails, the
// previous pair stays as it was (or, without one, nothing is left), and no temporary
// file remains. The message does not carry the generated text.
TEST(CliGenerate, AFullDiskLeavesTheOldPairOrNothing) {
  ProgramInstall cli;
  const std::string disk = cli.File("disk");
  fs::create_directories(disk);
  const std::string mount = "mount -t tmpfs -o size=40k tmpfs '" + disk + "' 2>/dev/null";
  if (std::system(mount.c_str()) != 0) GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
  struct Unmount {
    std::string dir;
    ~Unmount() { std::system(("umount '" + dir + "'").c_str()); }
  } unmount{disk};

  const std::string cls = disk + "/COrderEntryDB.cls";
  const std::string bas = disk + "/MOrderEntryParams.bas";
  const std::string pfg = SampleProfile(cli, {"Code.ClassFile=" + cls, "Code.ParamDefsFile=" + bas});
  for (const bool earlierPair : {false, true}) {
    fs::remove(cls);
    fs::remove(bas);
    if (earlierPair) {
      pftest::WriteAll(cls, "old class");
      pftest::WriteAll(bas, "old module");
    }
    const ProgramResult r = cli.Run({"generate", "--profile", pfg, "--yes"});
    EXPECT_EQ(r.ExitCode, 1) << r.Err;
    EXPECT_TRUE(Has(r.Err, "Error Saving File: ")) << r.Err;
    EXPECT_LT(r.Err.size(), 4000u) << "the message carries the generated text";
    if (earlierPair) {
      EXPECT_EQ(ReadAll(cls), "old class");
      EXPECT_EQ(ReadAll(bas), "old module");
    } else {
      EXPECT_TRUE(fs::is_empty(disk)) << "files left on a failed first run";
    }
    for (const auto& e : fs::directory_iterator(disk))
      EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
  }
}

// The server ends the session in the middle of a run: in the procedure list's query, or in
// the first query after it (Oracle's source text, before the arguments are read). The run
// stops with the cause, never touches the dead connection again, and writes nothing; for
// diff the live side is one that cannot be read (2), not a breaking change (1).
TEST(CliGenerate, ALostConnectionStopsTheRunAndWritesNothing) {
  ProgramInstall cli;
  PgServer& pg = PgServer::Shared();
  const std::string lost = pg.OdbcString(pg.SessionEndingCatalogue());
  for (const std::string sample : {"access/Orders", "sybase/Orders", "oracle/Sales"}) {
    const std::string pfg = SampleProfile(cli, {"Server.ConnPfg=" + lost}, sample + ".PFG");
    const std::pair<std::vector<std::string>, int> runs[] = {
        {{"generate", "--profile", pfg, "--yes"}, 1},
        {{"list", "--profile", pfg}, 1},
        {{"diff", Sample(sample + ".sql"), "--profile", pfg}, 2},
    };
    for (const auto& [args, status] : runs) {
      const std::string& command = args[0];
      const ProgramResult r = cli.Run(args);
      EXPECT_EQ(r.Signal, 0) << sample << " " << command;
      EXPECT_EQ(r.ExitCode, status) << sample << " " << command << ": " << r.Err;
      EXPECT_TRUE(Has(r.Err, "Connection to the server was lost: ")) << sample << " " << command << ": " << r.Err;
      EXPECT_FALSE(Has(r.Err, "Internal app error")) << r.Err;
      EXPECT_EQ(r.Out, "") << sample << " " << command;
      for (const auto& e : fs::directory_iterator(cli.File("")))
        EXPECT_TRUE(e.path().extension() == ".PFG" || e.path().extension() == ".txt" || e.is_directory()) << e.path();
    }
  }
}

// A disk that fills up (a file-size limit here): one plain line without the HTML or the
// snapshot, nothing in the error log, and the earlier file stays as it was.
TEST(CliHtml, AFullDiskLeavesTheEarlierFile) {
  ProgramInstall cli;
  const std::string out = cli.File("class.htm");
  WriteAll(out, "old");
  rlimit unlimited{}, small{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
  small = unlimited;
  small.rlim_cur = 4096;
  const auto handler = signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the program
  const std::string snapshot = cli.File("cat.sql");
  WriteAll(snapshot, "old");
  const std::string pfg = SampleProfile(cli, {});
  const std::vector<std::string> runs[] = {
      {"html", pftest::GoldenDir() + "/classes/COrderEntryDB.cls", "-o", out},
      {"snapshot", "--profile", pfg, "-o", snapshot},
  };
  for (const std::vector<std::string>& args : runs) {
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ProgramResult full = cli.Run(args);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    const std::string& file = args.back();
    EXPECT_EQ(full.ExitCode, 1) << full.Err;
    EXPECT_NE(full.Err.find(file), std::string::npos) << full.Err;
    EXPECT_EQ(full.Err.find("Internal app error"), std::string::npos) << full.Err;
    EXPECT_LT(full.Err.size(), 400u) << full.Err;
    EXPECT_EQ(ReadAll(file), "old");
  }
  signal(SIGXFSZ, handler);
  EXPECT_FALSE(fs::exists(cli.ProgramFile("Errors.txt")));
  for (const auto& e : fs::directory_iterator(cli.File("")))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}

// Every file under Root with its size and modification time, to see that nothing changed.
std::map<std::string, std::string> Tree(const std::string& Root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(Root))
    files[e.path().string()] = e.is_regular_file() ? std::to_string(e.file_size()) + "@" +
                                                         std::to_string(e.last_write_time().time_since_epoch().count())
                                                   : "";
  return files;
}

// An installed program writes nothing beside itself, whoever runs it: the state file goes
// to the configuration folder, the scrambled library to the cache folder. A cache folder
// that cannot be made is no error.
TEST(CliInstalled, WritesOnlyInTheUsersFolders) {
  ProgramInstall cli("procforge-cli", ProgramInstall::Layout::Installed);
  const std::string usr = cli.File("usr"), pfg = cli.File("orders.PFG");
  const auto before = Tree(usr);
  ProgramResult r = cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=1", "--set",
                             "Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + Sample("mssql/OrderEntry.sql"),
                             "--set", "Code.ClassFile=" + cli.File("COrderEntryDB.cls")});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  r = cli.Run({"generate", "--yes"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Tree(usr), before);
  EXPECT_TRUE(fs::exists(cli.File("home/.config/procforge/Procforge.ini")));
  EXPECT_TRUE(fs::exists(cli.File("home/.cache/procforge/CodeLib.dat")));
  // The cache folder as XDG_CACHE_HOME names it; one that cannot be made (its parent is a
  // file) leaves the run to read the plain library.
  WriteAll(cli.File("file"), "");
  for (const std::string& cache : {cli.File("cache"), cli.File("file/cache")}) {
    fs::remove(cli.File("COrderEntryDB.cls"));
    r = cli.Run({"generate", "--profile", pfg, "--yes"}, {{"XDG_CACHE_HOME", cache}});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_TRUE(fs::exists(cli.File("COrderEntryDB.cls"))) << cache;
  }
  EXPECT_TRUE(fs::exists(cli.File("cache/procforge/CodeLib.dat")));
  // No XDG variable, and a HOME that cannot hold the folders.
  fs::remove(cli.File("COrderEntryDB.cls"));
  r = cli.Run({"generate", "--profile", pfg, "--yes"}, {{"HOME", cli.File("file/home")}, {"XDG_CONFIG_HOME", ""}});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_TRUE(fs::exists(cli.File("COrderEntryDB.cls")));
  EXPECT_EQ(Tree(usr), before);
}

// Concurrent configure runs on one profile, under its own name and through links to it
// from other folders, each setting its own key: no run loses another's change. Runs of
// configure --new on one name: exactly one creates it, the others are refused.
TEST(CliConfigure, ConcurrentRunsLoseNoEdit) {
  ProgramInstall cli;
  const std::string pfg = cli.File("Shared.PFG");
  ASSERT_EQ(cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=1"}).ExitCode, 0);
  fs::create_directories(cli.File("a"));
  fs::create_directories(cli.File("b"));
  fs::create_symlink(pfg, cli.File("a/link.PFG"));
  fs::create_symlink("../Shared.PFG", cli.File("b/link.PFG"));
  const std::string names[] = {pfg, cli.File("a/link.PFG"), cli.File("b/link.PFG"), pfg};
  const char* keys[] = {"IniOptions.ConnTimeout=", "IniOptions.CmdTimeout=", "StoredProc.MethAddPfx=X",
                        "ErrHndl.LogFileName=log"};
  const char* written[] = {"ConnTimeout=\"", "CmdTimeout=\"", "MethAddPfx=\"X", "LogFileName=\"log"};
  for (int round = 1; round <= 6; ++round) {
    std::vector<int> pids;
    for (int i = 0; i < 4; ++i)
      pids.push_back(cli.Start({"configure", "--profile", names[i], "--set", keys[i] + std::to_string(100 + round)}));
    for (int pid : pids) EXPECT_EQ(cli.Finish(pid).ExitCode, 0);
    const std::string text = ReadAll(pfg);
    for (const char* w : written) EXPECT_TRUE(Has(text, w + std::to_string(100 + round) + "\"")) << round << text;
  }
  EXPECT_TRUE(fs::is_symlink(cli.File("a/link.PFG")));

  for (int round = 1; round <= 5; ++round) {
    const std::string fresh = cli.File("New" + std::to_string(round) + ".PFG");
    std::vector<int> pids;
    for (int i = 0; i < 3; ++i)
      pids.push_back(cli.Start(
          {"configure", "--profile", i == 0 ? fresh : cli.File("a/../New" + std::to_string(round) + ".PFG"), "--new",
           "--set", "Server.SrvrType=1", "--set", "IniOptions.CmdTimeout=" + std::to_string(10 + i)}));
    // (Concurrent runs of one installation share its output files: only the statuses count.)
    int made = 0, madeBy = -1;
    for (int i = 0; i < 3; ++i)
      if (cli.Finish(pids[i]).ExitCode == 0) ++made, madeBy = i;
    ASSERT_EQ(made, 1);
    EXPECT_TRUE(Has(ReadAll(fresh), "CmdTimeout=\"" + std::to_string(10 + madeBy) + "\""));
  }
}

// Twenty configure runs at once, each on a profile of its own, all note their use in the
// one state file: the recent list is full (ten entries) and names only those profiles.
TEST(CliConfigure, ConcurrentRunsKeepTheRecentList) {
  ProgramInstall cli;
  std::vector<int> pids;
  for (int i = 0; i < 20; ++i)
    pids.push_back(cli.Start(
        {"configure", "--profile", cli.File("p" + std::to_string(i) + ".PFG"), "--new", "--set", "Server.SrvrType=1"}));
  for (int pid : pids) EXPECT_EQ(cli.Finish(pid).ExitCode, 0);
  std::string state = ReadAll(cli.ProgramFile("Procforge.ini"));
  std::erase(state, '\0');  // UTF-16
  size_t entries = 0;
  for (size_t at = state.find("<Profile Profile="); at != std::string::npos;
       at = state.find("<Profile Profile=", at + 1))
    ++entries;
  EXPECT_EQ(entries, 10u) << state;
}

// As an ordinary user, for whom folder permissions hold (root passes them): a profile in a
// folder without read permission is locked as any other (a run waits while another holds
// the lock), and one in a read-only folder is left as it is, with one line saying why and
// no temporary file.
TEST(CliConfigure, FoldersWithoutReadOrWritePermission) {
  if (::geteuid() != 0) GTEST_SKIP() << "running as another user needs root";
  ProgramInstall cli;
  const std::string folder = cli.File("u"), pfg = cli.File("u/P.PFG");
  fs::create_directories(folder);
  cli.RunAs(65534, 65534);
  ASSERT_EQ(cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=1"}).ExitCode, 0);
  fs::permissions(folder, fs::perms(0300));
  const int held = ::open(pfg.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const int pid = cli.Start({"configure", "--profile", pfg, "--set", "IniOptions.CmdTimeout=77"});
  std::this_thread::sleep_for(std::chrono::seconds(1));
  std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
  EXPECT_NE(stat.substr(stat.rfind(')') + 2, 1), "Z") << "configure did not wait for the lock";
  ::close(held);
  ProgramResult r = cli.Finish(pid);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_TRUE(Has(ReadAll(pfg), "CmdTimeout=\"77\""));

  fs::permissions(folder, fs::perms(0555));
  const std::string before = ReadAll(pfg);
  r = cli.Run({"configure", "--profile", pfg, "--set", "IniOptions.CmdTimeout=78"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(Lines(r.Err).size(), 1u) << r.Err;
  EXPECT_TRUE(Has(r.Err, pfg)) << r.Err;
  EXPECT_EQ(ReadAll(pfg), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace pftest
