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

// The steps of tests/data/settings/names.txt.
TEST_F(Naming, MethodAndParameterNamesAndTheFilter) {
  for (const std::string& line : pftest::DataLines("settings/names.txt")) {
    SCOPED_TRACE(line);
    const std::vector<std::string> f = pftest::Fields(line);
    const std::string& step = f[0];
    if (step == "new") {
      s = std::make_unique<CSettings>();
      Type(std::stoi(f[1]));
    } else if (step == "key") {
      Key(f[1].c_str(), f[2].c_str());
    } else if (step == "conf") {
      s->SetStandardConf(std::stoi(f[1]));
    } else if (step == "package") {
      AddPackage(f[1].c_str(), f[2] == "-" ? nullptr : f[2].c_str(), f[3] == "-" ? nullptr : f[3].c_str());
    } else if (step == "method") {
      EXPECT_EQ(s->SPNameToVBNameX(f[1]), f[2]);
    } else if (step == "param") {
      EXPECT_EQ(s->ParamNameToVBNameX(f[1], f[2]), f[3]);
    } else if (step == "filter") {
      EXPECT_EQ(s->CheckSPNameFilter(f[1]), f[2] == "yes");
    } else if (step == "find") {
      std::string pfx = "-";
      EXPECT_EQ(s->FindPackage(f[1], pfx), f[2] != "-");
      EXPECT_EQ(pfx, f[2]);
    } else {
      ADD_FAILURE() << "unknown step";
    }
  }
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
