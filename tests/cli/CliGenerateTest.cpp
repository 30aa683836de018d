// generate, list and test-connection over the sample catalogues and a synthetic one.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "support/PgServer.h"
#include "support/ProgramInstall.h"

namespace pftest {
namespace {

namespace fs = std::filesystem;
using pftest::ReadAll;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::map<std::string, std::string> kEpoch = {{"SOURCE_DATE_EPOCH", "1765029785"}};

// A copy of the SQL Server sample profile that writes into the temporary folder.
std::string SampleProfile(const ProgramInstall& cli, const std::vector<std::string>& extraSets = {}) {
  const std::string pfg = cli.File("OrderEntry.PFG");
  fs::remove(pfg);
  fs::copy_file(Sample("mssql/OrderEntry.PFG"), pfg);
  std::vector<std::string> args{"configure", "--profile", pfg, "--set", "Code.ClassFile=" + cli.File("COrderEntryDB.cls"),
                                "--set", "Code.ParamDefsFile=" + cli.File("MOrderEntryParams.bas")};
  for (const std::string& s : extraSets) {
    args.push_back("--set");
    args.push_back(s);
  }
  const ProgramResult r = cli.Run(args);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  return pfg;
}

TEST(CliList, SampleProceduresWithUniqueMethodNames) {
  ProgramInstall cli;
  const ProgramResult r = cli.Run({"list", "--profile", Sample("mssql/OrderEntry.PFG")});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const std::vector<std::string> lines = Lines(r.Out);
  EXPECT_EQ(lines.size(), 32u) << r.Out;  // the six dt_ procedures are filtered out
  std::set<std::string> methods;
  for (const std::string& line : lines) {
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    EXPECT_NE(line.substr(0, 3), "dt_");
    EXPECT_TRUE(methods.insert(line.substr(tab + 1)).second) << "duplicate method name in " << line;
  }
  EXPECT_TRUE(Has(r.Out, "usp_GetCustomer\t")) << r.Out;
  EXPECT_TRUE(Has(r.Out, "sp_GetCustomer\t"));
  EXPECT_TRUE(Has(r.Out, "USP_ARCHIVEORDERS\t"));
  // Listing writes nothing: the sample's class file would land in the working folder.
  EXPECT_FALSE(fs::exists(std::string(PF_SOURCE_DIR) + "/COrderEntryDB.cls"));
}

TEST(CliList, FiltersAndTheCurrentProfile) {
  ProgramInstall cli;
  // configure makes the profile current; list without --profile then uses it.
  SampleProfile(cli, {"StoredProc.MethUseFilterInc=True", "StoredProc.MethFilterInc=usp_Get*;fn_*"});
  const ProgramResult r = cli.Run({"list"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  ASSERT_FALSE(r.Out.empty());
  for (const std::string& line : Lines(r.Out))
    EXPECT_TRUE(line.rfind("usp_Get", 0) == 0 || line.rfind("fn_", 0) == 0) << line;
}

TEST(CliTestConnection, ProfileConnectionOrTheOneGiven) {
  ProgramInstall cli;
  const std::string pfg = Sample("mssql/OrderEntry.PFG");
  ProgramResult r = cli.Run({"test-connection", "--profile", pfg});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_TRUE(Has(r.Err, "Connection tested successfully.")) << r.Err;

  r = cli.Run({"test-connection", "--profile", pfg, "Provider=Procforge.Snapshot;Data Source=" + cli.File("gone.sql")});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "Connection test failed: ")) << r.Err;
  EXPECT_FALSE(Has(r.Err, "Internal app error"));
}

TEST(CliGenerate, SampleClassAndModuleWithStatisticsReproducibly) {
  ProgramInstall cli;
  const std::string pfg = SampleProfile(cli);
  const ProgramResult r = cli.Run({"generate", "--profile", pfg}, kEpoch);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const std::vector<std::string> out = Lines(r.Out);
  ASSERT_EQ(out.size(), 5u) << r.Out;
  EXPECT_EQ(out[0], "Procedures: 32");
  EXPECT_EQ(out[1].rfind("Lines: ", 0), 0u);
  EXPECT_EQ(out[2].rfind("Characters: ", 0), 0u);
  EXPECT_EQ(out[3], cli.File("COrderEntryDB.cls"));
  EXPECT_EQ(out[4], cli.File("MOrderEntryParams.bas"));

  const std::string cls = ReadAll(cli.File("COrderEntryDB.cls"));
  const std::string bas = ReadAll(cli.File("MOrderEntryParams.bas"));
  EXPECT_EQ(cls.rfind("VERSION 1.0 CLASS\r\n", 0), 0u);
  EXPECT_TRUE(Has(cls, "Attribute VB_Name = \"COrderEntryDB\"\r\n"));
  EXPECT_FALSE(bas.empty());
  // The statistics describe the class text after its file header.
  const long chars = std::stol(out[2].substr(12));
  const long lines = std::stol(out[1].substr(7));
  EXPECT_LT(chars, static_cast<long>(cls.size()));
  EXPECT_GT(chars, static_cast<long>(cls.size()) / 2);
  EXPECT_GT(lines, 100);

  // Same profile and SOURCE_DATE_EPOCH: the same bytes, whenever and wherever it runs.
  const ProgramResult again = cli.Run({"generate", "--profile", pfg}, kEpoch);
  ASSERT_EQ(again.ExitCode, 0) << again.Err;
  EXPECT_EQ(again.Out, r.Out);
  EXPECT_EQ(ReadAll(cli.File("COrderEntryDB.cls")), cls);
  EXPECT_EQ(ReadAll(cli.File("MOrderEntryParams.bas")), bas);
}

// Warnings go to stderr as "warning: " lines and leave the run a success, unless
// --strict makes any warning a failure; the files are written either way.
TEST(CliGenerate, WarningsOnStderrAndStrictMakesThemAFailure) {
  ProgramInstall cli;
  std::string pfg = SampleProfile(
      cli, {"IniOptions.ConnUseDft=True", "IniOptions.ConnDftString=Provider=SQLOLEDB;User ID=sa;Password=s3cret"});
  ProgramResult r = cli.Run({"generate", "--profile", pfg}, kEpoch);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_TRUE(Has(r.Err, "warning: The default connection string compiled into the class holds a password "
                         "(Provider=SQLOLEDB;User ID=sa;Password=***)")) << r.Err;
  EXPECT_FALSE(Has(r.Err, "s3cret"));
  EXPECT_TRUE(Has(r.Out, "Procedures: 32"));

  fs::remove(cli.File("COrderEntryDB.cls"));
  r = cli.Run({"generate", "--profile", pfg, "--strict"}, kEpoch);
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_TRUE(Has(r.Err, "warning: The default connection string")) << r.Err;
  EXPECT_TRUE(Has(r.Err, "--strict")) << r.Err;
  EXPECT_TRUE(fs::exists(cli.File("COrderEntryDB.cls")));
  // --check of up-to-date files fails under --strict when the run warns.
  r = cli.Run({"generate", "--profile", pfg, "--check"}, kEpoch);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  r = cli.Run({"generate", "--profile", pfg, "--check", "--strict"}, kEpoch);
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_TRUE(Has(r.Err, "--strict")) << r.Err;

  // Without a warning --strict changes nothing (without sp_GetCustomer, whose method name
  // usp_GetCustomer would otherwise take with a counter and a warning).
  pfg = SampleProfile(cli, {"StoredProc.MethFilterExc=dt_*;sp_GetCustomer"});
  r = cli.Run({"generate", "--profile", pfg, "--strict"}, kEpoch);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_FALSE(Has(r.Err, "warning: "));
}

TEST(CliGenerate, OverwriteQuestionIsAnsweredByOptionsAndRefusedWithoutATerminal) {
  ProgramInstall cli;
  const std::string pfg = SampleProfile(cli, {"Code.ConfirmOverWrite=True"});
  const std::string cls = cli.File("COrderEntryDB.cls");
  pftest::WriteAll(cls, "keep me");

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"generate", "--profile", pfg}, {"generate", "--profile", pfg, "--no"}}) {
    const ProgramResult r = cli.Run(args, kEpoch);
    EXPECT_EQ(r.ExitCode, 1) << r.Err;
    EXPECT_TRUE(Has(r.Err, "File " + cls + " already exists. Do you want to overwrite it?")) << r.Err;
    EXPECT_TRUE(Has(r.Err, "Operation Cancelled.")) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(ReadAll(cls), "keep me");
  }

  const ProgramResult yes = cli.Run({"generate", "--profile", pfg, "--yes"}, kEpoch);
  EXPECT_EQ(yes.ExitCode, 0) << yes.Err;
  EXPECT_TRUE(Has(yes.Err, "(answered Yes by --yes)")) << yes.Err;
  EXPECT_EQ(ReadAll(cls).rfind("VERSION 1.0 CLASS", 0), 0u);
}

