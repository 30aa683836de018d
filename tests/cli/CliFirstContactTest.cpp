// First contact with a server through procforge-cli test-connection, against loopback
// listeners that accept and stay silent or accept and close, through the real FreeTDS
// driver: every attempt ends within its connection time-out and a few seconds, and says
// where it went and why it likely failed.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <tuple>

#include "support/LoopbackListener.h"
#include "support/PgServer.h"
#include "support/ProgramInstall.h"

namespace pftest {
namespace {

constexpr int kTimeout = 2;      // the Connect Timeout the tests set
constexpr double kMostPast = 5;  // how far past it an attempt may end

struct Timed {
  ProgramResult Result;
  double Seconds = 0;
};

class FirstContact : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_ = cli_.File("p.PFG");
    const ProgramResult r = cli_.Run({"configure", "--profile", profile_, "--new", "--set", "Server.SrvrType=1",
                                      "--set", "Code.ClassFile=" + cli_.File("C.cls")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
  }
  Timed Test(const std::string& conn) {
    const auto start = std::chrono::steady_clock::now();
    Timed t{cli_.Run({"test-connection", "--profile", profile_, conn + ";Connect Timeout=" + std::to_string(kTimeout)}),
            0};
    t.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return t;
  }
  ProgramInstall cli_;
  std::string profile_;
};

TEST_F(FirstContact, SilentAndClosingServersEndWithinTheTimeoutForBothProtocols) {
  double worst = 0;
  for (const auto mode : {LoopbackListener::Mode::Silent, LoopbackListener::Mode::Close})
    for (const char* version : {"7.4", "5.0"}) {
      LoopbackListener server(mode);
      ASSERT_TRUE(server.Ok());
      const std::string where = "127.0.0.1:" + std::to_string(server.Port());
      const Timed t = Test("Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(server.Port()) +
                           ";TDS_Version=" + version + ";UID=gen;PWD=s3cr3t");
      SCOPED_TRACE(std::string(version) + (mode == LoopbackListener::Mode::Silent ? " silent" : " closing"));
      EXPECT_EQ(t.Result.ExitCode, 1);
      EXPECT_GE(server.Accepted(), 1);
      EXPECT_LT(t.Seconds, kTimeout + kMostPast) << t.Result.Err;
      EXPECT_TRUE(Has(t.Result.Err, "Could not connect to " + where + " with the ODBC driver 'FreeTDS'."))
          << t.Result.Err;
      EXPECT_FALSE(Has(t.Result.Err, "s3cr3t"));
      EXPECT_TRUE(mode != LoopbackListener::Mode::Silent || Has(t.Result.Err, "time-out")) << t.Result.Err;
      worst = std::max(worst, t.Seconds - kTimeout);
    }
  // A named instance whose browser service (UDP 1434) takes the query and never answers:
  // FreeTDS asks again for many seconds, whatever the time-out, so the port is asked for
  // within it, also for ODBC strings that name FreeTDS by its library, and the message says
  // what to do.
  const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(1434);
  ::inet_pton(AF_INET, "127.0.14.34", &a.sin_addr);
  std::vector<std::string> strings = {"Provider=SQLOLEDB;Data Source=127.0.14.34\\SQLEXPRESS;User ID=gen",
                                      "Driver=FreeTDS;Server=127.0.14.34\\SQLEXPRESS;UID=gen"};
  if (const std::string tds = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"; std::filesystem::exists(tds))
    strings.push_back("Driver=" + tds + ";Server=127.0.14.34\\SQLEXPRESS;UID=gen");
  if (::bind(udp, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) strings.clear();
  for (const std::string& s : strings) {
    const Timed t = Test(s);
    EXPECT_EQ(t.Result.ExitCode, 1);
    EXPECT_TRUE(t.Seconds >= kTimeout && t.Seconds < kTimeout + 1.5) << t.Result.Err;
    EXPECT_TRUE(Has(t.Result.Err,
                    "The SQL Server Browser service of '127.0.14.34' (UDP port 1434) did not answer "
                    "within 2 s") &&
                Has(t.Result.Err, "name the instance's port instead"))
        << t.Result.Err;
    worst = std::max(worst, t.Seconds - kTimeout);
  }
  ::close(udp);
  std::printf("worst wait past the connection time-out: %.2f s\n", worst);
}

// A server that never answers a logout. The connections the pool holds at exit are let go
// together: one time-out (and the grace time) in all (the report holds two: its own and that
// of the one-call description). Those not pooled are abandoned one by one after the work:
// each command (run at once, the profile current) keeps its result and files, and warns once.
TEST_F(FirstContact, HungLogoutsCostOneTimeoutAndAreWarnings) {
  LoopbackListener server(LoopbackListener::Mode::Tds50);
  ASSERT_TRUE(server.Ok());
  server.AnswerWith("FROM sysobjects  WHERE type", "name,id,type", {"p1,1,P", "p2,2,P"});
  server.AnswerWith("sp_sproc_columns", "q,o,procedure_name,column_name,column_type,data_type,type_name,p,l,s,r,n",
                    {"db,dbo,p1,@id,0,4,int,10,4,0,10,0", "db,dbo,p2,@id,0,4,int,10,4,0,10,0"});
  server.HangAtLogout();
  const std::string conn = "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(server.Port()) +
                           ";TDS_Version=5.0;UID=gen;Connect Timeout=1";
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult r = cli_.Run({"test-connection", "--report", "--profile", profile_, conn});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(server.Accepted(), 2);
  EXPECT_LT(seconds, 1 + 2 + 1.5) << r.Out;

  ASSERT_EQ(
      cli_.Run({"configure", "--profile", profile_, "--set", "Server.ConnPfg=" + conn + ";Pooling=False"}).ExitCode, 0);
  const std::string said = "The server did not answer the logout from 127.0.0.1:" + std::to_string(server.Port()) +
                           " with the ODBC driver 'FreeTDS' within 3 s, so the connection was abandoned.\n";
  const std::tuple<std::vector<std::string>, std::string, std::string> runs[] = {
      {{"snapshot", "-o", cli_.File("s.sql")}, "", "warning: "},
      {{"list"}, "p1\tExecP1\np2\tExecP2\n", "warning: "},
      {{"generate", "--yes"}, "Procedures: 2\n", "warning: "},
      {{"test-connection"}, "", "Connection tested successfully.\nwarning: "},
      {{"test-connection", "--report"}, "1 parameter (", "Warning: "}};
  std::vector<int> pids;
  for (const auto& [args, out, shown] : runs) {
    cli_.StdoutTo = cli_.File(std::to_string(pids.size()) + ".out");
    cli_.StderrTo = cli_.File(std::to_string(pids.size()) + ".err");
    pids.push_back(cli_.Start(args));
  }
  for (size_t i = 0; i < pids.size(); ++i) {
    const auto& [args, out, shown] = runs[i];
    const bool ok = cli_.Finish(pids[i]).ExitCode == 0;
    const std::string o = ReadAll(cli_.File(std::to_string(i) + ".out"));
    const std::string all = o + ReadAll(cli_.File(std::to_string(i) + ".err"));
    EXPECT_TRUE(ok && Has(o, out) && Has(all, shown + said) && all.find(said) == all.rfind(said)) << all;
  }
  EXPECT_TRUE(Has(ReadAll(cli_.File("s.sql")), "'p2'") && Has(ReadAll(cli_.File("C.cls")), "Function ExecP2("));
}

// Strings without a port reach the server type's usual port, and say that they assumed it;
// the ASE provider's "host:port" reaches that port.
TEST_F(FirstContact, TheUsualPortIsTriedAndNamed) {
  const std::tuple<const char*, int, std::string, const char*> cases[] = {
      {"127.0.14.33", 1433, "Provider=SQLOLEDB;Data Source=127.0.14.33;User ID=gen;Password=pw", "port 1433"},
      {"127.0.50.0", 5000, "Provider=Sybase.ASEOLEDBProvider;Data Source=127.0.50.0;Catalog=orders;User ID=gen",
       "port 5000"},
      {"127.0.50.1", 5001, "Provider=ASEOLEDB;Data Source=127.0.50.1:5001;Catalog=orders;User ID=gen",
       "127.0.50.1:5001"},
  };
  for (const auto& [address, port, string, said] : cases) {
    LoopbackListener server(LoopbackListener::Mode::Close, address, port);
    if (!server.Ok()) GTEST_SKIP() << address << ":" << port << " cannot be bound here";
    const Timed t = Test(string);
    EXPECT_EQ(t.Result.ExitCode, 1) << string;
    EXPECT_EQ(server.Accepted(), 1) << string << "\n" << t.Result.Err;
    EXPECT_TRUE(Has(t.Result.Err, said)) << t.Result.Err;
  }
}

// What the driver cannot be told is a warning of the test, also when the test fails; the
// cause of a failed integrated login names Kerberos.
TEST_F(FirstContact, WarnsOfDroppedKeywordsAndExplainsIntegratedSecurity) {
  LoopbackListener server(LoopbackListener::Mode::Close);
  ASSERT_TRUE(server.Ok());
  const Timed t = Test("Provider=SQLOLEDB;Data Source=127.0.0.1," + std::to_string(server.Port()) +
                       ";Integrated Security=SSPI;TrustServerCertificate=No;Packet Size=4096");
  EXPECT_EQ(t.Result.ExitCode, 1);
  for (const char* said : {"warning: TrustServerCertificate=No is not passed on",
                           "warning: The keyword 'Packet Size' is not passed on", "Kerberos", "kinit"})
    EXPECT_TRUE(Has(t.Result.Err, said)) << said << "\n" << t.Result.Err;
}

// The report over real rows: a catalogue snapshot (SQLite) answers every request; the
// PostgreSQL test server, taken for a SQL Server, answers with its own error for the
// catalogue query. Either way the report names the driver and the server and writes nothing.
TEST_F(FirstContact, ReportShowsEachCatalogueRequestWithItsRowsOrError) {
  const std::string before = ReadAll(profile_);
  ProgramResult r =
      cli_.Run({"test-connection", "--report", "--profile", profile_,
                "Provider=Procforge.Snapshot;Data Source=" PF_SOURCE_DIR "/samples/mssql/OrderEntry.sql"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  for (const char* part :
       {"Server type: 1 (Microsoft SQL Server)", "Connecting: connected", "Server: SQLite 3.",
        "1. schemas\n   SELECT id, SCHEMA_NAME(uid)",
        "2. procedure list\n   SELECT * FROM sysobjects  WHERE type IN ('P', 'FN')  ORDER BY [name]\n",
        "3. procedure list as the extractor reads it\n   ", "4. parameters of ", "(parameter refresh)", " rows (0.",
        " parameters (0."})
    EXPECT_TRUE(Has(r.Out, part)) << part << "\n" << r.Out;

  PgServer& pg = PgServer::Shared();
  r = cli_.Run({"test-connection", "--report", "--profile", profile_, pg.OdbcString()});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  for (const std::string& part :
       {std::string("ODBC driver: ") + PgServer::kDriver, std::string("PWD=***"), std::string("Server: PostgreSQL 15"),
        std::string("   failed: "), std::string("sysobjects")})
    EXPECT_TRUE(Has(r.Out, part)) << part << "\n" << r.Out;
  EXPECT_FALSE(Has(r.Out, PgServer::kPassword));
  // A failing request shows its message; the report of the error, with its call stack, is in
  // the error log.
  EXPECT_FALSE(Has(r.Out, "Time='") || Has(r.Out, "RetrieveRecordset")) << r.Out;
  EXPECT_TRUE(Has(r.Out, "(the whole report is in the error log, Errors.txt)")) << r.Out;
  EXPECT_TRUE(Has(ReadAll(cli_.ProgramFile("Errors.txt")), "CSrvrOraADO.RetrieveRecordset(SQL)"));

  // A server that is not there: the report says where it went and why, and fails.
  LoopbackListener closing(LoopbackListener::Mode::Close);
  r = cli_.Run({"test-connection", "--report", "--profile", profile_,
                "Provider=SQLOLEDB;Data Source=127.0.0.1," + std::to_string(closing.Port()) + ";Password=pw;Foo=1"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Out, "Warning: The keyword 'Foo' is not passed on")) << r.Out;
  EXPECT_TRUE(Has(r.Out, "Connecting: failed: Could not connect to 127.0.0.1:")) << r.Out;
  EXPECT_EQ(ReadAll(profile_), before);
}

}  // namespace
}  // namespace pftest
