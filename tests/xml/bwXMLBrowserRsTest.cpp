#include <gtest/gtest.h>

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "xml/bwXMLBrowser.h"
#include "support/TestEnv.h"

using namespace pf;

namespace {
std::shared_ptr<ado::Recordset> Rows(const pftest::TempDir& dir) {
  pftest::WriteAll(dir.file("r.sql"),
                   "CREATE TABLE p (name TEXT, dir INTEGER, note TEXT);"
                   "INSERT INTO p VALUES ('@a', 1, NULL), ('@b', 3, 'it''s');");
  auto c = ado::Connection::Create();
  c->Open("Provider=Procforge.Snapshot;Data Source=" + dir.file("r.sql"));
  return c->Execute("SELECT name, dir, note FROM p ORDER BY name");
}
}  // namespace

TEST(bwXMLBrowserRs, CreatesChildrenFromRows) {
  pftest::TempDir dir;
  auto rs = Rows(dir);
  bwXMLBrowser x;
  x.Init("Parameters");
  x.rsCreateChildren("Param", *rs, "");
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(x.ElementName(), "Parameters");  // the cursor stays on the parent
  EXPECT_EQ(x.xml(),
            "<Parameters><Param name=\"@a\" dir=\"1\" note=\"\"/><Param name=\"@b\" dir=\"3\" note=\"it's\"/>"
            "</Parameters>");
}

TEST(bwXMLBrowserRs, MapsRenamesAndLiterals) {
  pftest::TempDir dir;
  auto rs = Rows(dir);
  bwXMLBrowser x;
  x.Init("Parameters");
  x.rsCreateChild("Param", rs.get(), "Name=name,dir,Kind='in''put',Empty=''", true);
  EXPECT_EQ(x.ElementName(), "Param");  // SelectIt keeps the cursor on the new child
  EXPECT_EQ(x.strAttr("Name"), "@a");
  EXPECT_EQ(x.strAttr("dir"), "1");
  EXPECT_EQ(x.strAttr("Kind"), "input");
  EXPECT_EQ(x.strAttr("Empty"), "");
  x.POP(0);
  x.rsCreateChild("Blank", nullptr, "ignored", false);
  EXPECT_EQ(x.ElementName(), "Parameters");
  EXPECT_EQ(x.ChildCount(), 2);

  // An unknown field fails after the attributes before it were written.
  const AppError e = pftest::Raised([&] { x.rsCreateChild("Bad", rs.get(), "Name=name,Missing", true); });
  EXPECT_NE(e.Description.find("bwXMLBrowser.rsSetAttributes(rsData,AttrList)"), std::string::npos);
  x.POP(0);
  EXPECT_TRUE(x.MoveTo("Bad"));
  EXPECT_EQ(x.strAttr("Name"), "@a");
}
