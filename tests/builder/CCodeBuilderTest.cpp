// The class code builder: which blocks and conditions a profile selects, the reference
// table, the assembly of the class text and the include file, and the counters.

#include <gmock/gmock.h>

#include <filesystem>
#include <tuple>

#include "builder/BuilderTestEnv.h"
#include "support/Golden.h"
#include "builder/CCodeBuilder.h"
#include "codelib/CRefValues.h"

namespace {

using namespace pf;
using namespace buildertest;
using pftest::Has;
using ::testing::HasSubstr;

class CodeBuilderTest : public BuilderTest {
 protected:
  // Every switch of the profile off, server type 0 (Access), no procedures.
  void AllOff() {
    for (const auto& section : {stt->xStoredProc, stt->xAddnlFunc, stt->xErrHndl, stt->xIniOptions, stt->xCode})
      for (pugi::xml_attribute a : section->RootElement().attributes())
        if (std::string_view(a.value()) == "True") a.set_value("False");
    Set(*stt->xServer, "SrvrType", "0");
    Set(*stt->xAddnlFunc, "Trans", "0");
    Set(*stt->xAddnlFunc, "ConnSrcType", "0");
  }

  void Build() { builder.BuildCode(*stt, progress, NumSPs, NumLines, NumChars); }

  std::string Ref(const std::string& name) {
    const std::string* v = builder.RefValues().Find(name);
    return v ? *v : "<absent>";
  }

