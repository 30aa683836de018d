// The catalogue extractors over the sample snapshots and over small snapshots written for
// one case each: whole documents for chosen procedures, the listing rules, and failures.

#include <algorithm>
#include <filesystem>

#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrSybase.h"
#include "extract/ExtractTestUtil.h"
#include "platform/ado/Command.h"

namespace {

using namespace pf;
using namespace extracttest;

// ---------------------------------------------------------------- SQL Server

TEST_F(ExtractorTest, SqlServerListsProceduresAndScalarFunctionsInNameOrder) {
  const std::string file = Sample("mssql/OrderEntry.sql");
  auto x = Extractor<CSrvrMSSQL>(file);
  const std::string all = x->xmlGetSPList("");
  EXPECT_EQ(all.rfind("<ProcList Connection=\"" + SnapshotConn(file) + "\"><Proc Name=\"dt_addtosourcecontrol\" "
                      "IsFunction=\"False\"/><Proc Name=\"dt_adduserobject\" IsFunction=\"False\"/>",
                      0),
            0u)
      << all;
  const std::string rows = ProcRows(all);
  EXPECT_NE(rows.find("fn_CurrentFiscalYear|True\nfn_CustomerBalance|True\n"), std::string::npos);
  // Numbered procedures are listed under the name before ";".
  EXPECT_NE(rows.find("usp_ProductUpdatePrice|False\nusp_PurgeHistory|False\nusp_ReportSalesByCategory|False\n"),
            std::string::npos);
  // Table-valued functions, tables, views and triggers are not procedures.
  for (const char* other : {"fn_OrderLines", "fn_CustomerOrders", "Orders|", "vw_OpenOrders", "trg_Orders_Audit"})
    EXPECT_EQ(rows.find(other), std::string::npos) << other;
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 38);
}

TEST_F(ExtractorTest, SqlServerFilterIsCaseSensitiveAndSeesTheWholeName) {
  auto x = Extractor<CSrvrMSSQL>(Sample("mssql/OrderEntry.sql"));
  const std::string usp = ProcRows(x->xmlGetSPList("usp*"));
  EXPECT_NE(usp.find("usp_CategoryList|False"), std::string::npos);
  EXPECT_EQ(usp.find("USP_ARCHIVEORDERS"), std::string::npos);
  EXPECT_EQ(ProcRows(x->xmlGetSPList("USP*")), "USP_ARCHIVEORDERS|False\n");
  // The ";1" takes part in the match, and is cut afterwards.
  EXPECT_EQ(ProcRows(x->xmlGetSPList("*;#")), "usp_PurgeHistory|False\n");
  EXPECT_EQ(ProcRows(x->xmlGetSPList("usp_PurgeHistory")), "");
  EXPECT_EQ(ProcRows(x->xmlGetSPList("fn_[A-D]*")), "fn_CurrentFiscalYear|True\nfn_CustomerBalance|True\n");
  EXPECT_EQ(ProcRows(x->xmlGetSPList("usp_[!A-O]*Category")), "usp_ReportSalesByCategory|False\n");
  const std::string none = x->xmlGetSPList("nothing*");
  EXPECT_EQ(none, "<ProcList Connection=\"" + SnapshotConn(Sample("mssql/OrderEntry.sql")) + "\"/>");
}

