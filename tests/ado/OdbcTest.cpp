#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <tuple>

#include "errors/Faultnet31.h"
#include "errors/Secrets.h"
#include "platform/ado/Command.h"
#include "platform/ado/ConnStr.h"
#include "platform/ado/Connection.h"
#include "platform/ado/InstanceLookup.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/ado/Recordset.h"
#include "support/Golden.h"
#include "support/LoopbackListener.h"
#include "support/PgServer.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::ado;

// A command of the type and text on c (the snapshot tests use it too).
std::shared_ptr<Command> MakeCommand(const std::shared_ptr<Connection>& c, int type, const std::string& text) {
  auto cmd = Command::Create();
  cmd->SetActiveConnection(c);
  cmd->CommandType = type;
  cmd->CommandText = text;
  return cmd;
}

namespace {
// Functions, procedures and a table of the types the driver maps.
const std::string kSchema = pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/ado/pfado.sql");

std::shared_ptr<Connection> Opened(const std::string& cs) {
  auto c = Connection::Create();
  c->Open(cs);
  return c;
}

// A parameter as "  name direction type size precision scale attributes".
template <class P>
std::string ParamLine(const P& p) {
  std::string line = "  " + p.Name;
  for (long v :
       {long(p.Direction), long(p.Type), long(p.Size), long(p.Precision), long(p.NumericScale), long(p.Attributes)})
    line += " " + std::to_string(v);
  return line;
}

class PgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pftest::PgServer& pg = pftest::PgServer::Shared();
    pg.CreateDatabase("pfado");
    pg.Psql(kSchema, "pfado");
  }
  static std::shared_ptr<Connection> Open() { return Opened(pftest::PgServer::Shared().OdbcString("pfado")); }
  static std::vector<Parameter> Refresh(const std::shared_ptr<Connection>& c, const std::string& proc) {
    auto cmd = MakeCommand(c, adCmdStoredProc, proc);
    cmd->Parameters().Refresh();
    return {cmd->Parameters().begin(), cmd->Parameters().end()};
  }
};
}  // namespace

// The parameters a refresh gives for the procedures of tests/data/ado/pfado.sql, against a
// golden file: a function's result comes first, as the return value; each parameter as
// name, direction, type, size, precision, scale and attributes (booleans are text, the
// driver's default). Spellings that differ only in case (f_case, F_Case) are different
// procedures. "_" is a pattern character for the driver: it must not find p_none for pXnone.
TEST_F(PgTest, RefreshMapsFunctionsAndProceduresToAdoCodes) {
  auto c = Open();
  std::string text;
  for (const char* proc : {"f_add", "public.F_TYPES", "p_inout", "p_none", "f_case", "F_Case"}) {
    text += std::string(proc) + "\n";
    for (const Parameter& p : Refresh(c, proc)) text += ParamLine(p) + "\n";
  }
  pftest::ExpectGolden("ado/pg-parameters.txt", text);
  for (const char* unknown : {"p_missing", "pXnone"})
    pftest::ExpectFailure([&] { Refresh(c, unknown); }, {std::string("'") + unknown + "' was not found"});
}

TEST_F(PgTest, OneCallDescribesEveryProcedureAsItsRefreshDoes) {
  auto c = Open();
  const std::optional<std::vector<ProcedureDescription>> all = c->DescribeAllProcedures(60);
  ASSERT_TRUE(all);
  size_t compared = 0;
  for (const ProcedureDescription& d : *all) {
    if (d.Name != "f_add" && d.Name != "f_types" && d.Name != "p_inout") continue;
    SCOPED_TRACE(d.Name);
    ++compared;
    const std::vector<Parameter> one = Refresh(c, d.Name);
    ASSERT_EQ(d.Parameters.size(), one.size());
    for (size_t i = 0; i < one.size(); ++i) {
      const ParameterInfo& a = d.Parameters[i];
      const Parameter& b = one[i];
      EXPECT_EQ(std::tie(a.Name, a.Direction, a.Type, a.Size, a.Precision, a.NumericScale, a.Attributes),
                std::tie(b.Name, b.Direction, b.Type, b.Size, b.Precision, b.NumericScale, b.Attributes))
          << i;
    }
  }
  EXPECT_EQ(compared, 3u);
}

