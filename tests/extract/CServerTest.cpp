#include <gtest/gtest.h>

#include <tuple>

#include "errors/Faultnet31.h"
#include "extract/CServer.h"
#include "extract/pfgXMLUtils.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "support/TestEnv.h"

using namespace pf;

namespace {

class CServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Faultnet31::Reset();
    pftest::WriteAll(dir_.file("cat.sql"),
                     "CREATE TABLE sysobjects (name TEXT, id INTEGER, type TEXT, note TEXT);\n"
                     "INSERT INTO sysobjects VALUES ('spA', 1, 'P', NULL), ('fnB', 2, 'FN', 'x&y');\n");
    server_.ConnectionString("Provider=Procforge.Snapshot;Data Source=" + dir_.file("cat.sql"));
  }
  pftest::TempDir dir_;
  CServer server_;
};

}  // namespace

TEST_F(CServerTest, QueriesWalkTheCurrentResultSet) {
  EXPECT_EQ(server_.Recordset(), nullptr);
  server_.ExecSQL("SELECT * FROM sysobjects ORDER BY id");
  auto rs = server_.Recordset();
  ASSERT_TRUE(rs);
  EXPECT_EQ(server_.Value("NAME"), "spA");
  EXPECT_EQ(server_.Value("id"), "1");
  EXPECT_EQ(server_.Value("note"), "");  // Null reads as empty text
  rs->MoveNext();
  EXPECT_EQ(server_.Value("note"), "x&y");
  // Every query runs on a fresh command with the 15-second timeout, which Command returns.
  auto cmd = server_.Command();
  EXPECT_EQ(cmd->CommandTimeout, CServer::kCommandTimeout);
  EXPECT_EQ(cmd->CommandText, "SELECT * FROM sysobjects ORDER BY id");
  server_.ExecSQL("SELECT 1 AS a; SELECT 2 AS b");
  EXPECT_NE(server_.Command(), cmd);
  server_.SelectNextRecordset();
  EXPECT_EQ(server_.Value("b"), "2");
  server_.SelectNextRecordset();
  EXPECT_EQ(server_.Recordset(), nullptr);

  // The current result set stays readable after Disconnect; the connection reopens on use.
  server_.ExecSQL("SELECT name FROM sysobjects WHERE id = 2");
  auto conn = server_.Connection();
  server_.Disconnect();
  EXPECT_EQ(conn->State(), ado::adStateClosed);
  EXPECT_EQ(server_.Value("name"), "fnB");
  EXPECT_EQ(server_.Connection()->State(), ado::adStateOpen);
  EXPECT_NE(server_.Connection(), conn);
  server_.Disconnect();
  server_.Disconnect();  // never raises
}

TEST_F(CServerTest, FailuresAreReportedUnderTheirFrames) {
  pftest::ExpectFailure(
      [&] { server_.ExecSQL("SELECT * FROM nowhere"); },
      {"no such table: nowhere", "Call Stack: CSrvrOraADO.RetrieveRecordset(SQL='SELECT * FROM nowhere')"});
  server_.ExecSQL("SELECT name FROM sysobjects");
  pftest::ExpectFailure([&] { server_.Value("missing"); }, {"Call Stack: CServer.Value(FieldName='missing')"});
  CServer fresh;
  fresh.ConnectionString(server_.ConnectionString());
  EXPECT_THROW(fresh.SelectNextRecordset(), AppError);
  EXPECT_THROW(fresh.xmlGetRecordset(), AppError);

  // A bad connection string surfaces from the first call that needs the connection,
  // and a later call tries again rather than finding a dead connection.
  CServer bad;
  bad.ConnectionString("Provider=Procforge.Snapshot;Data Source=" + dir_.file("later.sql"));
  EXPECT_THROW(bad.ExecSQL("SELECT 1"), AppError);
  pftest::WriteAll(dir_.file("later.sql"), "CREATE TABLE x (a INTEGER);");
  bad.ExecSQL("SELECT 7 AS a");
  EXPECT_EQ(bad.Value("a"), "7");
}