TEST_F(ExtractorTest, SqlServerWritesDecimalAsReportedAndNumericAsDouble) {
  const std::string file = Script("types.sql",
                                  "CREATE TABLE sysobjects (name TEXT, id INTEGER, type CHAR(2));\n"
                                  "INSERT INTO sysobjects VALUES ('p', 1, 'P');\n"
                                  "CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT,"
                                  " Direction INTEGER, Type INTEGER, Size INTEGER, Precision INTEGER,"
                                  " NumericScale INTEGER, Attributes INTEGER);\n"
                                  "INSERT INTO ProcedureParameters VALUES ('p', 0, '@a', 2, 14, 19, 9, 2, 208);\n"
                                  "INSERT INTO ProcedureParameters VALUES ('p', 1, '@b', 0, 131, 19, 9, 2, 0);\n"
                                  "INSERT INTO ProcedureParameters VALUES ('q', 0, NULL, NULL, NULL, NULL, NULL, NULL,"
                                  " NULL);\n");
  auto x = Extractor<CSrvrMSSQL>(file);
  EXPECT_EQ(x->xmlGetSPParameters("p"),
            "<Parameters Proc=\"p\">"
            "<Param Name=\"@a\" Dir=\"2\" NumericScale=\"2\" Precision=\"9\" Size=\"19\" Type=\"14\" "
            "IsNullable=\"True\" IsLongBinary=\"True\"/>"
            "<Param Name=\"@b\" Dir=\"0\" NumericScale=\"2\" Precision=\"9\" Size=\"19\" Type=\"5\" "
            "IsNullable=\"False\" IsLongBinary=\"False\"/>"
            "</Parameters>");
  // A procedure the refresh describes without any parameter.
  EXPECT_EQ(x->xmlGetSPParameters("q"), "<Parameters Proc=\"q\"/>");
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

TEST_F(ExtractorTest, SybaseListsProceduresByNameOnlyAndIgnoresTheFilter) {
  const std::string file = Sample("sybase/Orders.sql");
  auto x = Extractor<CSrvrSybase>(file);
  const std::string doc = x->xmlGetSPList("nothing*");
  EXPECT_EQ(doc.rfind("<ProcList Connection=\"" + SnapshotConn(file) +
                          "\"><Proc Name=\"customer_get\"/><Proc Name=\"customer_insert\"/>",
                      0),
            0u)
      << doc;
  EXPECT_EQ(ProcRows(doc),
            "customer_get\ncustomer_insert\ncustomer_update\ninvoice_create\norder_get\norder_insert\n"
            "order_line_insert\norder_list_by_customer\norder_status_set\npayment_post\nproduct_price_update\n"
            "report_daily_sales\nsp_next_key\nstock_adjust\nstock_reorder_list\n");
}

TEST_F(ExtractorTest, SybaseParametersWriteUnknownDirectionAsInputOnTheSharedCommand) {
  std::shared_ptr<CServer> server;
  auto x = Extractor<CSrvrSybase>(Sample("sybase/Orders.sql"), &server);
  x->xmlGetSPList("");
  auto shared = server->Command();
  EXPECT_EQ(x->xmlGetSPParameters("sp_next_key"),
            "<Parameters Proc=\"sp_next_key\">"
            "<Param Name=\"RETURN_VALUE\" Dir=\"4\" NumericScale=\"0\" Precision=\"10\" Size=\"4\" Type=\"3\" "
            "IsNullable=\"False\" IsLongBinary=\"False\"/>"
            "<Param Name=\"@key_name\" Dir=\"1\" NumericScale=\"255\" Precision=\"255\" Size=\"30\" Type=\"200\" "
            "IsNullable=\"True\" IsLongBinary=\"False\"/>"
            "<Param Name=\"@increment\" Dir=\"1\" NumericScale=\"0\" Precision=\"10\" Size=\"4\" Type=\"3\" "
            "IsNullable=\"True\" IsLongBinary=\"False\"/>"
            "<Param Name=\"@next_key\" Dir=\"1\" NumericScale=\"0\" Precision=\"10\" Size=\"4\" Type=\"3\" "
            "IsNullable=\"True\" IsLongBinary=\"False\"/>"
            "</Parameters>");
  EXPECT_EQ(server->Command(), shared);
  EXPECT_EQ(shared->CommandText, "sp_next_key");
  EXPECT_EQ(shared->CommandType, ado::adCmdStoredProc);
  // Numeric written as double; a reported output direction stays.
  const std::string invoice = x->xmlGetSPParameters("invoice_create");
  EXPECT_NE(invoice.find("<Param Name=\"@invoice_no\" Dir=\"1\" NumericScale=\"255\" Precision=\"255\" Size=\"10\" "
                         "Type=\"129\""),
            std::string::npos)
      << invoice;
  EXPECT_NE(invoice.find("<Param Name=\"@amount\" Dir=\"3\" NumericScale=\"2\" Precision=\"14\" Size=\"19\" "
                         "Type=\"5\""),
            std::string::npos)
      << invoice;
}

TEST_F(ExtractorTest, SybaseFailuresNameTheOperation) {
  std::shared_ptr<CServer> server;
  auto x = Extractor<CSrvrSybase>(Sample("sybase/Orders.sql"), &server);
  ExpectFailure([&] { x->xmlGetSPParameters("no_such_proc"); },
                {"CSQLServer.ISrvrExtractor_xmlGetSPParameters(SPName", "no_such_proc"});
  // The server drops the shared connection.
  x->xmlGetSPList("");
  server->Connection()->Close();
  ExpectFailure([&] { x->xmlGetSPParameters("order_get"); },
                {"CSQLServer.ISrvrExtractor_xmlGetSPParameters(SPName"});
  auto oracle = Extractor<CSrvrSybase>(Sample("oracle/Sales.sql"));
  ExpectFailure([&] { oracle->xmlGetSPList(""); },
                {"CSrvrSybase.ISrvrExtractor_xmlGetSPList(Filter", "no such table: sysobjects"});
}

}  // namespace
