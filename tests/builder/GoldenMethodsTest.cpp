// Golden files of the procedure methods: every sample catalogue under its own profile and
// under variants of it, through the class builder's procedure-methods step. Each variant
// writes the methods as the collection joins them and the parameter-definitions text.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "builder/BuilderTestEnv.h"
#include "builder/CCodeBuilder.h"
#include "builder/CMethColl.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"
#include "support/Golden.h"
#include "vbcheck/VBCheck.h"

using namespace pf;

namespace {

class GoldenMethods : public buildertest::BuilderTest {
 public:
  using BuilderTest::Key;
  using Change = std::function<void(GoldenMethods&)>;
  struct ProfileVariant {
    std::string Name;
    Change Apply;
    std::string Golden{};  // the files it must match, when another variant's (else Name)
  };

  // The sample's profile as shipped, the three standard configurations, the passing modes
  // and type models, and other naming rules; then Extra.
  void RunVariants(const std::string& Dir, const std::string& Profile, const std::vector<ProfileVariant>& Extra = {}) {
    std::vector<ProfileVariant> variants = {
        {"profile", [](GoldenMethods&) {}},
        {"std0", [](GoldenMethods& t) { t.stt->SetStandardConf(0); }},
        {"std1", [](GoldenMethods& t) { t.stt->SetStandardConf(1); }},
        // Configuration 2 differs from 0 only where procedure methods are not concerned.
        {"std2", [](GoldenMethods& t) { t.stt->SetStandardConf(2); }, "std0"},
        {"byref1-typemodel1",
         [](GoldenMethods& t) {
           t.Key("StoredProc", "ByRefVal", "1");
           t.Key("StoredProc", "TypeModel", "1");
         }},
        {"byref2-typemodel2-retval0",
         [](GoldenMethods& t) {
           t.Key("StoredProc", "ByRefVal", "2");
           t.Key("StoredProc", "TypeModel", "2");
           t.Key("StoredProc", "RetValType", "0");
         }},
        {"naming", [](GoldenMethods& t) {
           for (const auto& [k, v] : std::vector<std::pair<const char*, const char*>>{{"MethRmvPfxs", ""},
                                                                                      {"MethConvToWCap", "False"},
                                                                                      {"MethFirstCap", "True"},
                                                                                      {"MethAddPfx", " Db "},
                                                                                      {"PrmRmvPfx", ""},
                                                                                      {"PrmConvToWCap", "False"},
                                                                                      {"PrmFirstCap", "True"},
                                                                                      {"PrmAddTypePfx", "False"},
                                                                                      {"PrmAddPfx", " p "},
                                                                                      {"RetValType", "2"},
                                                                                      {"NullForZeroNums", "False"},
                                                                                      {"OraLongForZeroScale", "False"},
                                                                                      {"OraForceLong", "False"},
                                                                                      {"MSUseLongForInts", "False"},
                                                                                      {"MSUseDblForFloat", "False"},
                                                                                      {"MSUseDblForMoney", "False"},
                                                                                      {"MSUseStrForGuid", "False"},
                                                                                      {"AddExecSPByName", "True"}})
             t.Key("StoredProc", k, v);
           t.Key("ErrHndl", "UseFaultnet", "False");
         }}};
    variants.insert(variants.end(), Extra.begin(), Extra.end());
    for (const ProfileVariant& v : variants) {
      SCOPED_TRACE(Dir + " " + v.Name);
      pftest::LoadSampleProfile(*stt, Dir + "/" + Profile);
      v.Apply(*this);
      stt->Validate();  // as every generation run does first
      CCodeBuilder builder;
      CProgress progress;
      CMethColl coll;
      const int32_t count =
          builder.BuildSPMethods(*stt, progress, [&](const std::string&, const CMethod& m) { coll.AddMethod(m); });
      EXPECT_EQ(count, coll.MethodCount());
      EXPECT_GT(count, 0);
      const std::string base = "methods/" + Dir + "/" + (v.Golden.empty() ? v.Name : v.Golden);
      pftest::ExpectGolden(base + ".methods.txt", coll.GetSource());
      pftest::ExpectGolden(base + ".paramdefs.txt", builder.ParamDefsCode);
      // Both texts compile as modules of their own.
      const std::string methods = "Attribute VB_Name = \"MMethods\"\r\nOption Explicit\r\n" + coll.GetSource();
      EXPECT_EQ(pf::FormatFindings(pf::CheckVB(methods)), "");
      const std::string defs = "Attribute VB_Name = \"MParams\"\r\nOption Explicit\r\n" + builder.ParamDefsCode;
      EXPECT_EQ(pf::FormatFindings(pf::CheckVB(defs)), "");
    }
  }

  // Sets the prefix and selection of the Oracle package entry Name, adding it if needed.
  void Package(const std::string& Name, const std::string& Prefix, bool Selected) {
    bwXMLBrowser& p = *stt->xPackages;
    p.POP(0);
    if (!p.FindElem("Package", "Name", Name)) {
      p.CreateChild("Package", true, false);
      p.Attr("Name", Variant(Name));
    }
    p.Attr("Prefix", Variant(Prefix));
    p.Attr("Selected", Variant(Selected ? "True" : "False"));
    p.POP(0);
  }
};

}  // namespace

TEST_F(GoldenMethods, SqlServer) { RunVariants("mssql", "OrderEntry.PFG"); }

TEST_F(GoldenMethods, Sybase) { RunVariants("sybase", "Orders.PFG"); }

TEST_F(GoldenMethods, Oracle) {
  RunVariants("oracle", "Sales.PFG", {{"packages", [](GoldenMethods& t) {
                                         t.Package("(Unpackaged)", "Std", true);
                                         t.Package("ORDER_PKG", "", true);
                                         t.Package("CUSTOMER_API", "Cust", true);
                                         t.Package("ORDER_REPORTS", "Rpt", true);
                                         t.Key("StoredProc", "AddExecSPByName", "True");
                                       }}});
}

TEST_F(GoldenMethods, Access) { RunVariants("access", "Orders.PFG"); }
