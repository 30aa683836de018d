// A class and its parameter-definitions module generated from the test server's own
// PostgreSQL catalogue through psqlODBC: golden, clean for the checker, and the same from a
// snapshot of that catalogue but for the line that names the catalogue read.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "GenerateTestUtil.h"
#include "extract/CCatalogCapture.h"
#include "support/Golden.h"
#include "support/PgServer.h"

namespace lib = pftest::lib;

namespace {

// The class with the line naming the catalogue it was read from made neutral.
std::string WithoutReadThrough(const std::string& cls) {
  return std::regex_replace(cls, std::regex("' Read through [^\r\n]*"), "' Read through (the catalogue)");
}

TEST(PostgresClassTest, LiveCatalogueAndItsSnapshotGiveTheGoldenClass) {
  pftest::PgServer& pg = pftest::PgServer::Shared();
  pg.CreateDatabase("pfpgc");
  pg.Psql(pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/extract/postgres.sql"), "pfpgc");
  const std::string live =
      "Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" + std::to_string(pg.Port()) +
      ";Database=pfpgc;User ID=" + pftest::PgServer::kUser + ";Password=" + pftest::PgServer::kPassword;
  pftest::TempDir dir;
  const std::string snapshot = dir.file("pfpgc.sql");
  pf::CCatalogCapture::Write(pf::CCatalogCapture().Capture(4, live, ""), snapshot);

  std::string classes[2], modules[2];
  for (int i = 0; i < 2; ++i) {
    lib::Generator gen;
    gen.LoadSample("mssql/OrderEntry.PFG");
    gen.Set("Server", "SrvrType", "4");
    gen.Set("Server", "ConnPfg", i == 0 ? live : pf::CCatalogCapture::SnapshotConnection(snapshot));
    gen.ApplyConf(2);
    gen.Set("StoredProc", "AddExecSPByName", "True");
    gen.Set("IniOptions", "ConnDftString", "Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=pg01;Database=orders");
    const lib::Generated g = gen.Build("CPgOrders", i == 0 ? "live" : "snapshot");
    EXPECT_EQ(lib::ClassFindings(g), "") << g.Label;
    std::string warnings;
    for (const std::string& w : g.Warnings) warnings += w + "\n";
    EXPECT_NE(warnings.find("\"app.sum_array(int4[])\" is left out"), std::string::npos) << warnings;
    classes[i] = WithoutReadThrough(g.Class);
    modules[i] = g.Module;
  }
  pftest::ExpectGolden("classes/CPgOrders.cls", classes[0]);
  pftest::ExpectGolden("classes/CPgOrders.bas", modules[0]);
  EXPECT_EQ(classes[1], classes[0]);
  EXPECT_EQ(modules[1], modules[0]);
}

}  // namespace
