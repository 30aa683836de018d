// Method and parameter names, the procedure filter, the package list and the option sums.

#include "support/SettingsTestEnv.h"

using namespace pf;

namespace {

class Naming : public pftest::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    s = std::make_unique<CSettings>();
  }
  void Type(int st) { s->xServer->Attr("SrvrType", Variant(st)); }
  void Key(const char* key, const char* value) { s->xStoredProc->Attr(key, Variant(value)); }
  void AddPackage(const char* name, const char* prefix, const char* selected) {
    bwXMLBrowser& p = *s->xPackages;
    p.POP(0);
    p.CreateChild("Package", true, false);
    p.Attr("Name", Variant(name));
    if (prefix) p.Attr("Prefix", Variant(prefix));
    if (selected) p.Attr("Selected", Variant(selected));
  }
  std::unique_ptr<CSettings> s;
};

}  // namespace

TEST_F(Naming, MethodNamesFollowPrefixCaseAndKeywordRules) {
  Type(1);
  EXPECT_EQ(s->SPNameToVBNameX("sp_get_customer"), "ExecGetCustomer");
  EXPECT_EQ(s->SPNameToVBNameX("USP_ORDER_ID"), "ExecOrderID");  // one prefix only, case ignored
  EXPECT_EQ(s->SPNameToVBNameX("Sp_sp_x"), "ExecSpX");
  // Oracle-looking names are not split on other servers.
  EXPECT_EQ(s->SPNameToVBNameX("PKG.GET"), "ExecPkg.get");

  Key("MethAddPfx", "  ");
  EXPECT_EQ(s->SPNameToVBNameX("date"), "Date0");
  EXPECT_EQ(s->SPNameToVBNameX("dated"), "Dated");

  Key("MethConvToWCap", "False");
  Key("MethFirstCap", "True");
  EXPECT_EQ(s->SPNameToVBNameX("usp_get_customer"), "Get_customer");
  Key("MethFirstCap", "False");
  Key("MethRmvPfxs", "");
  EXPECT_EQ(s->SPNameToVBNameX("sp_get"), "sp_get");
}

TEST_F(Naming, OracleMethodNamesCarryThePackagePrefixAfterTheGeneralOne) {
  Type(3);
  AddPackage("MYPKG", "Pk", "True");
  AddPackage("(Unpackaged)", "Top", "True");
  EXPECT_EQ(s->SPNameToVBNameX("MYPKG.GET_ITEM"), "ExecPkGetItem");
  EXPECT_EQ(s->SPNameToVBNameX("mypkg.GET_ITEM"), "ExecPkGetItem");
  EXPECT_EQ(s->SPNameToVBNameX("GET_ALL"), "ExecTopGetAll");
  EXPECT_EQ(s->SPNameToVBNameX("OTHER.SP_GET_X"), "ExecGetX");  // no entry: no package prefix
  EXPECT_EQ(s->SPNameToVBNameX("MYPKG.A.B"), "ExecPkA.b");      // split at the first full stop

  std::string pfx = "unchanged";
  EXPECT_FALSE(s->FindPackage("OTHER", pfx));
  EXPECT_EQ(pfx, "unchanged");
  EXPECT_TRUE(s->FindPackage("myPkg", pfx));
  EXPECT_EQ(pfx, "Pk");
  EXPECT_FALSE(s->FindPackage("(unpackaged)", pfx));
  // A name with quotes finds its own entry only.
  AddPackage("O'NEIL\"S", "Q", nullptr);
  EXPECT_TRUE(s->FindPackage("o'neil\"s", pfx));
  EXPECT_EQ(pfx, "Q");
}

TEST_F(Naming, ParameterNames) {
  Type(0);
  EXPECT_EQ(s->ParamNameToVBNameX("#RowCount", "Long"), "lngRowCount");
  EXPECT_EQ(s->ParamNameToVBNameX("Forms!Orders!Param", "String"), "strParam");
  EXPECT_EQ(s->ParamNameToVBNameX("@Id", "Long"), "lngId");
  EXPECT_EQ(s->ParamNameToVBNameX("p_customer_name", "String"), "strCustomerName");
  Type(1);
  EXPECT_EQ(s->ParamNameToVBNameX("@Id", "Long"), "lng@Id");  // only Access drops the at sign
  EXPECT_EQ(s->ParamNameToVBNameX("Form!Param", "Long"), "lngForm!Param");

  Key("PrmAddPfx", " p ");
  EXPECT_EQ(s->ParamNameToVBNameX("Name", "String"), "pstrName");
  Key("PrmAddPfx", "");
  Key("PrmAddTypePfx", "False");
  EXPECT_EQ(s->ParamNameToVBNameX("date", "Date"), "Date0");
  Key("PrmConvToWCap", "False");
  Key("PrmFirstCap", "True");
  EXPECT_EQ(s->ParamNameToVBNameX("p_customer_id", "Long"), "Customer_id");
}

