// The Oracle and Access extractors, the parameter documents of every sample, over the sample snapshots and over small
// snapshots written for one case each.

#include <algorithm>
#include <filesystem>

#include "extract/CSrvrAccess.h"
#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrOraADO.h"
#include "extract/CSrvrSybase.h"
#include "extract/ExtractTestUtil.h"
#include "support/Golden.h"

namespace {

using namespace pf;
using namespace extracttest;

std::string SampleFile(const std::string& server) {
  return Sample(server == "mssql" ? "mssql/OrderEntry.sql" : server == "oracle" ? "oracle/Sales.sql"
                                                                                : server + "/Orders.sql");
}

std::shared_ptr<ISrvrExtractor> SampleExtractor(const std::string& server) {
  const std::string file = SampleFile(server);
  if (server == "mssql") return Extractor<CSrvrMSSQL>(file);
  if (server == "oracle") return Extractor<CSrvrOraADO>(file);
  if (server == "sybase") return Extractor<CSrvrSybase>(file);
  return Extractor<CSrvrAccess>(file);
}

// ---------------------------------------------------------------- Oracle

// The procedure lists of the sample catalogues under several filters, against golden files
// (the connection string shown as SNAPSHOT, one element a line):
//  - SQL Server lists procedures and scalar functions (IsFunction) in name order, numbered
//    procedures under the name before ";" (the ";1" takes part in the match), no table-valued
//    functions, tables, views or triggers; the filter is a case-sensitive pattern over the
//    whole name;
//  - Sybase lists procedures by name only and ignores the filter;
//  - Oracle lists the packages asked for in that order ("(unpackaged)" for stand-alone
//    procedures, any case), never an overloaded procedure, the package in upper case until
//    its declaration is loaded; no filter gives an empty list;
//  - Access lists saved queries without temporary ("~") and form queries, case-sensitively.
TEST_F(ExtractorTest, ProcedureListsOfTheSamples) {
  const std::pair<const char*, std::vector<const char*>> samples[] = {
      {"mssql", {"", "usp*", "USP*", "*;#", "usp_PurgeHistory", "fn_[A-D]*", "usp_[!A-O]*Category", "nothing*"}},
      {"sybase", {"", "nothing*"}},
      {"oracle", {"(unpackaged)", "Customer_API,(Unpackaged)", "ORDER_PKG", ""}},
      {"access", {"", "~*", "qry*Orders*", "QRY*"}},
  };
  for (const auto& [server, filters] : samples) {
    const std::string file = SampleFile(server);
    const std::shared_ptr<ISrvrExtractor> x = SampleExtractor(server);
    std::string lists;
    for (const char* filter : filters) {
      std::string doc = x->xmlGetSPList(filter);
      doc.replace(doc.find(file), file.size(), "SNAPSHOT");
      for (size_t at = doc.find("><"); at != std::string::npos; at = doc.find("><", at)) doc.insert(++at, "\n");
      lists += std::string("== ") + filter + "\n" + doc + "\n";
    }
    pftest::ExpectGolden(std::string("extract/") + server + "-lists.xml", lists);
  }
}

// Names with apostrophes cannot change the Oracle queries (unescaped, the second filter
// would list every procedure), and a stand-alone procedure never reuses the source of a
// package procedure of the same name.
TEST_F(ExtractorTest, OracleNamesWithApostrophesAndStandaloneProcedures) {
  auto x = Extractor<CSrvrOraADO>(DataScript("quoted.sql"));
  std::string docs = ProcRows(x->xmlGetSPList("pkg'x")) + ProcRows(x->xmlGetSPList("X' OR '1'='1")) + "\n";
  for (const char* proc : {"PKG'X.SAME_NAME", "SAME_NAME", "PKG'X.SAME_NAME"})
    docs += x->xmlGetSPParameters(proc) + "\n";
  pftest::ExpectGolden("extract/oracle-quoted.xml", docs);
  ExpectFailure([&] { x->xmlGetSPParameters("NO' OR 'A'='A"); },
                {"COraOOServer.LoadPackageDecl(Package", "CSrvrOraADO.ISrvrExtractor_xmlGetSPParameters(SPName"});
}

// ---------------------------------------------------------------- Access

// qryBroken has no description: it is listed all the same, with no parameters.
TEST_F(ExtractorTest, AccessQueriesWhoseParametersCannotBeRefreshed) {
  auto x = Extractor<CSrvrAccess>(DataScript("queries.sql"));
  EXPECT_EQ(ProcRows(x->xmlGetSPList("")), "qryBroken\nqryO'Brien\n");
  pftest::ExpectGolden("extract/access-queries.xml",
                       x->xmlGetSPParameters("qryBroken") + "\n" + x->xmlGetSPParameters("qryO'Brien") + "\n");
}

TEST_F(ExtractorTest, AccessEmptyDatabaseAndFailures) {
  const std::string file = Script("empty.sql", "CREATE TABLE MSysObjects (Id INTEGER, Name TEXT, Type SMALLINT);\n");
  auto empty = Extractor<CSrvrAccess>(file);
  EXPECT_EQ(empty->xmlGetSPList(""), "<ProcList Connection=\"" + SnapshotConn(file) + "\"/>");
  auto oracle = Extractor<CSrvrAccess>(Sample("oracle/Sales.sql"));
  ExpectFailure([&] { oracle->xmlGetSPList(""); },
                {"CSrvrAccess.ISrvrExtractorxmlGetSPList(Filter", "no such table: MSysObjects"});
  auto missing = Extractor<CSrvrAccess>(dir_.file("missing.sql"));
  ExpectFailure([&] { missing->xmlGetSPParameters("qryAny"); },
                {"CSrvrAccess.ISrvrExtractorxmlGetSPParameters(SPName", "does not exist"});
}

}  // namespace

// The catalogue extractors over the sample snapshots and over small snapshots written for
// one case each: whole documents for chosen procedures, the listing rules, and failures.
namespace {

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

TEST_F(ExtractorTest, SybaseFailuresNameTheOperation) {
  std::shared_ptr<CServer> server;
  auto x = Extractor<CSrvrSybase>(Sample("sybase/Orders.sql"), &server);
  ExpectFailure([&] { x->xmlGetSPParameters("no_such_proc"); },
                {"CSQLServer.ISrvrExtractor_xmlGetSPParameters(SPName", "no_such_proc"});
  // The server drops the shared connection.
  server->ExecSQL("SELECT name FROM sysobjects");
  server->Connection()->Close();
  ExpectFailure([&] { x->xmlGetSPParameters("order_get"); }, {"CSQLServer.ISrvrExtractor_xmlGetSPParameters(SPName"});
  auto oracle = Extractor<CSrvrSybase>(Sample("oracle/Sales.sql"));
  ExpectFailure([&] { oracle->xmlGetSPList(""); },
                {"CSrvrSybase.ISrvrExtractor_xmlGetSPList(Filter", "no such table: sysobjects"});
}

}  // namespace
