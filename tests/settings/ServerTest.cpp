// The server object, extractors, the checks before a run and the server's package list,
// against catalogue snapshots.

#include <unistd.h>

#include <filesystem>

#include "support/SettingsTestEnv.h"
#include "extract/CServer.h"
#include "extract/CSrvrAccess.h"
#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrOraADO.h"
#include "extract/CSrvrSybase.h"

using namespace pf;
using pftest::Raised;
using pftest::WriteAll;

namespace {

class Server : public pftest::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    catalogue = OracleCatalogue("ora.sql",
                                "INSERT INTO user_objects VALUES ('PKG_B', 'PACKAGE'), ('ORDERS', 'TABLE'),\n"
                                "  ('PKG_A', 'PACKAGE'), ('O''HARA', 'PACKAGE');\n");
    s = std::make_unique<CSettings>();
    s->xServer->Attr("SrvrType", Variant(3));
    Connect(catalogue);
  }
  // An Oracle catalogue snapshot with the tables the server object asks for.
  std::string OracleCatalogue(const std::string& name, const std::string& rows) {
    const std::string file = dir.file(name);
    WriteAll(file,
             "CREATE TABLE user_objects (OBJECT_NAME TEXT, OBJECT_TYPE TEXT);\n"
             "CREATE TABLE user_arguments (OBJECT_NAME TEXT);\nCREATE TABLE user_source (NAME TEXT);\n" + rows);
    return file;
  }
  void Connect(const std::string& file) {
    s->xServer->Attr("ConnPfg", Variant("Provider=Procforge.Snapshot;Data Source=" + file));
  }
  std::string CheckMessage() {
    return Raised([&] { s->CheckCanStartGeneratingCode(); }).Description;
  }

  std::string catalogue;
  std::unique_ptr<CSettings> s;
};

}  // namespace

TEST_F(Server, ExtractorFollowsTheServerTypeText) {
  s->xServer->Attr("SrvrType", Variant("0"));
  EXPECT_TRUE(std::dynamic_pointer_cast<CSrvrAccess>(s->CreateServerExtractor()));
  s->xServer->Attr("SrvrType", Variant("1"));
  EXPECT_TRUE(std::dynamic_pointer_cast<CSrvrMSSQL>(s->CreateServerExtractor()));
  s->xServer->Attr("SrvrType", Variant("2"));
  EXPECT_TRUE(std::dynamic_pointer_cast<CSrvrSybase>(s->CreateServerExtractor()));
  s->xServer->Attr("SrvrType", Variant("3"));
  EXPECT_TRUE(std::dynamic_pointer_cast<CSrvrOraADO>(s->CreateServerExtractor()));
  for (const char* bad : {"4", "abc", "", " 1", "-1"}) {
    s->xServer->Attr("SrvrType", Variant(bad));
    const AppError e = Raised([&] { s->CreateServerExtractor(); });
    EXPECT_EQ(e.Number, ERR_USER_CHECK) << bad;
    EXPECT_EQ(e.Description, std::string("Unknown server type [") + bad +
                                 "]. The server type must be 0 (MS Access), 1 (Microsoft SQL Server), 2 (Sybase) "
                                 "or 3 (Oracle).");
  }
}

TEST_F(Server, ServerObjectIsCreatedOnceAndFollowsTheConnectionString) {
  auto first = s->Server();
  EXPECT_EQ(first->ConnectionString(), "Provider=Procforge.Snapshot;Data Source=" + catalogue);
  Connect("other.sql");
  EXPECT_EQ(s->Server(), first);
  EXPECT_EQ(first->ConnectionString(), "Provider=Procforge.Snapshot;Data Source=other.sql");
  // A connection opened for one catalogue does not answer for the next one.
  const std::string other = OracleCatalogue("other2.sql", "");
  Connect(catalogue);
  s->Server()->ExecSQL("SELECT count(*) AS n FROM user_objects");
  EXPECT_EQ(s->Server()->Value("n"), "4");
  Connect(other);
  s->Server()->ExecSQL("SELECT count(*) AS n FROM user_objects");
  EXPECT_EQ(s->Server()->Value("n"), "0");
  s->ReleaseServer();
  EXPECT_NE(s->Server(), first);
  s->DisconnectServer();  // nothing open: still quiet

  std::string err = "kept";
  EXPECT_TRUE(s->TestConnection("Provider=Procforge.Snapshot;Data Source=" + catalogue, err));
  EXPECT_EQ(err, "kept");
  EXPECT_FALSE(s->TestConnection("Provider=Procforge.Snapshot;Data Source=" + dir.file("none.db"), err));
  EXPECT_NE(err, "kept");
}