// SQL Server lists numbered procedures as name;1, name;2 in its description: a call of the
// name runs the first, and only its parameters are the name's (the others are named).
// PostgreSQL takes such names quoted, and psqlODBC lists them as they are.
TEST_F(PgTest, NumberedProceduresKeepTheFirstNumbersParameters) {
  pftest::PgServer::Shared().Psql(
      "CREATE OR REPLACE FUNCTION \"np;1\"(a integer) RETURNS integer AS $$ SELECT a $$ LANGUAGE sql;"
      "CREATE OR REPLACE FUNCTION \"np;2\"(b integer, c integer) RETURNS integer AS $$ SELECT b $$ LANGUAGE sql;",
      "pfado");
  auto c = Open();
  const std::optional<std::vector<ProcedureDescription>> all = c->DescribeAllProcedures(60);
  ASSERT_TRUE(all);
  const auto np = std::find_if(all->begin(), all->end(), [](const ProcedureDescription& d) { return d.Name == "np"; });
  ASSERT_NE(np, all->end());
  std::string names;
  for (const ParameterInfo& p : np->Parameters) names += p.Name + " ";
  EXPECT_EQ(names, "RETURN_VALUE a ");
  EXPECT_EQ(np->OtherNumbers, std::vector<std::string>{"2"});
}

TEST_F(PgTest, QueriesReadValuesNullsAndSeveralResultSets) {
  auto c = Open();
  auto rs = c->Execute(
      "SELECT id, name, amount, note, flag, stamp, price FROM t ORDER BY id; SELECT 'x' AS b; "
      "SELECT 42 AS n WHERE false");
  EXPECT_EQ(std::tuple(rs->Fields("ID").Type(), rs->Fields("amount").Type(), rs->Fields("price").Type()),
            std::tuple(adInteger, adNumeric, adCurrency));
  EXPECT_EQ(std::tuple(rs->Value("id"), rs->Value("name"), rs->Value("amount"), rs->Value("stamp")),
            std::tuple("1", "one", "12.50", "2026-12-06 14:03:05"));
  EXPECT_TRUE(rs->Fields("note").IsNull());
  rs->MoveNext();
  EXPECT_FALSE(rs->Fields("name").IsNull());
  EXPECT_EQ(rs->Value("name"), "");
  EXPECT_TRUE(rs->Fields("amount").IsNull());
  EXPECT_EQ(rs->Value("note"), "caf\xC3\xA9");
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  auto second = rs->NextRecordset();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Value("b"), "x");
  // The ANSI build of the driver hands out the same text.
  auto ansi = Opened(pftest::ReplaceAll(pftest::PgServer::Shared().OdbcString("pfado"), "Unicode", "ANSI"));
  EXPECT_EQ(ansi->Execute("SELECT note FROM t WHERE id = 2")->Value("note"), "caf\xC3\xA9");
  EXPECT_EQ(Refresh(ansi, "f_add").size(), 3u);
  auto third = second->NextRecordset();
  ASSERT_TRUE(third);
  EXPECT_TRUE(third->Eof());
  EXPECT_EQ(third->NextRecordset(), nullptr);
}

