// The catalogue extractors over the sample snapshots and over small snapshots written for
// one case each: whole documents for chosen procedures, the listing rules, and failures.

#include <algorithm>
#include <filesystem>

#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrSybase.h"
#include "extract/ExtractTestUtil.h"
#include "support/Golden.h"
#include "platform/ado/Command.h"

namespace {

using namespace pf;
using namespace extracttest;

// ---------------------------------------------------------------- SQL Server

// Decimal is written as reported and numeric as double; q is a procedure the refresh
// describes without any parameter.
TEST_F(ExtractorTest, SqlServerWritesDecimalAsReportedAndNumericAsDouble) {
  auto x = Extractor<CSrvrMSSQL>(DataScript("types.sql"));
  pftest::ExpectGolden("extract/mssql-types.xml",
                       x->xmlGetSPParameters("p") + "\n" + x->xmlGetSPParameters("q") + "\n");
}

TEST_F(ExtractorTest, SqlServerFailuresNameTheOperationAndTheServerMessage) {
  std::shared_ptr<CServer> server;
  auto x = Extractor<CSrvrMSSQL>(Sample("mssql/OrderEntry.sql"), &server);
  ExpectFailure([&] { x->xmlGetSPParameters("usp_NoSuchProcedure"); },
                {"CSrvrMSSQL.ISrvrExtractor_xmlGetSPParameters(SPName", "usp_NoSuchProcedure",
                 "is not described in the snapshot"});
  // A catalogue without sysobjects (an Access database).
  auto access = Extractor<CSrvrMSSQL>(Sample("access/Orders.sql"));
  ExpectFailure([&] { access->xmlGetSPList(""); },
                {"CSQLServer.ISrvrExtractor_xmlGetSPList(Filter", "no such table: sysobjects"});
  // The snapshot disappears: the refresh's own connection cannot be opened.
  const std::string file = Script("gone.sql", pftest::ReadAll(Sample("mssql/OrderEntry.sql")));
  auto gone = Extractor<CSrvrMSSQL>(file);
  EXPECT_NE(gone->xmlGetSPList("").find("usp_OrderInsert"), std::string::npos);
  std::filesystem::remove(file);
  ExpectFailure([&] { gone->xmlGetSPParameters("usp_OrderInsert"); },
                {"CSrvrMSSQL.ISrvrExtractor_xmlGetSPParameters(SPName", "does not exist"});
}

TEST_F(ExtractorTest, SqlServerParameterListKeepsTheServersResultSet) {
  std::shared_ptr<CServer> server;
  auto x = Extractor<CSrvrMSSQL>(Sample("mssql/OrderEntry.sql"), &server);
  server->ExecSQL("SELECT name FROM sysobjects WHERE type = 'FN' ORDER BY name");
  x->xmlGetSPParameters("usp_OrderInsert");
  EXPECT_EQ(server->Value("name"), "fn_CurrentFiscalYear");
}

// ---------------------------------------------------------------- Sybase

TEST_F(ExtractorTest, SybaseParametersAreReadOnTheSharedCommand) {
  std::shared_ptr<CServer> server;
  auto x = Extractor<CSrvrSybase>(Sample("sybase/Orders.sql"), &server);
  // A query, not the procedure list: after the list, the one read of all procedures answers.
  server->ExecSQL("SELECT name FROM sysobjects");
  auto shared = server->Command();
  // The documents themselves are golden files (ParameterDocumentsOfTheSamples).
  x->xmlGetSPParameters("sp_next_key");
  EXPECT_EQ(server->Command(), shared);
  EXPECT_EQ(shared->CommandText, "sp_next_key");
  EXPECT_EQ(shared->CommandType, ado::adCmdStoredProc);
}

TEST_F(ExtractorTest, SybaseFailuresNameTheOperation) {
  std::shared_ptr<CServer> server;
  auto x = Extractor<CSrvrSybase>(Sample("sybase/Orders.sql"), &server);
  ExpectFailure([&] { x->xmlGetSPParameters("no_such_proc"); },
                {"CSQLServer.ISrvrExtractor_xmlGetSPParameters(SPName", "no_such_proc"});
  // The server drops the shared connection.
  server->ExecSQL("SELECT name FROM sysobjects");
  server->Connection()->Close();
  ExpectFailure([&] { x->xmlGetSPParameters("order_get"); },
                {"CSQLServer.ISrvrExtractor_xmlGetSPParameters(SPName"});
  auto oracle = Extractor<CSrvrSybase>(Sample("oracle/Sales.sql"));
  ExpectFailure([&] { oracle->xmlGetSPList(""); },
                {"CSrvrSybase.ISrvrExtractor_xmlGetSPList(Filter", "no such table: sysobjects"});
}

}  // namespace
