// Every sample profile names a snapshot its server type's extractor can read completely:
// the procedure list, and the parameter list of every procedure on it.

#include <pugixml.hpp>

#include "extract/CSrvrAccess.h"
#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrOraADO.h"
#include "extract/CSrvrSybase.h"
#include "extract/ExtractTestUtil.h"
#include "settings/bwXMLBrowser.h"

namespace {

using namespace pf;
using namespace extracttest;

struct SampleCase {
  const char* Profile;
  int ServerType;
  size_t Procedures;
};

class SampleCatalogueTest : public ::testing::TestWithParam<SampleCase> {
 protected:
  void SetUp() override { pftest::InstallTestEnvironment(); }
};

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
  std::string conn = profile.strAttr("ConnPfg");
  const std::string key = "Data Source=";
  conn.insert(conn.find(key) + key.size(), std::string(PF_SOURCE_DIR) + "/");
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
  auto x = ExtractorFor(c.ServerType);
  x->SetServer(server);
  pugi::xml_document list;
  ASSERT_TRUE(list.load_string(x->xmlGetSPList(filter).c_str()));
  size_t count = 0;
  for (pugi::xml_node p : list.child("ProcList").children("Proc")) {
    ++count;
    const std::string name = p.attribute("Name").value();
    pugi::xml_document params;
    ASSERT_TRUE(params.load_string(x->xmlGetSPParameters(name).c_str())) << name;
    EXPECT_TRUE(params.child("Parameters")) << name;
  }
  EXPECT_EQ(count, c.Procedures);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleCatalogueTest,
                         ::testing::Values(SampleCase{"mssql/OrderEntry.PFG", 1, 38},
                                           SampleCase{"sybase/Orders.PFG", 2, 15},
                                           SampleCase{"oracle/Sales.PFG", 3, 26},
                                           SampleCase{"access/Orders.PFG", 0, 15}));

}  // namespace