TEST_F(PgTest, FailuresCarryTheServersMessages) {
  auto c = Open();
  auto cmd = MakeCommand(c, adCmdText, "SELECT pg_sleep(10)");
  cmd->CommandTimeout = 1;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(cmd->Execute(), AppError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));

  // When the server ends the session, the connection is lost: every call the extractors
  // make on it says so, again and again, without reaching the driver, and it closes quietly.
  auto lost = Open();
  pftest::PgServer::Shared().Psql("SELECT pg_terminate_backend(" +
                                  lost->Execute("SELECT pg_backend_pid() AS pid")->Value("pid") + ")");
  const std::function<void()> calls[] = {
      [&] { lost->Execute("SELECT 1"); },
      [&] { Refresh(lost, "f_add"); },
      [&] { lost->DescribeAllProcedures(15); },
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& call : calls) {
      const AppError e = pftest::Raised(call);
      EXPECT_EQ(e.Number, ERR_USER_CHECK) << e.Description;
      EXPECT_EQ(e.Description.rfind(kConnectionLost, 0), 0u) << e.Description;
    }
  EXPECT_NO_THROW(lost->Close());
  EXPECT_EQ(Open()->Execute("SELECT 1 AS one")->Value("one"), "1");
}

namespace {
// Opens a SQL Server connection to `dataSource`; returns the failure text and the time taken.
std::pair<std::string, double> FailedOpen(const std::string& dataSource, int timeout) {
  auto c = Connection::Create();
  c->ConnectionTimeout = timeout;
  const auto start = std::chrono::steady_clock::now();
  std::string message = "(opened)";
  try {
    c->Open("Provider=SQLOLEDB.1;" + dataSource + ";Initial Catalog=master;User ID=sa;Password=x");
  } catch (const AppError& e) {
    message = e.Description;
  }
  return {message, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}
}  // namespace

TEST(Odbc, FreeTdsFailsDescriptivelyWithinTheLoginTimeout) {
  // Nobody listens on the port.
  auto [closedMessage, closedSeconds] =
      FailedOpen("Data Source=127.0.0.1," + std::to_string(pftest::FreeLoopbackPort()), 3);
  EXPECT_NE(closedMessage.find("Unable to connect"), std::string::npos) << closedMessage;
  EXPECT_LT(closedSeconds, 8.0);

  // A server that accepts the connection and never answers: only the login timeout ends the wait.
  pftest::LoopbackListener silent(pftest::LoopbackListener::Mode::Silent);
  auto [silentMessage, silentSeconds] = FailedOpen("Data Source=127.0.0.1," + std::to_string(silent.Port()), 2);
  EXPECT_TRUE(silentSeconds >= 1.0 && silentSeconds < 10.0) << silentMessage;
  // It fails, keeping every diagnostic record, one per line.
  EXPECT_NE(silentMessage.find("\r\n"), std::string::npos) << silentMessage;
}

namespace {
// A stand-in of the SQL Server Browser service on UDP port 1434 of a loopback address of its
// own, answering a CLNT_UCAST_INST request for SQLEXPRESS with an SVR_RESP that names
// `tcpPort`, as [MC-SQLR] documents both
// (https://learn.microsoft.com/en-us/openspecs/windows_protocols/mc-sqlr/).
class BrowserStandIn {
 public:
  BrowserStandIn(const char* address, int tcpPort) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(1434);
    ::inet_pton(AF_INET, address, &a.sin_addr);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return;
    ok_ = true;
    thread_ = std::thread([this, tcpPort] {
      char buf[256];
      sockaddr_in from{};
      socklen_t len = sizeof from;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 10000) != 1) return;
      const ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n <= 0) return;
      request_.assign(buf, static_cast<size_t>(n));
      const std::string data =
          "ServerName;PFTEST;InstanceName;OTHER;IsClustered;No;Version;16.0.1000.6;tcp;1;;"
          "ServerName;PFTEST;InstanceName;SQLEXPRESS;IsClustered;No;Version;16.0.1000.6;tcp;" +
          std::to_string(tcpPort) + ";;";
      std::string answer = {'\x05', static_cast<char>(data.size() & 0xFF), static_cast<char>(data.size() >> 8)};
      answer += data;
      ::sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
    });
  }
  ~BrowserStandIn() {
    if (thread_.joinable()) thread_.join();
    ::close(fd_);
  }
  bool Ok() const { return ok_; }
  const std::string& Request() const { return request_; }

 private:
  int fd_ = -1;
  bool ok_ = false;
  std::string request_;
  std::thread thread_;
};
}  // namespace