TEST_F(Server, ChecksBeforeARunStopAtTheFirstProblem) {
  bwXMLBrowser& code = *s->xCode;
  // Connection first.
  Connect(dir.file("missing.db"));
  std::string connErr;
  ASSERT_FALSE(s->Server()->CanConnect(connErr));
  const AppError conn = Raised([&] { s->CheckCanStartGeneratingCode(); });
  EXPECT_EQ(conn.Number, ERR_USER_CHECK);
  EXPECT_EQ(conn.Description, connErr);
  // Then a snapshot without the server type's catalogue, before a run and at the first query.
  const std::string empty = dir.file("empty.db");
  WriteAll(empty, "");
  Connect(empty);
  const std::string notOracle =
      "'" + empty + "' is not a catalogue snapshot of server type 3 (Oracle): it has no table user_arguments.";
  EXPECT_EQ(CheckMessage(), notOracle);
  std::string testErr;
  EXPECT_FALSE(s->TestConnection("Provider=Procforge.Snapshot;Data Source=" + empty, testErr));
  EXPECT_EQ(testErr, notOracle);
  const AppError query = Raised([&] { s->Server()->ExecSQL("SELECT 1"); });
  EXPECT_EQ(query.Number, ERR_USER_CHECK);
  EXPECT_EQ(query.Description, notOracle);
  Connect(catalogue);

  EXPECT_EQ(CheckMessage(), "Please specify output class file name");
  code.Attr("ClassFile", Variant("   "));
  EXPECT_EQ(CheckMessage(), "Please specify output class file name");
  code.Attr("ClassFile", Variant(dir.file("no-such-folder/Orders.cls")));
  EXPECT_EQ(CheckMessage().rfind("Cannot open output file: ", 0), 0u);

  const std::string cls = dir.file("Orders.cls");
  code.Attr("ClassFile", Variant(cls));
  s->CheckCanStartGeneratingCode();
  EXPECT_FALSE(std::filesystem::exists(cls));  // checked for writing, not created
  EXPECT_TRUE(Shown().empty());
  pftest::WriteAll(cls, "old class");

  code.Attr("ConfirmOverWrite", Variant("True"));
  Answer(false);
  EXPECT_EQ(CheckMessage(), "Operation Cancelled.");
  EXPECT_EQ(Shown(), std::vector<std::string>{"Ask: File " + cls + " already exists. Do you want to overwrite it?"});
  Answer(true);
  s->CheckCanStartGeneratingCode();

  s->xStoredProc->Attr("AddExecSPByName", Variant("True"));
  code.Attr("ParamDefsFile", Variant("  "));
  Answer(true);
  EXPECT_EQ(CheckMessage(), "Please specify parameters definition module file name");
  code.Attr("ParamDefsFile", Variant(" " + dir.file("Defs.bas") + " "));
  Answer(true);
  s->CheckCanStartGeneratingCode();
  EXPECT_FALSE(std::filesystem::exists(dir.file("Defs.bas")));

  code.Attr("ConfirmOverWrite", Variant("False"));
  s->xAddnlFunc->Attr("ConnSrcType", Variant(2));
  s->xAddnlFunc->Attr("LinkFile", Variant(" "));
  EXPECT_EQ(CheckMessage(),
            "Link File is selected as source for connection information,\r\n but Link File name is not specified.");
  s->xAddnlFunc->Attr("LinkFile", Variant("orders.udl"));

  code.Attr("IncCode", Variant("True"));
  EXPECT_EQ(CheckMessage(), "Please specify include/override file");
  const std::string inc = dir.file("Include.txt");
  code.Attr("IncFileName", Variant(inc));
  EXPECT_EQ(CheckMessage(), "Cannot open include/override file: File not found (" + inc + ")\r\n" + inc);
  WriteAll(inc, std::string("MZ\x90\0\x03", 5));
  EXPECT_EQ(CheckMessage(), "The include/override file " + inc + " holds binary data, not Visual Basic source.");
  WriteAll(inc, "' nothing\r\n");
  s->CheckCanStartGeneratingCode();
}

TEST_F(Server, ChecksSkipTheClassFileWhenNoMethodsAreGenerated) {
  s->xStoredProc->Attr("AddSPMethods", Variant("False"));
  s->CheckCanStartGeneratingCode();
}

TEST_F(Server, PackageRefreshAddsEachServerPackageOnce) {
  s->xServer->Attr("SrvrType", Variant(3));
  bwXMLBrowser& p = *s->xPackages;
  p.POP(0);
  p.CreateChild("Package", true, false);
  p.Attr("Name", Variant("PKG_A"));
  p.Attr("Prefix", Variant("Pa"));
  p.POP(0);
  p.CreateChild("Package", true, false);
  p.Attr("Name", Variant("GONE"));
  s->PackagesRefresh();
  const std::string expected =
      "<Packages><Package Name=\"(Unpackaged)\"/><Package Name=\"PKG_A\" Prefix=\"Pa\"/>"
      "<Package Name=\"PKG_B\"/><Package Name=\"O'HARA\"/></Packages>";
  EXPECT_EQ(s->xPackages->xml(), expected);
  s->PackagesRefresh();
  EXPECT_EQ(s->xPackages->xml(), expected);
}

TEST_F(Server, PackageRefreshOnAServerWithoutPackagesReportsTheServerError) {
  const std::string other = dir.file("ms.sql");
  WriteAll(other, "CREATE TABLE sysobjects (name TEXT, type TEXT, id INTEGER);\n"
                  "CREATE TABLE ProcedureParameters (PROCEDURE_NAME TEXT);\n");
  s->xServer->Attr("SrvrType", Variant(1));
  Connect(other);
  const AppError e = Raised([&] { s->PackagesRefresh(); });
  EXPECT_NE(e.Description.find("user_objects"), std::string::npos) << e.Description;
  EXPECT_NE(e.Description.find("Call Stack: CSettings.PackageRefresh()"), std::string::npos) << e.Description;
}
