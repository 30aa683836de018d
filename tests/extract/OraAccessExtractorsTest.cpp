// The catalogue extractors over the sample snapshots and over small snapshots written for
// one case each: whole documents for chosen procedures, and failures.

#include <filesystem>

#include "extract/CCatalogCapture.h"
#include "extract/CSrvrAccess.h"
#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrOraADO.h"
#include "extract/CSrvrSybase.h"
#include "extract/ExtractTestUtil.h"
#include "extract/MExtractDocs.h"
#include "support/Golden.h"

namespace {

using namespace pf;
using namespace extracttest;

// Each parameter's "name " (with directions: "name:dir:type "), then "| reason" when the
// procedure is left out.
std::string Params(const SPParamList& l, bool directions) {
  std::string out;
  for (const SPParamRow& r : l.Params) out += r.Name + (directions ? ":" + r.Dir + ":" + r.Type : "") + " ";
  return out + (l.NotSupported ? "| " + l.NotSupportedReason : "");
}

// ---------------------------------------------------------------- Oracle

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

// A 12.1.0.2 dictionary lists procedures without arguments only in user_procedures: they
// are listed in their place, standalone and packaged, and described without parameters. A
// record argument that 18c gives as one row makes its procedure unsupported. A package the
// login does not own lists nothing, and the extractor says why.
TEST_F(ExtractorTest, OracleTwelveAndEighteenDictionaries) {
  auto x = Extractor<CSrvrOraADO>(DataScript("oracle12.sql"));
  const std::string listed = ProcRows(x->xmlGetSPList("(Unpackaged),ORDERS_API"));
  EXPECT_EQ(listed,
            "ARCHIVE|pkg=\nORDER_COUNT|True|pkg=\nPURGE|pkg=\nSET_NOTE|pkg=\nORDERS_API.SAVE_ORDER|pkg=ORDERS_API\n"
            "ORDERS_API.TOUCH|pkg=ORDERS_API\n");
  EXPECT_TRUE(x->LeftOut().empty());
  const SPParamList touch = x->GetSPParameters("ORDERS_API.TOUCH");
  EXPECT_EQ(touch.Proc, "Orders_Api.Touch");
  EXPECT_TRUE(touch.Params.empty());
  EXPECT_FALSE(touch.NotSupported);
  EXPECT_TRUE(x->GetSPParameters("PURGE").Params.empty());
  // Sizes count characters where the dictionary gives them (CHAR_LENGTH), bytes otherwise.
  std::string sizes;
  for (const SPParamRow& r : x->GetSPParameters("SET_NOTE").Params) sizes += r.Name + "=" + r.Size + " ";
  EXPECT_EQ(sizes, "p_note=100 p_code=10 p_key=16 p_by=2000 ");
  const SPParamList save = x->GetSPParameters("ORDERS_API.SAVE_ORDER");
  ASSERT_EQ(save.Params.size(), 1u);
  EXPECT_TRUE(save.NotSupported);
  EXPECT_EQ(ProcRows(x->xmlGetSPList("OTHER_OWNERS_API")), "");
  EXPECT_THAT(x->LeftOut(), ::testing::ElementsAre(::testing::HasSubstr("only the objects the login owns")));
  // A snapshot of the dictionary keeps what only user_procedures lists.
  CCatalogCapture capture;
  auto copy = Extractor<CSrvrOraADO>(
      Script("copy.sql", capture.Capture(3, SnapshotConn(DataScript("oracle12.sql")), "(Unpackaged),ORDERS_API")));
  EXPECT_EQ(ProcRows(copy->xmlGetSPList("(Unpackaged),ORDERS_API")), listed);
}

// ---------------------------------------------------------------- Access

// qryBroken has no description: it is listed all the same, with no parameters.
TEST_F(ExtractorTest, AccessQueriesWhoseParametersCannotBeRefreshed) {
  auto x = Extractor<CSrvrAccess>(DataScript("queries.sql"));
  EXPECT_EQ(ProcRows(x->xmlGetSPList("")), "qryBroken\nqryO'Brien\n");
  pftest::ExpectGolden("extract/access-queries.xml",
                       x->xmlGetSPParameters("qryBroken") + "\n" + x->xmlGetSPParameters("qryO'Brien") + "\n");
  // A snapshot of it keeps qryBroken in the list, without parameters, and says so.
  CCatalogCapture capture;
  const std::string copy = Script("copy.sql", capture.Capture(0, SnapshotConn(DataScript("queries.sql")), ""));
  EXPECT_TRUE(capture.Skipped.empty());
  EXPECT_EQ(capture.ListedWithoutParameters, std::vector<std::string>{"qryBroken"});
  EXPECT_EQ(ProcRows(Extractor<CSrvrAccess>(copy)->xmlGetSPList("")), "qryBroken\nqryO'Brien\n");
}

// ---------------------------------------------------------------- SQL Server

// Decimal is written as reported and numeric as double; q is a procedure the refresh
// describes without any parameter.
TEST_F(ExtractorTest, SqlServerWritesDecimalAsReportedAndNumericAsDouble) {
  auto x = Extractor<CSrvrMSSQL>(DataScript("types.sql"));
  pftest::ExpectGolden("extract/mssql-types.xml",
                       x->xmlGetSPParameters("p") + "\n" + x->xmlGetSPParameters("q") + "\n");
}

// Procedures of one name in two schemas: the one outside the default schema is listed by its
// qualified name with its own parameters, from a snapshot and from a snapshot of it; a
// snapshot without schemas (as older ones are) lists bare names. A parameter ADO cannot pass
// leaves its procedure out, naming it and its type (a snapshot written without type names
// keeps only the code of a table type or a CLR user type).
TEST_F(ExtractorTest, SqlServerSnapshotsKeepSchemasAndLeaveOutTypesADOCannotPass) {
  const std::string file = DataScript("mssql-schemas.sql");
  CCatalogCapture capture;
  const std::string copy = Script("copy.sql", capture.Capture(1, SnapshotConn(file), ""));
  const std::pair<const char*, const char*> cases[] = {
      {"usp_item", "@RETURN_VALUE @Id "},
      {"[sales].[usp_item]", "@RETURN_VALUE @Region "},
      {"usp_rows",
       "@RETURN_VALUE @Rows | parameter \"@Rows\" has the type \"cursor\" (a cursor), which ADO cannot pass"},
      {"tvp", "@Id @Lines | parameter \"@Lines\" has a type ADO cannot pass (a table type)"},
      {"clr", "@Place | parameter \"@Place\" has a type ADO cannot pass (a CLR user type)"}};
  for (const std::string& f : {file, copy}) {
    auto x = Extractor<CSrvrMSSQL>(f);
    EXPECT_EQ(ProcRows(x->xmlGetSPList("")),
              "clr|False\ntvp|False\nusp_item|False\n[sales].[usp_item]|False\n"
              "[sales].[usp_report]|False\nusp_rows|False\n");
    for (const auto& [proc, expected] : cases) EXPECT_EQ(Params(x->GetSPParameters(proc), false), expected) << f;
  }
  auto old = Extractor<CSrvrMSSQL>(Script("old.sql", pftest::ReadAll(file) + "DROP TABLE schemas;"));
  EXPECT_EQ(ProcRows(old->xmlGetSPList("")),
            "clr|False\ntvp|False\nusp_item|False\nusp_item|False\nusp_report|False\nusp_rows|False\n");
  // A numbered procedure's other numbers are said.
  const ado::ProcedureDescription numbered{"usp_Rows", "dbo", {}, {"2", "3"}};
  EXPECT_EQ(MExtractDocs::ParamsFromRefresh("usp_Rows", numbered, {}).Warnings,
            std::vector<std::string>{"Procedure \"usp_Rows\" is numbered: a call of it runs its first number, whose "
                                     "parameters the method takes; usp_Rows;2, usp_Rows;3 are left out."});
}

// The snapshot disappears: the refresh's own connection cannot be opened.
TEST_F(ExtractorTest, SqlServerFailuresNameTheOperationAndTheServerMessage) {
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

// ASE describes no direction and no return value: the directions come from syscolumns and
// the return value first, as the ASE provider reports them; a description that misses a
// parameter leaves the procedure out with the reason.
TEST_F(ExtractorTest, SybaseDirectionsAndReturnValueFromSyscolumns) {
  auto x = Extractor<CSrvrSybase>(DataScript("ase.sql"));
  auto rows = [](const SPParamList& l) { return Params(l, true); };
  EXPECT_EQ(ProcRows(x->xmlGetSPList("")), "order_get\norder_ping\norder_total\n");
  EXPECT_EQ(rows(x->GetSPParameters("order_get")), "RETURN_VALUE:4:3 @order_id:1:3 @total:3:6 @note:3:200 ");
  EXPECT_EQ(rows(x->GetSPParameters("order_ping")), "RETURN_VALUE:4:3 ");
  EXPECT_TRUE(rows(x->GetSPParameters("order_total")).ends_with("| the driver described 1 of its 2 parameters"));
  // A snapshot keeps the rows the directions come from.
  CCatalogCapture capture;
  auto copy = Extractor<CSrvrSybase>(Script("copy.sql", capture.Capture(2, SnapshotConn(DataScript("ase.sql")), "")));
  copy->xmlGetSPList("");
  EXPECT_EQ(rows(copy->GetSPParameters("order_get")), rows(x->GetSPParameters("order_get")));
  // A provider that reports the return value and most directions, some as unknown (0):
  // those, and only those, take the catalogue's.
  auto sample = Extractor<CSrvrSybase>(Sample("sybase/Orders.sql"));
  sample->xmlGetSPList("");
  EXPECT_EQ(rows(sample->GetSPParameters("sp_next_key")),
            "RETURN_VALUE:4:3 @key_name:1:200 @increment:1:3 @next_key:3:3 ");
  EXPECT_EQ(rows(sample->GetSPParameters("invoice_create")),
            "RETURN_VALUE:4:3 @order_id:1:3 @invoice_date:1:135 @invoice_no:3:129 @amount:3:5 ");
}

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
