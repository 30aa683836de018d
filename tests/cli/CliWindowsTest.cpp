// The Windows build of procforge-cli (scripts/build-windows.sh) run under Wine, with a Wine
// prefix of its own in the build folder: it must write what the Linux build writes, byte for
// byte, handle its files the Windows way, and reach a server through Windows' ODBC layer
// (Wine hands the calls to the host's driver manager and drivers). Skipped when there is no
// Windows build, unless PF_WINDOWS_TESTS=1 asks for it (the test command sets it).

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <sstream>
#include <thread>

#include "support/CatalogueViews.h"
#include "support/PgServer.h"
#include "support/ProgramInstall.h"

namespace pftest {
namespace {

namespace fs = std::filesystem;

const std::string kWindowsDir = std::string(PF_BINARY_DIR) + "/windows";
const std::string kExe = kWindowsDir + "/cross/bin/procforge-cli.exe";

std::string Quoted(const std::string& s) { return "'" + ReplaceAll(s, "'", "'\\''") + "'"; }

// Runs the Windows program (or, with Exe given, another one) under Wine in WorkDir.
ProgramResult Wine(const std::vector<std::string>& Args, const std::string& WorkDir, const std::string& Exe = kExe) {
  const std::string out = WorkDir + "/.wine-out", err = WorkDir + "/.wine-err";
  std::string command = "cd " + Quoted(WorkDir) + " && WINEPREFIX=" + Quoted(kWindowsDir + "/prefix") +
                        " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' SOURCE_DATE_EPOCH=1765000000 wine " +
                        Quoted(Exe);
  for (const std::string& a : Args) command += " " + Quoted(a);
  command += " </dev/null >" + Quoted(out) + " 2>" + Quoted(err);
  const int status = std::system(command.c_str());
  ProgramResult r;
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Out = ReadAll(out);
  r.Err = ReadAll(err);
  fs::remove(out);
  fs::remove(err);
  return r;
}

class CliWindows : public testing::Test {
 protected:
  void SetUp() override {
    if (fs::exists(kExe)) return;
    if (const char* wanted = std::getenv("PF_WINDOWS_TESTS"); wanted && std::string(wanted) == "1")
      FAIL() << kExe << " is missing: run scripts/build-windows.sh";
    GTEST_SKIP() << "no Windows build (scripts/build-windows.sh)";
  }

  // The Linux program, in a private installation.
  ProgramResult Linux(const std::vector<std::string>& Args, const std::string& WorkDir) {
    return cli_.Run(Args, {{"SOURCE_DATE_EPOCH", "1765000000"}}, WorkDir);
  }
  // A folder of the temporary folder, made on demand.
  std::string Dir(const std::string& name) {
    fs::create_directories(cli_.File(name));
    return cli_.File(name);
  }
  // The files of a folder by name, with their bytes.
  static std::map<std::string, std::string> Files(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.is_regular_file()) files[e.path().filename().string()] = ReadAll(e.path().string());
    return files;
  }

  ProgramInstall cli_;
};

// The platform layer's own tests, built for Windows.
TEST_F(CliWindows, PlatformTestsUnderWine) {
  const std::string tests = kWindowsDir + "/cross/bin/test_platform_files.exe";
  ASSERT_TRUE(fs::exists(tests));
  const ProgramResult r = Wine({}, Dir("platform"), tests);
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Has(r.Out, "[  PASSED  ]")) << r.Out;
}