// A named instance's port is asked of the browser service within the connection time-out,
// and the driver is sent to that port (a silent service: tests/cli/CliFirstContactTest.cpp).
TEST(Odbc, NamedInstancesAreLookedUpWithinTheTimeout) {
  constexpr const char* kAddress = "127.0.14.35";
  pftest::LoopbackListener server(pftest::LoopbackListener::Mode::Close, kAddress);
  BrowserStandIn browser(kAddress, server.Port());
  if (!browser.Ok() || !server.Ok()) GTEST_SKIP() << kAddress << " cannot be bound here";
  const std::string message = FailedOpen(std::string("Data Source=") + kAddress + "\\sqlexpress", 2).first;
  EXPECT_EQ(browser.Request(), std::string("\x04sqlexpress\0", 12));
  EXPECT_EQ(server.Accepted(), 1) << message;
  EXPECT_NE(message.find("Could not connect to 127.0.14.35\\sqlexpress:" + std::to_string(server.Port())),
            std::string::npos)
      << message;
  for (const auto& [answer, port] : std::vector<std::pair<std::string, std::string>>{
           {"ServerName;A;InstanceName;SQLEXPRESS;IsClustered;No;tcp;49712;;", "49712"},
           {"ServerName;A;InstanceName;sqlexpress;np;\\\\A\\pipe\\sql\\query;;", ""},  // named pipes only
           {"ServerName;A;InstanceName;OTHER;tcp;1;;ServerName;A;InstanceName;SQLExpress;tcp;2;;", "2"},
           {"ServerName;A;InstanceName;OTHER;tcp;1;;", ""},
       })
    EXPECT_EQ(InstanceLookup::PortInAnswer(answer, "SQLEXPRESS"), port) << answer;
}

// A server that stops answering an open connection: FreeTDS's TDS 5.0 disconnect sends a
// logout and waits for its answer (5 s, whatever the time-out). The disconnect of a closed
// connection, and of an idle one the pool lets go, is abandoned after the connection
// time-out and the grace time, and the program goes on: the close does not fail, and only
// the closed one leaves a warning.
TEST(Odbc, DisconnectsFromAServerThatStoppedAnsweringAreAbandoned) {
  pftest::LoopbackListener server(pftest::LoopbackListener::Mode::Tds50);
  ASSERT_TRUE(server.Ok());
  const std::string cs = "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(server.Port()) +
                         ";TDS_Version=5.0;UID=gen;PWD=x;Connect Timeout=1";
  for (const bool pooled : {false, true}) {
    SCOPED_TRACE(pooled ? "pooled" : "not pooled");
    OdbcProvider::ClearPool();
    auto c = Opened(cs + (pooled ? "" : ";Pooling=False"));
    server.StopAnswering();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(c->Close());
    OdbcProvider::ClearPool();  // the pool disconnects its idle connection
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(seconds >= 1.0 + kAbandonGraceSeconds && seconds < 1.0 + kAbandonGraceSeconds + 1.5) << seconds;
    const std::string said = "The server did not answer the logout from 127.0.0.1:" + std::to_string(server.Port()) +
                             " with the ODBC driver 'FreeTDS' within 3 s, so the connection was abandoned.";
    EXPECT_EQ(TakeAbandonedLogouts(), std::vector<std::string>(!pooled, said));
    EXPECT_EQ(OdbcProvider::PoolStatistics().Idle, 0);
    server.StartAnswering();
  }
}