TEST_F(Naming, IncludeAndExcludeFilters) {
  Type(1);
  s->SetStandardConf(2);
  EXPECT_FALSE(s->CheckSPNameFilter("dt_addtosourcecontrol"));
  EXPECT_FALSE(s->CheckSPNameFilter("DT_X"));
  EXPECT_TRUE(s->CheckSPNameFilter("usp_insertOrder"));

  Key("MethUseFilterInc", "True");
  EXPECT_FALSE(s->CheckSPNameFilter("usp_insertOrder"));  // empty include list matches nothing
  Key("MethFilterInc", "*Update*;*Insert*");
  EXPECT_TRUE(s->CheckSPNameFilter("usp_insertOrder"));
  EXPECT_FALSE(s->CheckSPNameFilter("usp_deleteOrder"));
  Key("MethFilterInc", "*");
  EXPECT_FALSE(s->CheckSPNameFilter("dt_x"));  // exclusion wins
  Key("MethUseFilterExc", "False");
  EXPECT_TRUE(s->CheckSPNameFilter("dt_x"));
  // The filters see the full Oracle name.
  Key("MethFilterInc", "pkg_a.*");
  EXPECT_TRUE(s->CheckSPNameFilter("PKG_A.GET"));
  EXPECT_FALSE(s->CheckSPNameFilter("GET"));
}

TEST_F(Naming, PackageListAndTheCleanUpOfSave) {
  AddPackage("A", nullptr, "True");
  AddPackage("B", "", "False");
  AddPackage("(Unpackaged)", nullptr, nullptr);
  AddPackage("C", nullptr, "True");
  AddPackage("D", "Dp", nullptr);
  AddPackage("E", nullptr, "true");
  EXPECT_EQ(s->GetPackageList(), "A,C");

  s->ProfileFileName(dir.file("P.PFG"));
  s->Save();
  EXPECT_EQ(s->xPackages->xml(),
            "<Packages><Package Name=\"A\" Selected=\"True\"/><Package Name=\"(Unpackaged)\"/>"
            "<Package Name=\"C\" Selected=\"True\"/><Package Name=\"D\" Prefix=\"Dp\"/></Packages>");

  // Without the "(Unpackaged)" entry, a save puts it first.
  s->xPackages->POP(0);
  ASSERT_TRUE(s->xPackages->FindElem("Package", "Name", "(Unpackaged)"));
  s->xPackages->RemoveElement();
  s->Save();
  EXPECT_EQ(s->xPackages->xml(),
            "<Packages><Package Name=\"(Unpackaged)\"/><Package Name=\"A\" Selected=\"True\"/>"
            "<Package Name=\"C\" Selected=\"True\"/><Package Name=\"D\" Prefix=\"Dp\"/></Packages>");
  EXPECT_EQ(s->GetPackageList(), "A,C");
}

TEST_F(Naming, OptionSums) {
  bwXMLBrowser& io = *s->xIniOptions;
  EXPECT_EQ(s->DefaultOptionsSum(), "PFGO_ERR_RAISE + PFGO_STRLEN_TRIM + PFGO_NULL_EMPTYSTR + PFGO_NULL_ZERODATE");
  EXPECT_EQ(s->DefaultADOExecOptionsSum(), "0");

  io.Attr("ErrReraise", Variant("False"));
  EXPECT_EQ(s->DefaultOptionsSum(), "PFGO_STRLEN_TRIM + PFGO_NULL_EMPTYSTR + PFGO_NULL_ZERODATE");
  for (const char* k : {"StrLenTrim", "NullForEmptyStr", "NullForZeroDate"}) io.Attr(k, Variant("False"));
  EXPECT_EQ(s->DefaultOptionsSum(), "0");

  // Every flag reads as a Boolean: exactly "True" adds its name, any other text does not.
  const struct {
    const char* stored;
    bool counts;
  } cases[] = {{"True", true}, {"true", false}, {"TRUE", false}, {" True", false}, {"1", false},
               {"-1", false}, {"nan", false}, {"inf", false}, {"0x1", false}, {"Yes", false}};
  for (const auto& c : cases) {
    io.Attr("AsyncWait", Variant(c.stored));
    EXPECT_EQ(s->DefaultOptionsSum(), c.counts ? "PFGO_ASYNC_WAIT" : "0") << c.stored;
  }
  io.Attr("AsyncWait", Variant("False"));

  // The execute options are read as Booleans: exactly "True".
  io.Attr("AsyncExec", Variant("True"));
  io.Attr("AsyncFetch", Variant("1"));
  io.Attr("AsyncFetchNonBlocking", Variant("True"));
  EXPECT_EQ(s->DefaultADOExecOptionsSum(), "adAsyncExecute + adAsyncFetchNonBlocking");
}