// Every sample makes the same class (and module) on both systems, and a second run finds
// its outputs distinct from the profile and up to date.
TEST_F(CliWindows, SamplesMatchTheLinuxBuild) {
  for (const char* sample :
       {"mssql/OrderEntry", "sybase/Orders", "oracle/Sales", "access/Orders", "postgresql/OrderEntry"}) {
    const std::string name = fs::path(sample).filename().string();
    for (const char* side : {"linux", "windows"}) {
      const std::string dir = Dir(std::string(side) + "/" + sample);
      fs::copy_file(Sample(std::string(sample) + ".PFG"), dir + "/" + name + ".PFG");
      const ProgramResult r =
          Linux({"configure", "--profile", dir + "/" + name + ".PFG", "--set",
                 "Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + Sample(std::string(sample) + ".sql"),
                 "--set", "Code.ClassFile=out/C" + name + ".cls", "--set", "StoredProc.AddExecSPByName=True", "--set",
                 "Code.ParamDefsFile=out/M" + name + ".bas"},
                dir);
      ASSERT_EQ(r.ExitCode, 0) << r.Err;
      fs::create_directories(dir + "/out");
    }
    const std::string lin = cli_.File("linux/" + std::string(sample)),
                      win = cli_.File("windows/" + std::string(sample));
    const ProgramResult l = Linux({"generate", "--profile", name + ".PFG", "--yes"}, lin);
    ASSERT_EQ(l.ExitCode, 0) << l.Err;
    const ProgramResult w = Wine({"generate", "--profile", name + ".PFG", "--yes"}, win);
    ASSERT_EQ(w.ExitCode, 0) << sample << ": " << w.Err;
    EXPECT_EQ(w.Err, l.Err) << sample;
    const auto expected = Files(lin + "/out");
    ASSERT_EQ(expected.size(), 2u) << sample;
    EXPECT_TRUE(Files(win + "/out") == expected) << sample << ": the Windows build wrote other bytes";
    // Outputs that exist now: replaced, and not taken for the profile.
    const ProgramResult again = Wine({"generate", "--profile", name + ".PFG", "--yes"}, win);
    EXPECT_EQ(again.ExitCode, 0) << sample << ": " << again.Err;
    const ProgramResult check = Wine({"generate", "--profile", name + ".PFG", "--check"}, win);
    EXPECT_EQ(check.ExitCode, 0) << sample << ": " << check.Out << check.Err;
    EXPECT_TRUE(Has(check.Out, "up to date")) << check.Out;
    EXPECT_TRUE(Files(win + "/out") == expected) << sample;
  }
}

// The other commands, on a profile under a folder and name outside ASCII.
TEST_F(CliWindows, CommandsAndPathsOutsideAscii) {
  const std::string dir = Dir("d\xC3\xA9");
  const std::string pfg = "d\xC3\xA9\\\xC3\xBC\xE6\x97\xA5.PFG";  // dé\ü日.PFG
  const std::string work = cli_.File("");
  const std::string snapshot = "Provider=Procforge.Snapshot;Data Source=" + Sample("mssql/OrderEntry.sql");
  ProgramResult r = Wine({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=1", "--set",
                          "Server.ConnPfg=" + snapshot, "--set", "Code.ClassFile=d\xC3\xA9\\CFirst.cls"},
                         work);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  ASSERT_TRUE(fs::exists(dir + "/\xC3\xBC\xE6\x97\xA5.PFG"));
  // configure again: the profile is replaced where it is.
  r = Wine({"configure", "--profile", pfg, "--set", "Code.ClassFile=d\xC3\xA9\\COrders.cls"}, work);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  r = Wine({"list", "--profile", pfg}, work);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, Linux({"list", "--profile", cli_.File("d\xC3\xA9/\xC3\xBC\xE6\x97\xA5.PFG")}, work).Out);
  EXPECT_TRUE(Has(r.Out, "usp_GetCustomer\t")) << r.Out;
  r = Wine({"generate", "--profile", pfg, "--yes"}, work);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const std::string cls = "d\xC3\xA9/COrders.cls";
  ASSERT_TRUE(fs::exists(cli_.File(cls)));
  r = Wine({"check", cls}, work);
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  r = Wine({"html", cls, "-o", "class.htm"}, work);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Linux({"html", cls}, work).Out, ReadAll(cli_.File("class.htm")));
  for (const char* out : {"snap.db", "snap.sql"}) {
    r = Wine({"snapshot", "--profile", pfg, "-o", out}, work);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
  }
  r = Wine({"diff", "snap.db", "snap.sql"}, work);
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_EQ(r.Out, "");
  // Binary-mode reads: a code library read in text mode loses its carriage returns.
  EXPECT_FALSE(Has(r.Err, "Block not found"));
}