// Connection pooling against the PostgreSQL test server: a backend process id tells
// whether an open logged in again or took a pooled connection.
namespace {

class PoolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pftest::PgServer::Shared().CreateDatabase("pfpool"); }
  void SetUp() override { OdbcProvider::ClearPool(); }
  void TearDown() override { OdbcProvider::ClearPool(); }

  static std::string Cs(const std::string& extra = {}) {
    return pftest::PgServer::Shared().OdbcString("pfpool") + extra;
  }
  static std::string Pid(Connection& c) { return c.Execute("SELECT pg_backend_pid() AS pid")->Value("pid"); }
  // Opens, reads the backend id, runs `between` on the open connection, closes.
  static std::string Cycle(const std::string& cs, const std::function<void(Connection&)>& between = {}) {
    auto c = Opened(cs);
    const std::string pid = Pid(*c);
    if (between) between(*c);
    c->Close();
    return pid;
  }
  // Waits up to Tries times 20 ms for the backend Pid to end, watching through Admin.
  static bool Ended(Connection& admin, const std::string& pid, int tries) {
    for (int i = 0; i < tries; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20)))
      if (admin.Execute("SELECT count(*) AS n FROM pg_stat_activity WHERE pid = " + pid)->Value("n") == "0")
        return true;
    return false;
  }
};

TEST_F(PoolTest, ConnectionsThatAreNotPooled) {
  const std::tuple<const char*, std::string, std::function<void(Connection&)>> cases[] = {
      {"OLE DB Services=-2", Cs(";OLE DB Services=-2"), {}},
      {"Pooling=False", Cs(";Pooling=False"), {}},
      {"a failed statement", Cs(),
       [](Connection& c) { EXPECT_THROW(c.Execute("SELECT * FROM no_such_table"), AppError); }},
      {"an open transaction", Cs(), [](Connection& c) { c.BeginTrans(); }},
  };
  for (const auto& [what, cs, between] : cases) {
    SCOPED_TRACE(what);
    OdbcProvider::ClearPool();
    const std::string first = Cycle(cs, between);
    EXPECT_EQ(OdbcProvider::PoolStatistics().Idle, 0);
    EXPECT_NE(Cycle(cs), first);
  }
  // A committed transaction leaves the connection poolable, in autocommit again.
  OdbcProvider::ClearPool();
  const std::string first = Cycle(Cs(), [](Connection& c) {
    c.BeginTrans();
    c.CommitTrans();
  });
  EXPECT_EQ(Cycle(Cs()), first);
}

TEST_F(PoolTest, ADroppedConnectionIsReplacedSilently) {
  const std::string first = Cycle(Cs());
  // The server ends the pooled connection's backend while it sits idle.
  auto admin = Opened(Cs(";Pooling=False"));
  EXPECT_EQ(admin->Execute("SELECT pg_terminate_backend(" + first + ") AS ok")->Value("ok"), "1");
  Ended(*admin, first, 50);
  const long loginsBefore = OdbcProvider::PoolStatistics().Logins;
  std::string second;
  ASSERT_NO_THROW(second = Cycle(Cs()));
  EXPECT_NE(second, first);
  EXPECT_EQ(OdbcProvider::PoolStatistics().Logins - loginsBefore, 1);
  EXPECT_EQ(Cycle(Cs()), second);
}

TEST_F(PoolTest, IdleConnectionsCloseAfterTheIdleLimit) {
  const auto previous = OdbcProvider::SetPoolIdleLimit(std::chrono::milliseconds(50));
  const std::string first = Cycle(Cs());
  // The backend ends on time, without another open or close to notice the limit.
  EXPECT_TRUE(Ended(*Opened(Cs(";Pooling=False")), first, 100));
  EXPECT_EQ(OdbcProvider::PoolStatistics().Idle, 0);
  EXPECT_NE(Cycle(Cs()), first);
  OdbcProvider::SetPoolIdleLimit(previous);
}

// A process made by fork() has none of its parent's threads, and the parent's connections
// are the parent's: a child logs in afresh at once instead of waiting on the one the parent
// pooled, and leaves it to the parent.
TEST_F(PoolTest, AForkedProcessLeavesItsParentsConnectionsAlone) {
  const std::string cs = Cs(";Connect Timeout=2");
  const std::string parent = Cycle(cs);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    int code = 3;
    try {
      code = Cycle(cs) != parent ? 0 : 2;
      OdbcProvider::ClearPool();
    } catch (...) {
    }
    std::_Exit(code);
  }
  // A child of a process with threads can stop on a lock another thread held at the fork:
  // it is given 20 s, then ended, so that such a fault fails here instead of hanging.
  int status = -1;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20)) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      FAIL() << "the forked process did not end within 20 s";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Cycle(cs), parent);
}

}  // namespace

