#include <gtest/gtest.h>

#include "errors/Secrets.h"
#include "errors/Faultnet31.h"
#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "support/PgServer.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::ado;
namespace F = pf::Faultnet31;

namespace {

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
  static std::shared_ptr<Connection> Open() {
    auto c = Connection::Create();
    c->Open(Cs());
    return c;
  }
};

}  // namespace

TEST_F(ErrorReport, AdoSectionDescribesTheRealConnection) {
  auto c = Open();
  auto cmd = Command::Create();
  cmd->SetActiveConnection(c);
  cmd->CommandType = adCmdText;
  cmd->CommandText = "SELECT * FROM nowhere";
  const std::string report = ReportOf([&] { cmd->Execute(); }, EF_REPORT, cmd.get());
  const std::string expected = "  ADO Info: \r\n    ADO Version:   2.8\r\n    DbObject:      Command\r\n"
                               "    Conn. String: '" + Secrets::Mask(Cs() + "'") + "\r\n    Conn. State:   adStateOpen\r\n"
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
  const std::string viaPreserved = ReportOf([&] { throw AppError(ERR_GENERAL, "T", "boom"); }, EF_REPORT, nullptr);
  EXPECT_NE(viaPreserved.find("    DbObject:      Connection (Connection object was preserved internally)\r\n"),
            std::string::npos)
      << viaPreserved;
}

TEST_F(ErrorReport, RollsBackAndClosesARealConnection) {
  auto c = Open();
  c->BeginTrans();
  c->Execute("INSERT INTO logged VALUES (1)");
  const std::string report =
      ReportOf([&] { c->Execute("SELECT 1/0"); }, EF_REPORT | EF_ROLLBACK | EF_CLOSE, c.get());
  EXPECT_NE(report.find("    Transaction: Attempt to call RollbackTrans succeeded\r\n"
                        "    Connection: Attempt to call Close succeeded\r\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(c->State(), adStateClosed);
  EXPECT_EQ(Open()->Execute("SELECT count(*) AS n FROM logged")->Value("n"), "0");

  // Nothing to roll back: the outcome says why; a closed connection is not rolled back.
  auto idle = Open();
  const std::string none = ReportOf([&] { throw AppError(ERR_GENERAL, "T", "boom"); }, EF_REPORT | EF_ROLLBACK,
                                    idle.get());
  EXPECT_NE(none.find("    Transaction: Attempt to call RollbackTrans failed with error 'No transaction is active.'"),
            std::string::npos)
      << none;
  idle->Close();
  const std::string closed =
      ReportOf([&] { throw AppError(ERR_GENERAL, "T", "boom"); }, EF_REPORT | EF_ROLLBACK | EF_CLOSE, idle.get());
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
  {
    const AppError e = pftest::Raised([&] { F::ErrLogToDB(Cs(), "5", "spErrorLogInsert"); });
    EXPECT_EQ(e.Description.rfind("Failed to save error report to database. \r\nConnectString = '" + Cs() + "'", 0),
              0u)
        << e.Description;
    EXPECT_NE(e.Description.find("syntax error at or near \"Exec\""), std::string::npos) << e.Description;
  }
  {
    const AppError e = pftest::Raised(
        [&] { F::ErrLogToDB("Provider=Procforge.Snapshot;Data Source=/nonexistent.db", "5", "spErrorLogInsert"); });
    EXPECT_NE(e.Description.find("/nonexistent.db"), std::string::npos) << e.Description;
  }
}