  CProgress progress;
  CCodeBuilder builder;
  int32_t NumSPs = -1, NumLines = -1, NumChars = -1;
};

// The blocks, conditions and connection references that one integer key selects, all other
// switches off, against a golden file. Link file mode 1 of the desktop configuration gives
// the name without its folder and no path condition; transaction modes outside the table's
// range still add the transaction block, and no mode condition. Where the connection source
// gives no connection check, the library's own stands.
TEST_F(CodeBuilderTest, IntegerKeysSelectTheirBlocksConditionsAndReferences) {
  std::string selections;
  for (const auto& [key, values] :
       std::vector<std::pair<std::string, std::vector<std::string>>>{{"SrvrType", {"0", "1", "2", "3"}},
                                                                     {"ConnSrcType", {"1", "2", "3"}},
                                                                     {"LinkFileMode", {"0", "1", "2"}},
                                                                     {"Trans", {"2", "3", "7"}}}) {
    for (const std::string& value : values) {
      AllOff();
      Set(key == "SrvrType" ? *stt->xServer : *stt->xAddnlFunc, key, value);
      if (key == "LinkFileMode") Set(*stt->xAddnlFunc, "ConnSrcType", "2");
      Set(*stt->xAddnlFunc, "LinkFile", "..\\Config\\db.udl");
      Set(*stt->xAddnlFunc, "RegSubKey", "Software\\Acme\\DB");
      Set(*stt->xAddnlFunc, "RegValName", "Conn");
      Set(*stt->xAddnlFunc, "ErrIfRegFailed", "True");
      Build();
      selections += key + "=" + value + "\n  blocks " + builder.BlockList() + "\n  conditions " +
                    builder.ConditionList() + "\n  references";
      for (const char* ref :
           {"LinkFileName", "RegistryPath", "RegistryValueName", "RegRaiseError", "CodeCheckConnectionAssigned"})
        selections += std::string(" ") + ref + "=" + Ref(ref);
      selections += Has(builder.ClassCode, "Public Sub OpenConnection()\r\n    CheckConnectionAssigned\r\n")
                        ? "\n  the library's connection check\n"
                        : "\n";
    }
  }
  pftest::ExpectGolden("builder/selections.txt", selections);
}

TEST_F(CodeBuilderTest, ReferenceTableFollowsTheProfile) {
  AllOff();
  for (const std::string& line : pftest::DataLines("builder/reference-profile.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    Key(f.at(0), f.at(1), f.at(2));
  }
  Build();
  // The whole table, one "name=value" line each, in name order; the version is the build's.
  std::string table;
  for (const auto& [name, value] : builder.RefValues())
    table += name + "=" + (name == "ProcforgeVersion" ? std::string("Version 2.2 (PF_VERSION)") : value) + "\n";
  EXPECT_EQ(Ref("ProcforgeVersion"), "Version 2.2 (" PF_VERSION ")");
  pftest::ExpectGolden("references/CSalesDB.txt", table);
}

TEST_F(CodeBuilderTest, RegistryErrorFlagIsALiteralEvenWhenAbsent) {
  AllOff();
  Set(*stt->xAddnlFunc, "ConnSrcType", "3");
  stt->xAddnlFunc->RemoveAttr("ErrIfRegFailed");
  Build();
  EXPECT_EQ(Ref("RegRaiseError"), "False");
}

// The include file is checked as it is merged; its faults are warnings that carry the file's
// own line numbers, and with tags only the tagged code counts.
TEST_F(CodeBuilderTest, FaultsOfTheIncludeFileAreWarningsWithItsLineNumbers) {
  // Whether tags count, the file's text, and each warning after "Include file <path>, line ".
  const std::tuple<bool, const char*, std::vector<std::string>> cases[] = {
      {false, "Public Function Extra() As Long\n    Extra = 1\nEnd Function\n", {}},
      {false,
       "Private mExtra As Long\nPublic Sub Extra()\n    If mExtra Then\nEnd Sub\n",
       {"4: 'End Sub' while 'If' from line 3 is still open (missing 'End If')"}},
      {true,
       "Public Sub Outside()\n'BeginInclude\nPublic Sub Extra()\n    x = XXLeftOverXX\nEnd Sub\n'EndInclude\n",
       {"4: leftover reference 'XXLeftOverXX'"}},
  };
  for (const auto& [useTags, text, warnings] : cases) {
    SCOPED_TRACE(text);
    AllOff();
    const std::string inc = dir.file("Include.bas");
    pftest::WriteAll(inc, pftest::CrLf(text));
    Set(*stt->xCode, "IncCode", "True");
    Set(*stt->xCode, "IncFileName", inc);
    Set(*stt->xCode, "IncUseTags", useTags ? "True" : "False");
    CProgress run;
    CCodeBuilder b;
    b.BuildCode(*stt, run, NumSPs, NumLines, NumChars);
    std::vector<std::string> expected;
    for (const std::string& w : warnings) expected.push_back("Include file " + inc + ", line " + w);
    EXPECT_EQ(run.Warnings(), expected);
  }
}

TEST_F(CodeBuilderTest, CountsCharactersNotBytes) {
  AllOff();
  Set(*stt->xCode, "Rmndr", "True");
  Set(*stt->xCode, "RmndrText", "'Vérifier à nouveau");
  Build();
  ASSERT_THAT(builder.ClassCode, HasSubstr("'Vérifier à nouveau\r\n"));
  EXPECT_EQ(NumChars, static_cast<int32_t>(builder.ClassCode.size()) - 2);
  // The figures are counted while the class is formatted: they must be those of the text.
  size_t breaks = 0;
  for (size_t p = builder.ClassCode.find("\r\n"); p != std::string::npos; p = builder.ClassCode.find("\r\n", p + 2))
    ++breaks;
  EXPECT_EQ(NumLines, static_cast<int32_t>(breaks) + 1);
}

// Without a code library there is no run-time member a method name could clash with.
TEST_F(CodeBuilderTest, ProcedureMethodsNeedNoLibrary) {
  LoadSample("mssql/OrderEntry.PFG");
  std::filesystem::remove(dir.file("CodeLib.cls"));
  EXPECT_GT(builder.BuildSPMethods(*stt, progress), 0);
}

TEST_F(CodeBuilderTest, NoProceduresWantedMeansNoServerAtAll) {
  AllOff();
  // A server type no extractor exists for: any attempt to reach the server would fail.
  Set(*stt->xServer, "SrvrType", "9");
  Set(*stt->xServer, "ConnPfg", "Provider=Procforge.Snapshot;Data Source=/nonexistent.sql");
  Build();
  EXPECT_EQ(NumSPs, 0);
  EXPECT_EQ(builder.BlockList(), ",DeclOption,Decl,MethStd,MethErrProps,StdPriv,MethHandleError");
  EXPECT_EQ(builder.ParamDefsCode, "'Parameter definitions of CTestDB\r\n\r\n");
}

// ---- The procedure-methods step over the sample catalogues ----------------------------

}  // namespace