namespace F = pf::Faultnet31;

namespace {

void Boom() { throw AppError(ERR_GENERAL, "T", "boom"); }

// The report ErrorIn builds for the failure of `fail`, with the given flags and object.
template <class Fn>
std::string ReportOf(Fn&& fail, int32_t flags, IErrDbObject* dbObject) {
  try {
    fail();
  } catch (...) {
    F::ErrPreserve();
    return F::ErrorIn("CTest.Run(SQL)", {"x"}, flags, dbObject);
  }
  ADD_FAILURE() << "no error";
  return {};
}

class ErrorReport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pftest::PgServer& pg = pftest::PgServer::Shared();
    pg.CreateDatabase("pferr");
    pg.Psql("CREATE TABLE IF NOT EXISTS logged (v integer);", "pferr");
  }
  void SetUp() override { F::Reset(); }
  static std::string Cs() { return pftest::PgServer::Shared().OdbcString("pferr"); }
  static std::shared_ptr<Connection> Open() { return Opened(Cs()); }
};

}  // namespace

TEST_F(ErrorReport, AdoSectionDescribesTheRealConnection) {
  auto c = Open();
  auto cmd = MakeCommand(c, adCmdText, "SELECT * FROM nowhere");
  const std::string report = ReportOf([&] { cmd->Execute(); }, EF_REPORT, cmd.get());
  const std::string expected =
      "  ADO Info: \r\n    ADO Version:   2.8\r\n    DbObject:      Command\r\n"
      "    Conn. String: '" +
      Secrets::Mask(Cs() + "'") +
      "\r\n    Conn. State:   adStateOpen\r\n"
      "    Error:         ";
  ASSERT_NE(report.find(expected), std::string::npos) << report;
  EXPECT_NE(report.find("relation \"nowhere\" does not exist", report.find(expected)), std::string::npos);
  // The server's password never reaches a report.
  const std::string password = Cs().substr(Cs().find("PWD=") + 4);
  EXPECT_EQ(report.find("PWD=" + password), std::string::npos) << report;

  // A recordset reduces to its connection too; a closed one is reported closed.
  auto rs = c->Execute("SELECT 1 AS a");
  c->Close();
  const std::string closed = ReportOf([&] { rs->NextRecordset(); }, EF_REPORT, rs.get());
  EXPECT_NE(closed.find("    DbObject:      Recordset\r\n"), std::string::npos) << closed;
  EXPECT_NE(closed.find("    Conn. State:   adStateClosed\r\n"), std::string::npos) << closed;

  // A connection handed over beforehand serves when the handler names none.
  auto preserved = Open();
  F::PreserveConnection(preserved);
  const std::string viaPreserved = ReportOf(Boom, EF_REPORT, nullptr);
  EXPECT_NE(viaPreserved.find("    DbObject:      Connection (Connection object was preserved internally)\r\n"),
            std::string::npos)
      << viaPreserved;
}