TEST(CliGenerate, FailuresExitOneWithTheMessageAndWriteNothing) {
  ProgramInstall cli;
  // An output folder that does not exist stops the run at the checks.
  std::string pfg = SampleProfile(cli, {"Code.ClassFile=" + cli.File("missing/C.cls")});
  ProgramResult r = cli.Run({"generate", "--profile", pfg, "--yes"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "Cannot open output file: ")) << r.Err;
  EXPECT_EQ(r.Out, "");

  // A catalogue that cannot be read.
  pfg = SampleProfile(cli, {"Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + cli.File("gone.sql")});
  r = cli.Run({"generate", "--profile", pfg, "--yes"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_FALSE(r.Err.empty());
  EXPECT_EQ(r.Out, "");
}

// A file the run could not write fails the run, although the build itself succeeded.
// Without procedure methods the class file is not checked before the build, so the
// failure shows only when the file is written.
TEST(CliGenerate, AFileThatCannotBeWrittenIsAFailure) {
  ProgramInstall cli;
  const std::string unwritable = cli.File("missing/COrderEntryDB.cls");
  const std::string pfg = SampleProfile(cli, {"StoredProc.AddSPMethods=False", "Code.ClassFile=" + unwritable});
  const ProgramResult r = cli.Run({"generate", "--profile", pfg, "--yes"});
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_TRUE(Has(r.Err, "Error Saving File: ")) << r.Err;
  EXPECT_TRUE(Has(r.Err, "Generation failed: not written: " + unwritable)) << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_FALSE(fs::exists(unwritable));
}

// An error outside the program's own checks is an internal error: shown as such and
// its report appended to the error log beside the program.
TEST(CliList, InternalErrorsAreLogged) {
  ProgramInstall cli;
  // A snapshot with the catalogue tables, but not the columns the extractor reads.
  const std::string junk = cli.File("junk.sql");
  pftest::WriteAll(junk, "CREATE TABLE sysobjects (x TEXT);\nCREATE TABLE ProcedureParameters (x TEXT);\n");
  const std::string pfg = SampleProfile(cli, {"Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + junk});
  const ProgramResult r = cli.Run({"list", "--profile", pfg});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "Internal app error: ")) << r.Err;
  EXPECT_EQ(r.Out, "");
  const std::string log = ReadAll(cli.ProgramFile("Errors.txt"));
  EXPECT_TRUE(Has(log, "no such column: type")) << log;
  EXPECT_TRUE(Has(log, "Call Stack: ")) << log;
}

// Ctrl-C or SIGTERM during a long run: the program ends within a second or two, exit 130
// (143 for SIGTERM), and leaves neither output files nor temporary files behind. Without
// a terminal there is no progress line on stderr.
TEST(CliGenerate, SignalsStopTheRunCleanly) {
  ProgramInstall cli;
  const std::string snapshot = cli.File("big.db");
  const std::string make = "python3 '" + std::string(PF_SOURCE_DIR) + "/bench/make_synthetic_snapshot.py' 20000 '" +
                           snapshot + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const std::string pfg = SampleProfile(cli, {"Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + snapshot});

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
  const SilentServer server;
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
  pg.Psql("CREATE OR REPLACE VIEW msysobjects AS SELECT 'q'::text AS name, 5 AS type FROM pg_sleep(60);", "pfslow");
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
    std::string left = pg.Psql(running);
    for (int i = 0; i < 20 && left != "0\n"; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      left = pg.Psql(running);
    }
    EXPECT_EQ(left, "0\n") << "the server still runs the query";
  }
}

}  // namespace
}  // namespace pftest

namespace pftest {
namespace {

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

// Files that are not what they should be are named with what is wrong with them, as a
// plain message: no internal-error report, no call stack.
TEST(CliGenerate, BadInputFilesAreNamedWithWhatIsWrong) {
  ProgramInstall cli;
  pftest::WriteAll(cli.File("bin.udl"), std::string("\x7F" "ELF\x02\x01\x01\0\0\0 binary", 17));
  pftest::WriteAll(cli.File("Cut.PFG"), "<Settings>\n  <Server SrvrType=\"1\" ConnPfg=\"");
  fs::create_directory(cli.File("Folder.PFG"));
  pftest::WriteAll(cli.File("empty.db"), "");
  const std::string sales = std::string(PF_SOURCE_DIR) + "/samples/oracle/Sales.sql";
  struct Case {
    std::string conn;  // the sample profile's connection string; empty: `profile` as it is
    std::string profile;
    std::string message;
  };
  const Case cases[] = {
      {"Server.ConnPfg=File Name=" + cli.File("bin.udl"), "",
       "The file " + cli.File("bin.udl") + " is not a data link file: it holds binary data, not text."},
      {"", cli.File("Folder.PFG"), cli.File("Folder.PFG") + " is a folder, not a file."},
      {"", cli.File("Cut.PFG"), "LoadXML method failed at line 2, column "},
      {"Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + cli.File("empty.db"), "",
       "'" + cli.File("empty.db") + "' is not a catalogue snapshot of server type 1 (SQL Server): it has no table sysobjects."},
      {"Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + sales, "",
       "'" + sales + "' is a snapshot of server type 3 (Oracle), not of the profile's server type 1 (SQL Server)."},
  };
  for (const Case& c : cases) {
    const std::string pfg = c.conn.empty() ? c.profile : SampleProfile(cli, {c.conn});
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list", "--profile", pfg}, {"generate", "--profile", pfg, "--yes"}}) {
      const std::string& command = args[0];
      const ProgramResult r = cli.Run(args);
      EXPECT_EQ(r.ExitCode, 1) << command << " " << c.message;
      EXPECT_TRUE(Has(r.Err, c.message)) << command << ": " << r.Err;
      EXPECT_FALSE(Has(r.Err, "Internal app error") || Has(r.Err, "Call Stack")) << r.Err;
    }
  }
}

}  // namespace
}  // namespace pftest
