// Whole generated classes compared byte for byte with reviewed copies: a SQL Server
// desktop class with its parameter-definitions module, an Oracle COM+ class and an Access
// class for web page scripts.

#include <gtest/gtest.h>

#include "GenerateTestUtil.h"
#include "support/Golden.h"

namespace lib = pftest::lib;

namespace {

lib::Generated Generate(const char* Profile, int Conf, const char* ClassName, bool WithParamDefs) {
  lib::Generator gen;
  gen.LoadSample(Profile);
  gen.ApplyConf(Conf);
  if (WithParamDefs) gen.Set("StoredProc", "AddExecSPByName", "True");
  return gen.Build(ClassName, ClassName);
}

void ExpectCompilable(const lib::Generated& g) { EXPECT_EQ(lib::ClassFindings(g), ""); }

TEST(GoldenClassTest, SqlServerDesktopClassAndParameterDefinitions) {
  const lib::Generated g = Generate("mssql/OrderEntry.PFG", 2, "COrderEntryDB", true);
  pftest::ExpectGolden("classes/COrderEntryDB.cls", g.Class);
  pftest::ExpectGolden("classes/MCOrderEntryDBDefs.bas", g.Module);
  ExpectCompilable(g);
}

TEST(GoldenClassTest, OracleComPlusClass) {
  const lib::Generated g = Generate("oracle/Sales.PFG", 0, "CSalesDB", false);
  pftest::ExpectGolden("classes/CSalesDB.cls", g.Class);
  ExpectCompilable(g);
}

TEST(GoldenClassTest, AccessClassForWebPageScripts) {
  const lib::Generated g = Generate("access/Orders.PFG", 1, "COrdersMdb", false);
  pftest::ExpectGolden("classes/COrdersMdb.cls", g.Class);
  ExpectCompilable(g);
}

}  // namespace