TEST_F(ErrorReport, RollsBackAndClosesARealConnection) {
  auto c = Open();
  c->BeginTrans();
  c->Execute("INSERT INTO logged VALUES (1)");
  const std::string report = ReportOf([&] { c->Execute("SELECT 1/0"); }, EF_REPORT | EF_ROLLBACK | EF_CLOSE, c.get());
  EXPECT_NE(report.find("    Transaction: Attempt to call RollbackTrans succeeded\r\n"
                        "    Connection: Attempt to call Close succeeded\r\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(c->State(), adStateClosed);
  EXPECT_EQ(Open()->Execute("SELECT count(*) AS n FROM logged")->Value("n"), "0");

  // Nothing to roll back: the outcome says why; a closed connection is not rolled back.
  auto idle = Open();
  const std::string none = ReportOf(Boom, EF_REPORT | EF_ROLLBACK, idle.get());
  EXPECT_NE(none.find("    Transaction: Attempt to call RollbackTrans failed with error 'No transaction is active.'"),
            std::string::npos)
      << none;
  idle->Close();
  const std::string closed = ReportOf(Boom, EF_REPORT | EF_ROLLBACK | EF_CLOSE, idle.get());
  EXPECT_NE(closed.find("    Transaction: Could not call RollbackTrans: Connection is closed \r\n"
                        "    Connection: Attempt to call Close failed with error 'Operation is not allowed when the "
                        "object is closed.'"),
            std::string::npos)
      << closed;
}

TEST_F(ErrorReport, LogToDatabaseRunsTheStatementOnTheServer) {
  RegisterWithErrorLibrary();
  ReportOf([&] { throw AppError(ERR_GENERAL, "T", "it's broken"); }, EF_REPORT, nullptr);
  // PostgreSQL has no Exec statement: the server's answer proves the text reached it.
  const AppError e = pftest::ExpectFailure([&] { F::ErrLogToDB(Cs(), "5", "spErrorLogInsert"); },
                                           {"syntax error at or near \"Exec\""});
  EXPECT_EQ(e.Description.rfind(
                "Failed to save error report to database. \r\nConnectString = '" + Secrets::Mask(Cs()) + "'", 0),
            0u)
      << e.Description;
  pftest::ExpectFailure(
      [&] { F::ErrLogToDB("Provider=Procforge.Snapshot;Data Source=/nonexistent.db", "5", "spErrorLogInsert"); },
      {"/nonexistent.db"});
}

namespace {
// The result sets of tests/data/ado/sproc-columns.txt, by the name after "== ".
std::map<std::string, ResultSet> SprocColumns() {
  std::map<std::string, ResultSet> sets;
  std::istringstream in(pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/ado/sproc-columns.txt"));
  ResultSet* current = nullptr;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("== ", 0) == 0) {
      current = &sets[line.substr(3)];
      continue;
    }
    std::vector<std::optional<std::string>> cells;
    for (size_t start = 0;;) {
      const size_t tab = line.find('\t', start);
      const std::string cell = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
      cells.push_back(cell == "\\N" ? std::nullopt : std::optional<std::string>(cell));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (current->Columns.empty()) {
      for (const auto& name : cells) current->Columns.push_back({*name});
    } else {
      current->Cells.insert(current->Cells.end(), cells.begin(), cells.end());
    }
  }
  return sets;
}

std::string Described(const std::vector<ProcedureDescription>& ds) {
  std::string out;
  for (const ProcedureDescription& d : ds) {
    out += d.Schema + "." + d.Name;
    for (const std::string& n : d.OtherNumbers) out += " ;" + n;
    out += "\n";
    for (const ParameterInfo& p : d.Parameters) out += ParamLine(p) + " " + p.TypeName + "\n";
  }
  return out;
}
}  // namespace

// sp_sproc_columns as SQL Server and ASE answer the driver's description: each procedure of
// each schema once, a numbered one with its first number's parameters, the types ADO cannot
// pass with OLE DB's codes and their names, ASE's parameters in order without a direction.
// Last, a refresh of one name without its schema: the server's first, as it resolves the name.
TEST(OdbcDescription, ServersOwnShapesOfTheParameterDescription) {
  const std::map<std::string, ResultSet> sets = SprocColumns();
  const std::string name = "usp_OrderAdd";
  pftest::ExpectGolden("ado/sproc-descriptions.txt",
                       "== SQL Server\n" +
                           Described(OdbcProvider::DescribeProcedureColumns(sets.at("SQL Server"), nullptr)) +
                           "== ASE\n" + Described(OdbcProvider::DescribeProcedureColumns(sets.at("ASE"), nullptr)) +
                           "== SQL Server, usp_OrderAdd\n" +
                           Described(OdbcProvider::DescribeProcedureColumns(sets.at("SQL Server"), &name)));
}