// A PostgreSQL catalogue through Wine's ODBC layer: test-connection, list and generate give
// what the Linux build gives.
TEST_F(CliWindows, PostgreSQLThroughWineOdbc) {
  PgServer& pg = PgServer::Shared();
  pg.CreateDatabase("pfwine");
  // MSysObjects in the shape of the real Access files' (tests/data/support/catalogue-views.txt).
  pg.Psql(CatalogueView("MSysObjects", {"name", "type"},
                        "FROM (VALUES ('qordertotal', 5), ('~tmp', 5), ('orders', 1)) v(name, type)") +
              "CREATE OR REPLACE FUNCTION qordertotal(customer integer, since date) RETURNS numeric LANGUAGE sql "
              "AS 'SELECT 0::numeric';",
          "pfwine");
  const std::string conn = pg.OdbcString("pfwine");
  const std::string work = Dir("pg");
  ProgramResult r = Linux({"configure", "--profile", "pg.PFG", "--new", "--set", "Server.SrvrType=0", "--set",
                           "Server.ConnPfg=" + conn, "--set", "Code.ClassFile=CPg.cls"},
                          work);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  r = Wine({"test-connection", "--profile", "pg.PFG"}, work);
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  const ProgramResult refused =
      Wine({"test-connection", "--profile", "pg.PFG", ReplaceAll(conn, "pf-test-secret", "wrong")}, work);
  EXPECT_EQ(refused.ExitCode, 1) << refused.Out;
  EXPECT_TRUE(Has(refused.Err, "password")) << refused.Err;
  r = Wine({"list", "--profile", "pg.PFG"}, work);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, Linux({"list", "--profile", "pg.PFG"}, work).Out);
  EXPECT_TRUE(Has(r.Out, "qordertotal\t")) << r.Out;
  ASSERT_EQ(Linux({"generate", "--profile", "pg.PFG", "--yes"}, work).ExitCode, 0);
  const std::string expected = ReadAll(work + "/CPg.cls");
  fs::remove(work + "/CPg.cls");
  r = Wine({"generate", "--profile", "pg.PFG", "--yes"}, work);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(ReadAll(work + "/CPg.cls"), expected);
  EXPECT_TRUE(Has(expected, "customer")) << "the parameters were not read";
}

