#include <gtest/gtest.h>

#include "extract/pfgXMLUtils.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::pfgXMLUtils;

TEST(pfgXMLUtils, RenamesOnlyWholeElementNames) {
  const std::string rows =
      "<z:row a='1'/>\r\n<z:row>x</z:row>\r\n<z:row/>\r\n<z:rowset b='<z:row '/>\r\n<q v='z:row'/>";
  EXPECT_EQ(xmlRenameElement(rows, "z:row", "Proc"),
            "<Proc a='1'/>\r\n<Proc>x</Proc>\r\n<Proc/>\r\n<z:rowset b='<Proc '/>\r\n<q v='z:row'/>");
  EXPECT_EQ(xmlRenameElement("", "z:row", "P"), "");
}

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

TEST(pfgXMLUtils, NormalisesLineEndsAndCutsRowText) {
  EXPECT_EQ(NormalizeLineEnds("a\nb\r\nc\n\nd\r\n"), "a\r\nb\r\nc\r\n\r\nd\r\n");
  EXPECT_EQ(RowText("x<rs:data>\r\n<z:row/>\r\n</rs:data>y"), "\r\n<z:row/>\r\n");
  EXPECT_EQ(RowText("<rs:data></rs:data>"), "");
  EXPECT_EQ(RowText("</rs:data><rs:data>"), "");
  EXPECT_EQ(RowText("<rs:data/>"), "");
}

TEST(pfgXMLUtils, SavesAndExtractsRecordsetsAndPrefixesFailures) {
  pftest::TempDir dir;
  pftest::WriteAll(dir.file("s.sql"), "CREATE TABLE t (n TEXT, v INTEGER); INSERT INTO t VALUES ('a', 1), ('b', NULL);");
  auto c = ado::Connection::Create();
  c->Open("Provider=Procforge.Snapshot;Data Source=" + dir.file("s.sql"));
  auto rs = c->Execute("SELECT n, v FROM t ORDER BY n");
  EXPECT_EQ(xmlExtractRecords(*rs, "Row"), "\r\n\t<Row n='a' v='1'/>\r\n\t<Row n='b'/>\r\n");
  rs->Close();
  {
    const AppError e = pftest::Raised([&] { xmlSaveRecordset(*rs); });
    EXPECT_EQ(e.Number, ado::AdoErrorNumber(ado::adErrObjectClosed));
    EXPECT_EQ(e.Source, "ADODB.Recordset");
    EXPECT_EQ(e.Description, "(xmlSaveRecordset) Operation is not allowed when the object is closed.");
  }
  {
    const AppError e = pftest::Raised([&] { xmlExtractRecords(*rs, "Row"); });
    EXPECT_EQ(e.Description.rfind("(xmlExtractRecords) (xmlSaveRecordset) ", 0), 0u) << e.Description;
  }
}
