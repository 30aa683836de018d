// Every sample profile names a snapshot its server type's extractor can read completely:
// the procedure list, and the parameter list of every procedure on it.

#include <pugixml.hpp>

#include "extract/CProcParamsCache.h"
#include "extract/CSrvrAccess.h"
#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrOraADO.h"
#include "extract/CSrvrSybase.h"
#include "extract/ExtractTestUtil.h"
#include "support/PgServer.h"
#include "xml/bwXMLBrowser.h"

namespace {

using namespace pf;
using namespace extracttest;

struct SampleCase {
  const char* Profile;
  int ServerType;
  size_t Procedures;
};

class SampleCatalogueTest : public ::testing::TestWithParam<SampleCase> {};

std::shared_ptr<ISrvrExtractor> ExtractorFor(int serverType) {
  switch (serverType) {
    case 0: return std::make_shared<CSrvrAccess>();
    case 1: return std::make_shared<CSrvrMSSQL>();
    case 2: return std::make_shared<CSrvrSybase>();
    case 3: return std::make_shared<CSrvrOraADO>();
  }
  return nullptr;
}

TEST_P(SampleCatalogueTest, ProfileGeneratesFromItsSnapshot) {
  const SampleCase& c = GetParam();
  bwXMLBrowser profile;
  profile.ReadFromFile(Sample(c.Profile), false, "ASCII");
  ASSERT_EQ(profile.ElementName(), "Settings");
  ASSERT_TRUE(profile.MoveTo("Server", true));
  EXPECT_EQ(profile.lngAttr("SrvrType"), c.ServerType);
  // The profiles name their snapshot relative to the repository root.
  const std::string conn =
      pftest::ReplaceAll(profile.strAttr("ConnPfg"), "Data Source=", "Data Source=" PF_SOURCE_DIR "/");
  ASSERT_TRUE(profile.POP(0));
  ASSERT_TRUE(profile.MoveTo("Code", true));
  EXPECT_FALSE(profile.strAttr("ClassFile").empty());

  // The Oracle filter is the list of selected packages.
  std::string filter;
  ASSERT_TRUE(profile.POP(0));
  if (profile.MoveTo("Packages", true) && profile.MoveToFirstChild()) {
    do {
      if (profile.boolAttr("Selected", "True")) filter += (filter.empty() ? "" : ",") + profile.strAttr("Name");
    } while (profile.MoveNext());
  }

  auto server = std::make_shared<CServer>();
  server->ConnectionString(conn);
  auto x = ExtractorFor(c.ServerType), single = ExtractorFor(c.ServerType);
  x->SetServer(server);
  single->SetServer(server);
  pugi::xml_document list;
  ASSERT_TRUE(list.load_string(x->xmlGetSPList(filter).c_str()));
  // After the list, the SQL Server and Sybase extractors answer from one read of every
  // procedure's parameters; an extractor that has listed nothing refreshes each one. Both
  // give the same documents, and the one read knows every listed procedure.
  CProcParamsCache all;
  const bool oneCall = c.ServerType == 1 || c.ServerType == 2;
  if (oneCall) {
    EXPECT_TRUE(all.Load(conn));
  }
  size_t count = 0;
  for (pugi::xml_node p : list.child("ProcList").children("Proc")) {
    ++count;
    const std::string name = p.attribute("Name").value();
    const std::string text = x->xmlGetSPParameters(name);
    pugi::xml_document params;
    ASSERT_TRUE(params.load_string(text.c_str())) << name;
    EXPECT_TRUE(params.child("Parameters")) << name;
    EXPECT_EQ(text, single->xmlGetSPParameters(name)) << name;
    if (oneCall) {
      EXPECT_NE(all.Find(name), nullptr) << name;
    }
  }
  EXPECT_EQ(count, c.Procedures);
}

TEST(ProcParamsCache, AnswersOnlyForNamesARefreshWouldFindTheSame) {
  pftest::TempDir dir;
  const std::string file = std::string(PF_SOURCE_DIR) + "/tests/data/extract/params-cache.sql";
  CProcParamsCache cache;
  ASSERT_TRUE(cache.Load(SnapshotConn(file)));
  const auto* b = cache.Find("SPB");
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->size(), 2u);
  EXPECT_EQ((*b)[0].Name, "@RETURN_VALUE");  // refresh order
  ASSERT_NE(cache.Find("spNone"), nullptr);
  EXPECT_TRUE(cache.Find("spNone")->empty());
  // Names listed in several spellings are different procedures, each found by its exact
  // spelling only; owner-qualified or quoted names, and unknown ones, are left to the
  // refresh of that name.
  for (const auto& [name, first] : {std::pair{"TWICE", "@x"}, {"Twice", "@RETURN_VALUE"}, {"twice", "@y"}}) {
    ASSERT_NE(cache.Find(name), nullptr) << name;
    EXPECT_EQ((*cache.Find(name))[0].Name, first) << name;
  }
  for (const char* name : {"tWiCe", "dbo.spB", "[spB]", "spMissing"}) EXPECT_EQ(cache.Find(name), nullptr) << name;
  // Asked in the catalogue's own order, as a run asks, each name gets the answer it gets
  // when asked backwards.
  const std::vector<std::string> inOrder = {"TWICE", "Twice", "spB", "spNone", "twice", "tWiCe"};
  std::vector<const std::vector<ado::ParameterInfo>*> backwards(inOrder.size());
  for (size_t i = inOrder.size(); i-- > 0;) backwards[i] = cache.Find(inOrder[i]);
  for (size_t i = 0; i < inOrder.size(); ++i) EXPECT_EQ(cache.Find(inOrder[i]), backwards[i]) << inOrder[i];
  // A catalogue that cannot be read caches nothing.
  EXPECT_FALSE(cache.Load(SnapshotConn(dir.file("missing.sql"))));
  EXPECT_EQ(cache.Find("spB"), nullptr);
  // One procedure listed: no read of them all; more: the first Find reads them all.
  cache.Expect(1, SnapshotConn(file));
  EXPECT_EQ(cache.Find("spB"), nullptr);
  cache.Expect(2, SnapshotConn(file));
  EXPECT_NE(cache.Find("spB"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleCatalogueTest,
                         ::testing::Values(SampleCase{"mssql/OrderEntry.PFG", 1, 38},
                                           SampleCase{"sybase/Orders.PFG", 2, 15},
                                           SampleCase{"oracle/Sales.PFG", 3, 26},
                                           SampleCase{"access/Orders.PFG", 0, 15}));

// Procedures of one name in two schemas, through psqlODBC: the one-call description keeps
// both, a plain name is the default schema's procedure (the first listed when the default is
// not known), and a qualified name is described as its own schema's.
TEST(ProcParamsCache, EachSchemaKeepsItsOwnProcedure) {
  pftest::PgServer& pg = pftest::PgServer::Shared();
  pg.CreateDatabase("pfschemas");
  pg.Psql(
      "CREATE SCHEMA IF NOT EXISTS sales;"
      "CREATE OR REPLACE FUNCTION public.usp_item(id integer) RETURNS integer AS $$ SELECT id $$ LANGUAGE sql;"
      "CREATE OR REPLACE FUNCTION public.usp_other(x integer) RETURNS integer AS $$ SELECT x $$ LANGUAGE sql;"
      "CREATE OR REPLACE FUNCTION sales.usp_item(region varchar(20)) RETURNS integer AS $$ SELECT 1 $$ LANGUAGE sql;",
      "pfschemas");
  const std::string conn = pg.OdbcString("pfschemas");
  auto first = [](const std::vector<ado::ParameterInfo>* p) { return p && p->size() == 2 ? (*p)[1].Name : "?"; };
  for (const auto& [defaultSchema, expected] : {std::pair{"", "id"}, {"public", "id"}, {"sales", "region"}}) {
    CProcParamsCache cache;
    cache.Expect(2, conn, defaultSchema);
    EXPECT_EQ(first(cache.Find("usp_item")), expected) << defaultSchema;
  }
  auto server = std::make_shared<CServer>();
  server->ConnectionString(conn);
  CSrvrMSSQL x;
  x.SetServer(server);
  auto names = [](const SPParamList& l) {
    std::string out;
    for (const SPParamRow& r : l.Params) out += r.Name + " ";
    return out;
  };
  EXPECT_EQ(names(x.GetSPParameters("usp_item")), "RETURN_VALUE id ");
  EXPECT_EQ(names(x.GetSPParameters("[sales].[usp_item]")), "RETURN_VALUE region ");
}

}  // namespace