TEST_F(CServerTest, RecordsetXmlHasCrLfLinesAndRenamedRows) {
  server_.ExecSQL("SELECT name, note FROM sysobjects ORDER BY id");
  const std::string xml = server_.xmlGetRecordset();
  // Every line break is one CR LF.
  EXPECT_TRUE(pftest::CrLf(pftest::ReplaceAll(xml, "\r\n", "\n")) == xml && !pftest::Has(xml, "\r\r")) << xml;
  EXPECT_EQ(server_.xmlGetRecordsetExt("Procs", "Proc"),
            "<Procs>\r\n\t<Proc name='spA'/>\r\n\t<Proc name='fnB' note='x&amp;y'/>\r\n</Procs>");
  EXPECT_EQ(server_.xmlGetRecordsetExt("", "P"), "\r\n\t<P name='spA'/>\r\n\t<P name='fnB' note='x&amp;y'/>\r\n");
  server_.ExecSQL("SELECT name FROM sysobjects WHERE 0");
  EXPECT_EQ(server_.xmlGetRecordsetExt("Procs", "Proc"), "<Procs></Procs>");
  EXPECT_EQ(server_.xmlGetRecordsetExt("", "Proc"), "");
}

using namespace pf::pfgXMLUtils;

TEST(pfgXMLUtils, EscapesAndWritesElementsAndAttributes) {
  EXPECT_EQ(xmlEscape("a&b<c>d\"e'f &lt;"), "a&amp;b&lt;c&gt;d&quot;e&apos;f &amp;lt;");
  EXPECT_EQ(xmlAttribute("Name", "O'Brien"), " Name='O&apos;Brien'");
  EXPECT_EQ(xmlElement("Param", xmlAttribute("Dir", "1"), ""), "<Param Dir='1'/>\r\n");
  EXPECT_EQ(xmlElement("P", "", "<b>&</b>"), "<P><b>&</b></P>\r\n");  // content goes in unchanged
}

TEST(pfgXMLUtils, WrapsDataInAnElement) {
  EXPECT_EQ(xmlWrapData("<r/>", "", "</x>"), "<r/>");
  EXPECT_EQ(xmlWrapData("<r/>", "Rows", ""), "<Rows><r/></Rows>");
  EXPECT_EQ(xmlWrapData("<r/>", "<Rows n='1'>", "</Rows>"), "<Rows n='1'><r/></Rows>");
  // A full opening tag without a closing tag derives the closing tag from the same text.
  EXPECT_EQ(xmlWrapData("", "<Rows n='1'>", ""), "<Rows n='1'></<Rows n='1'>>");
}

TEST(pfgXMLUtils, SavesAndExtractsRecordsetsAndPrefixesFailures) {
  pftest::TempDir dir;
  pftest::WriteAll(dir.file("s.sql"),
                   "CREATE TABLE t (n TEXT, v INTEGER); INSERT INTO t VALUES ('a', 1), ('b', NULL);");
  auto c = ado::Connection::Create();
  c->Open("Provider=Procforge.Snapshot;Data Source=" + dir.file("s.sql"));
  auto rs = c->Execute("SELECT n, v FROM t ORDER BY n");
  EXPECT_EQ(xmlExtractRecords(*rs, "Row"), "\r\n\t<Row n='a' v='1'/>\r\n\t<Row n='b'/>\r\n");
  rs->Close();
  const AppError e = pftest::Raised([&] { xmlSaveRecordset(*rs); });
  EXPECT_EQ(std::tie(e.Number, e.Source, e.Description),
            std::tuple(ado::AdoErrorNumber(ado::adErrObjectClosed), "ADODB.Recordset",
                       "(xmlSaveRecordset) Operation is not allowed when the object is closed."));
  EXPECT_TRUE(pftest::Raised([&] {
                xmlExtractRecords(*rs, "Row");
              }).Description.starts_with("(xmlExtractRecords) (xmlSaveRecordset) "));
}