// Ctrl+C as Windows delivers it: a console event, handled on a thread of its own while the
// program waits on a catalogue query. The query is cancelled at the server, and the program
// ends through its own exit path with 130. (console_ctrl_c.exe sends the event once the
// query runs; tests/cli/windows/ConsoleCtrlC.cpp says how Wine lets it.)
TEST_F(CliWindows, CtrlCConsoleEventStopsARun) {
  PgServer& pg = PgServer::Shared();
  pg.CreateDatabase("pfwinestop");
  pg.Psql(CatalogueView("MSysObjects", {"name", "type"}, "FROM (SELECT 'q' AS name, 5 AS type) g, pg_sleep(60)"),
          "pfwinestop");
  const std::string work = Dir("stop");
  const ProgramResult r = Linux({"configure", "--profile", "stop.PFG", "--new", "--set", "Server.SrvrType=0", "--set",
                                 "Server.ConnPfg=" + pg.OdbcString("pfwinestop")},
                                work);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const std::string running =
      "SELECT count(*) FROM pg_stat_activity WHERE datname = 'pfwinestop' AND state = 'active' AND query ILIKE "
      "'%msysobjects%' AND pid <> pg_backend_pid();";
  const std::string exe = "Z:" + ReplaceAll(kExe, "/", "\\");
  std::future<ProgramResult> run = std::async(std::launch::async, [&] {
    return Wine({"go", exe, "list", "--profile", "stop.PFG"}, work, kWindowsDir + "/cross/bin/console_ctrl_c.exe");
  });
  bool busy = false;
  for (int i = 0; i < 600 && !(busy = pg.Psql(running) != "0\n"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(busy) << "the catalogue query never ran";
  WriteAll(work + "/go", "");
  const ProgramResult stopped = run.get();
  EXPECT_EQ(stopped.ExitCode, 130) << stopped.Out << stopped.Err;
  EXPECT_FALSE(Has(stopped.Err, "Internal app error")) << stopped.Err;
  std::string left;
  for (int i = 0; (left = pg.Psql(running)) != "0\n" && i < 20; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(left, "0\n") << "the server still runs the query";
}

// The zip unpacks, and the command its README gives writes the first class.
TEST_F(CliWindows, ZipAndItsReadme) {
  std::string zip;
  for (const auto& e : fs::directory_iterator(kWindowsDir))
    if (e.path().extension() == ".zip") zip = e.path().string();
  ASSERT_FALSE(zip.empty()) << "no zip in " << kWindowsDir;
  const std::string dir = Dir("unzipped");
  ASSERT_EQ(std::system(("unzip -q " + Quoted(zip) + " -d " + Quoted(dir)).c_str()), 0);
  const fs::path top = fs::directory_iterator(dir)->path();
  const std::string readme = ReadAll((top / "README.txt").string());
  const size_t at = readme.find("procforge-cli generate ");
  ASSERT_NE(at, std::string::npos) << readme;
  std::vector<std::string> args;
  std::istringstream words(readme.substr(at, readme.find('\r', at) - at));
  for (std::string w; words >> w;) args.push_back(w);
  args.erase(args.begin());  // the program
  const ProgramResult r = Wine(args, top.string(), (top / "procforge-cli.exe").string());
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_TRUE(fs::exists(top / "COrderEntryDB.cls"));
  EXPECT_TRUE(fs::exists(top / "MOrderEntryParams.bas"));
}

// The installer puts the zip's files into the folder chosen and registers its uninstaller with
// Windows; the uninstaller removes those files and the entry, and keeps a file the user made.
TEST_F(CliWindows, InstallerInstallsAndUninstalls) {
  std::string setup, stage;
  for (const auto& e : fs::directory_iterator(kWindowsDir))
    if (e.path().filename().string().ends_with("-setup.exe")) setup = e.path().string();
  ASSERT_FALSE(setup.empty()) << "no installer in " << kWindowsDir;
  for (const auto& e : fs::directory_iterator(kWindowsDir + "/stage"))
    if (e.is_directory()) stage = e.path().string();
  const auto filesIn = [](const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.is_regular_file()) names.insert(fs::relative(e.path(), dir).string());
    return names;
  };
  const std::string folder = kWindowsDir + "/prefix/drive_c/pf-setup-test";
  fs::remove_all(folder);
  const std::string work = Dir("setup"),
                    key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Procforge";
  // /D= and _?= come last and unquoted, so the folder's name has no blank.
  ProgramResult r = Wine({"/S", "/D=C:\\pf-setup-test"}, work, setup);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  std::set<std::string> expected = filesIn(stage);
  ASSERT_GT(expected.size(), 10u);
  expected.insert("Uninstall.exe");
  EXPECT_EQ(filesIn(folder), expected);
  r = Wine({"--version"}, work, folder + "/procforge-cli.exe");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  r = Wine({"query", key}, work, "reg");
  EXPECT_TRUE(Has(r.Out, "C:\\pf-setup-test\\Uninstall.exe")) << r.Out << r.Err;
  WriteAll(folder + "/Mine.PFG", "<Settings/>");
  r = Wine({"/S", "_?=C:\\pf-setup-test"}, work, folder + "/Uninstall.exe");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  // Run in place (_?=), the uninstaller cannot remove itself.
  EXPECT_EQ(filesIn(folder), (std::set<std::string>{"Mine.PFG", "Uninstall.exe"}));
  EXPECT_NE(Wine({"query", key}, work, "reg").ExitCode, 0) << "the uninstall entry stays";
  fs::remove_all(folder);
}

}  // namespace
}  // namespace pftest
