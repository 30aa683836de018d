// Whole generated classes compared byte for byte with reviewed copies: a SQL Server
// desktop class with its parameter-definitions module, an Oracle COM+ class, an Access
// class for web page scripts (every parameter a Variant) and an Access desktop class whose
// parameters are declared with the types their ADO types map to.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "GenerateTestUtil.h"
#include "support/Golden.h"

namespace lib = pftest::lib;

namespace {

TEST(GoldenClassTest, SampleClassesAreGoldenAndCompile) {
  // Profile, predefined configuration, class name, and whether the parameter definitions go
  // into a module of their own.
  const std::tuple<const char*, int, std::string, bool> classes[] = {
      {"mssql/OrderEntry.PFG", 2, "COrderEntryDB", true},
      {"oracle/Sales.PFG", 0, "CSalesDB", false},
      {"access/Orders.PFG", 1, "COrdersMdb", false},
      {"access/Orders.PFG", 2, "COrdersMdbTyped", false}};
  for (const auto& [profile, conf, name, paramDefs] : classes) {
    lib::Generator gen;
    gen.LoadSample(profile);
    gen.ApplyConf(conf);
    if (paramDefs) gen.Set("StoredProc", "AddExecSPByName", "True");
    const lib::Generated g = gen.Build(name, name);
    pftest::ExpectGolden("classes/" + name + ".cls", g.Class);
    if (paramDefs) pftest::ExpectGolden("classes/M" + name + "Defs.bas", g.Module);
    EXPECT_EQ(lib::ClassFindings(g), "") << name;
  }
}

}  // namespace
