// The PostgreSQL extractor against the test server's own catalogue, read through psqlODBC:
// what it lists and leaves out, the parameters as the driver describes them, and a
// snapshot of the catalogue that reads as the server does.

#include <gtest/gtest.h>

#include "extract/CCatalogCapture.h"
#include "extract/CSrvrPostgres.h"
#include "extract/ExtractTestUtil.h"
#include "extract/MExtractDocs.h"
#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "support/Golden.h"
#include "support/PgServer.h"

namespace {

using namespace pf;
using namespace extracttest;

class PostgresExtractorTest : public ExtractorTest {
 protected:
  static void SetUpTestSuite() {
    static const bool created = [] {
      pftest::PgServer& pg = pftest::PgServer::Shared();
      pg.CreateDatabase("pfpgx");
      pg.Psql(pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/extract/postgres.sql"), "pfpgx");
      return true;
    }();
    (void)created;
  }
  static std::string Conn() {
    return "Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" +
           std::to_string(pftest::PgServer::Shared().Port()) + ";Database=pfpgx;User ID=" + pftest::PgServer::kUser +
           ";Password=" + pftest::PgServer::kPassword;
  }
  static std::shared_ptr<CSrvrPostgres> Live() {
    auto server = std::make_shared<CServer>();
    server->ConnectionString(Conn());
    auto x = std::make_shared<CSrvrPostgres>();
    x->SetServer(server);
    return x;
  }
  // The list, the warnings and every listed routine's parameter document.
  static std::string Everything(CSrvrPostgres& x, const std::string& filter = "") {
    const std::string list = x.xmlGetSPList(filter);
    std::string out = ProcRows(list) + "\n";
    for (const std::string& w : x.LeftOut()) out += "warning: " + w + "\n";
    pugi::xml_document doc;
    doc.load_string(list.c_str());
    for (pugi::xml_node p : doc.child("ProcList").children("Proc"))
      out += "\n" + x.xmlGetSPParameters(p.attribute("Name").value()) + "\n";
    return out;
  }
};

// Functions and procedures of the search path's schemas (app, then public), each with the
// call its method makes; overloads under their signatures; what no call reaches (arrays,
// composites, overloads passed as the same types, a signature hidden by an earlier schema)
// left out with its reason; trigger functions, aggregates and other schemas not listed.
TEST_F(PostgresExtractorTest, ListsTheSearchPathsRoutinesWithTheirCalls) {
  auto x = Live();
  pftest::ExpectGolden("extract/postgres-live.txt", Everything(*x));
  ExpectFailure([&] { x->xmlGetSPParameters("sum_array"); }, {"'sum_array' is not one of the search path's routines"});
}

// The schemas a list filter names, in search path form, instead of the search path: their
// routines only (not those of the extension in public), the earlier schema's hiding the
// later's, each call naming its schema; a snapshot captured with the filter reads the same.
TEST_F(PostgresExtractorTest, ReadsTheSchemasTheFilterNames) {
  auto x = Live();
  pftest::ExpectGolden("extract/postgres-schemas.txt", Everything(*x, " PUBLIC, \"app\""));
  const std::string file = dir_.file("public.sql"), publicOnly = "order_total|True\npublic_echo|True\n";
  EXPECT_EQ(ProcRows(x->xmlGetSPList("public")), publicOnly);
  CCatalogCapture::Write(CCatalogCapture().Capture(4, Conn(), "public"), file);
  EXPECT_EQ(ProcRows(Extractor<CSrvrPostgres>(file)->xmlGetSPList("")), publicOnly);
}

// psqlODBC passes the arguments of its call escape as they are written: a call leaves out
// those with defaults or names the ones it passes.
TEST_F(PostgresExtractorTest, TheDriversCallTakesArgumentsLeftOutOrNamed) {
  auto c = ado::Connection::Create();
  c->Open(Conn());
  EXPECT_EQ(c->Execute("{call next_number()}")->Value("next_number"), "1");
  EXPECT_EQ(c->Execute("{call next_number(p_step => 5)}")->Value("next_number"), "5");
}

// Every parameter as psqlODBC's own description gives it through a parameter refresh (the
// return value first, the columns of a set or a table result left out; booleans as the
// driver describes them when asked not to call them text; text of a length the driver does
// not know as long text, not cut at the 255 characters it assumes), for the routines
// a refresh can tell apart: each name once, and the cursor function aside, whose method
// reads rows rather than the cursor's name.
TEST_F(PostgresExtractorTest, DescribesParametersAsTheDriverDoes) {
  auto x = Live();
  pugi::xml_document doc;
  doc.load_string(x->xmlGetSPList("").c_str());
  auto c = ado::Connection::Create();
  c->Open(Conn() + ";BoolsAsChar=0");
  auto cmd = ado::Command::Create();
  cmd->SetActiveConnection(c);
  size_t compared = 0;
  for (pugi::xml_node p : doc.child("ProcList").children("Proc")) {
    const std::string name = p.attribute("Name").value();
    if (name.find('(') != std::string::npos || name == "order_cursor") continue;
    SCOPED_TRACE(name);
    SPParamList driver = MExtractDocs::RefreshedParams(*cmd, name, {});
    // Text the driver says is 255 characters long (it knows no length) is long text.
    for (SPParamRow& r : driver.Params)
      if ((r.Type == "202" || r.Type == "130" || r.Type == "203") && r.Size == "255")
        r.Type = "203", r.Size = "8190", r.IsLongBinary = true;
    SPParamList mine = x->GetSPParameters(name);
    mine.CallText.clear();
    for (SPParamRow& r : mine.Params) r.OmitMark.clear();
    EXPECT_EQ(MExtractDocs::RefreshedParamsXml(mine), MExtractDocs::RefreshedParamsXml(driver));
    ++compared;
  }
  EXPECT_EQ(compared, 13u);
}

// A snapshot of the catalogue reads as the server does, through a script and a database,
// and says it is one of server type 4.
TEST_F(PostgresExtractorTest, SnapshotReadsAsTheServer) {
  const std::string live = Everything(*Live());
  CCatalogCapture capture;
  const std::string script = capture.Capture(4, Conn(), "");
  EXPECT_TRUE(capture.Skipped.empty());
  for (const char* name : {"pg.sql", "pg.db"}) {
    SCOPED_TRACE(name);
    const std::string file = dir_.file(name);
    CCatalogCapture::Write(script, file);
    EXPECT_EQ(Everything(*Extractor<CSrvrPostgres>(file)), live);
    EXPECT_EQ(CCatalogCapture::SnapshotServerType(file), 4);
    EXPECT_EQ(CCatalogCapture::SnapshotProblem(file, 4), "");
    EXPECT_NE(CCatalogCapture::SnapshotProblem(file, 1), "");
  }
  // One taken before pg_depend was captured reads as it was taken.
  const size_t table = script.find("CREATE TABLE \"pg_depend\""), end = script.find(";\n", table) + 2;
  CCatalogCapture::Write(script.substr(0, table) + script.substr(end), dir_.file("older.sql"));
  EXPECT_EQ(Everything(*Extractor<CSrvrPostgres>(dir_.file("older.sql"))), live);
}

}  // namespace
