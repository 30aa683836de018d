// The method constructor over the real extractors: the sample catalogues for the server
// specific forms, and small snapshots of its own for the rules one parameter at a time,
// whose methods, definitions and warnings are one golden transcript.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "builder/BuilderTestEnv.h"
#include "builder/CSPConstructor.h"
#include "errors/AppError.h"
#include "settings/CSettings.h"
#include "settings/MProfileKeys.h"
#include "support/Golden.h"

using namespace pf;

namespace {

class Ctor : public buildertest::BuilderTest {
 protected:
  // A SQL Server profile with plain naming (nothing removed or added) on a snapshot of its own:
  // the keys of tests/data/builder/plain-mssql.txt.
  void PlainMssql(const std::vector<std::string>& rows) {
    for (const std::string& line : pftest::DataLines("builder/plain-mssql.txt")) {
      const std::vector<std::string> f = pftest::Fields(line);
      Key(f.at(0), f.at(1), f.at(2));
    }
    UseSnapshot(buildertest::ParamSnapshot(rows));
  }
  void Init() { c.Init(*stt, stt->CreateServerExtractor()); }
  // The method text of SPName (its definitions in defs).
  std::string Method(const std::string& SPName, bool IsFunc = false) {
    bool notSupported = false;
    c.ConstructMethod(SPName, IsFunc, notSupported);
    defs = c.GetParamDefs();
    return c.GetMethodText();
  }

  CSPConstructor c;
  std::string defs;
};

}  // namespace

// The rules one parameter at a time: each row a catalogue of its own (a plain SQL Server
// profile with some keys changed) and the procedures asked for, in order; the transcript
// holds each method's name, text and definitions and the warnings of the run.
TEST_F(Ctor, RulesOnSmallCataloguesAreGolden) {
  std::map<std::string, std::vector<std::string>> rows;
  for (const std::string& line : pftest::DataLines("builder/ctor-rows.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    rows[f.at(0)].push_back(f.at(1));
  }
  const std::vector<std::string>&inOut = rows["inOut"], &zero = rows["zero"];
  std::vector<std::string>& hostile = rows["hostile"];
  // The row of a 300-character name stands eleventh, before the Greek one.
  hostile.insert(hostile.end() - 1, "'" + std::string(300, 'n') + "', 1, '@a', 1, 3, 4, 10, 0, 0");
  std::vector<std::string> wide;
  for (int i = 1; i <= 61; ++i)
    wide.push_back("'wide', " + std::to_string(i) + ", '@p" + std::to_string(i) + "', 1, 3, 4, 10, 0, 0");
  for (int i = 1; i <= 60; ++i)
    wide.push_back("'narrow', " + std::to_string(i) + ", '@p" + std::to_string(i) + "', 1, 3, 4, 10, 0, 0");
  const std::string groesse =
      "Gr\xC3\xB6\xC3\x9F"
      "e";
  struct Case {
    std::string Label;
    std::vector<std::string> Rows;
    std::vector<std::array<const char*, 3>> Keys;  // section, key, value
    std::vector<std::string> Procs;
  };
  std::vector<Case> cases;
  for (const auto& [byRef, model] : std::vector<std::pair<const char*, const char*>>{
           {"0", "0"}, {"1", "0"}, {"2", "0"}, {"0", "1"}, {"2", "1"}, {"0", "2"}, {"7", "0"}})
    cases.push_back({std::string("ByRefVal ") + byRef + ", TypeModel " + model,
                     inOut,
                     {{"StoredProc", "ByRefVal", byRef}, {"StoredProc", "TypeModel", model}},
                     {"p"}});
  const std::array<const char*, 3> zeroKeys[] = {{"StoredProc", "NullForZeroNums", "True"},
                                                 {"StoredProc", "NullForZeroNumsPttn", "*_id;x*"}};
  cases.push_back({"zero as NULL by type and name", zero, {zeroKeys[0], zeroKeys[1]}, {"z"}});
  cases.push_back({"without the error library", zero, {{"ErrHndl", "UseFaultnet", "False"}}, {"z"}});
  cases.push_back({"return value as Long, names with a capital first letter",
                   inOut,
                   {{"StoredProc", "RetValType", "0"},
                    {"StoredProc", "PrmFirstCap", "True"},
                    {"StoredProc", "MethFirstCap", "True"}},
                   {"p"}});
  // Case is ignored in the comparison and kept in the name; reserved words get a zero.
  cases.push_back({"colliding names",
                   rows["colliding"],
                   {{"StoredProc", "MethRmvPfxs", "sp_, usp_"}},
                   {"usp_Item", "sp_Item", "ITEM", "usp_Date"}});
  // A definition list of 50 characters moves to a continuation line.
  cases.push_back({"definition lists of 49 and 50 characters",
                   {"'d49', 0, '@" + std::string(40, 'a') + "', 1, 3, 4, 10, 0, 80",
                    "'d50', 0, '@" + std::string(41, 'b') + "', 1, 3, 4, 10, 0, 80"},
                   {},
                   {"d49", "d50"}});
  // Unusual but legal names: every identifier valid and unique in its scope (a procedure
  // listed twice gets a method each, a parameter may not hide its function, 300 characters
  // are cut to 254, a name without a letter the compiler takes becomes Proc), every name the
  // server sees the exact string expression; constants of names that need ChrW$ become
  // read-only properties.
  cases.push_back({"hostile names",
                   hostile,
                   {},
                   {"Say\"Hi\"", "O'BRIEN", groesse, "usp_XXtest_XX", "two\r\nlines", "twice", "twice", "1st",
                    std::string(300, 'n'), groesse, "Say\"Hi\"", "\xCE\xB1\xCE\xB2"}});
  // More than 60 arguments: left out with a warning; 60 stay.
  cases.push_back({"the compiler's argument limit", wide, {}, {"wide", "narrow"}});
  // A procedure outside the default schema is called by its qualified name and named after
  // its own name; one of that name in the default schema keeps the bare name.
  cases.push_back({"schemas",
                   rows["schemas"],
                   {{"StoredProc", "MethRmvPfxs", "usp_"}},
                   {"usp_Item", "[sales].[usp_Item]", "[odd]]s].[a.b]"}});
  // An output parameter named like the return value is passed and read back under one name.
  cases.push_back(
      {"an output named like the return value", {"'r', 1, '@RETURN_VALUE', 3, 3, 4, 10, 0, 64"}, {}, {"r"}});
  // A type code without a name: left out with a warning naming procedure and parameter.
  cases.push_back({"unknown type code", {"'bad', 0, '@X', 1, 206, 4, 10, 0, 80"}, {}, {"bad"}});

  // Every case starts from a settings model of its own; the transcript lists the keys by
  // which its profile differs from the plain one, so that a key left over from an earlier
  // case shows in the golden file.
  const auto profileKeys = [&] {
    std::map<std::string, std::string> keys;
    for (const MProfileKeys::Key& k : MProfileKeys::Keys())
      if (std::string_view(k.Name) != "ConnPfg")
        keys[std::string(k.Section) + "." + k.Name] = stt->SectionViewer(k.Section).strAttr(k.Name);
    return keys;
  };
  FreshSettings();
  PlainMssql({});
  const std::map<std::string, std::string> plain = profileKeys();
  std::string out, warnings;
  for (const Case& k : cases) {
    FreshSettings();
    PlainMssql(k.Rows);
    for (const auto& [section, key, value] : k.Keys) Key(section, key, value);
    Init();
    std::string changed;
    for (const auto& [key, value] : profileKeys())
      if (plain.at(key) != value) changed += " " + key + "=" + value;
    c.SetWarningSink([&](std::string w) { warnings += "warning: " + w + "\n"; });
    out += "==== " + k.Label + "\nkeys:" + changed + "\n";
    for (const std::string& proc : k.Procs) {
      bool notSupported = false;
      warnings.clear();
      c.ConstructMethod(proc, false, notSupported);
      out += "---- " + proc + " -> " + c.GetMethodObject().Name + (notSupported ? " (left out)" : "") + "\n" +
             warnings + c.GetMethodText() + "\ndefinitions:\n" + c.GetParamDefs();
    }
  }
  pftest::ExpectGolden("builder/ctor-rules.txt", out);
}

// Counting goes on past 100, every method keeping a name of its own; a new run starts anew.
TEST_F(Ctor, CounterDigitsGoOnAndRestartWithTheRun) {
  PlainMssql({"'ITEM', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16", "'sp_Item', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16"});
  Key("StoredProc", "MethRmvPfxs", "sp_, usp_");
  Init();
  EXPECT_EQ(c.SPNameToVBName("usp_IMPLEMENTS"), "IMPLEMENTS0");  // the longest reserved word
  EXPECT_EQ(c.SPNameToVBName("usp_Implements1"), "Implements1");
  for (int i = 0; i <= 101; ++i) Method("ITEM");
  EXPECT_EQ(c.GetMethodObject().Name, "ITEM101");
  Method("ITEM");
  EXPECT_EQ(c.GetMethodObject().Name, "ITEM102");
  EXPECT_NE(defs.find("PRM_ITEM102 = "), std::string::npos);
  Init();
  Method("sp_Item");
  EXPECT_EQ(c.GetMethodObject().Name, "Item");
}

TEST_F(Ctor, AccessParameterNamesLoseTheFormPathAndProcedureNamesAreQuoted) {
  LoadSample("access/Orders.PFG");
  Init();
  EXPECT_EQ(c.ParamNameToVBName("[Forms]![frmCustomers]![txtCustomerID]", "Long"), "lngtxtCustomerID");
  EXPECT_EQ(c.ParamNameToVBName("Start Date", "Date"), "datStartDate");
  EXPECT_TRUE(pftest::Has(Method("Order Summary"), "\r\n    Execute \"\"\"Order Summary\"\"\"\r\n"));
  EXPECT_EQ(defs.substr(0, defs.find("\r\n")), "Public Const SP_ORDER_SUMMARY = \"Order Summary\"");
  EXPECT_TRUE(pftest::Has(Method("Say\"Hi"), "\r\n    Execute \"\"\"Say\"\"\"\"Hi\"\"\"\r\n"));  // "Say""Hi"
}

TEST_F(Ctor, FailuresNameTheProcedureAndKeepTheCause) {
  PlainMssql({"'bad', 0, '@X', 1, 206, 4, 10, 0, 80"});
  bool notSupported = false;
  // Before Init there is nothing to ask.
  const AppError early = pftest::Raised([&] { c.ConstructMethod("bad", false, notSupported); });
  EXPECT_EQ(early.Number, static_cast<int32_t>(0x80041065u));
  EXPECT_EQ(early.Description.rfind("Error constructing method [bad] : ", 0), 0u) << early.Description;
  Init();
  // A cause with placeholders and line-break marks is taken literally.
  const std::string report = pftest::Raised([&] { c.ConstructMethod("no%1such||x", false, notSupported); }).Description;
  EXPECT_EQ(report.rfind("Error constructing method [no%1such||x] : The procedure 'no%1such||x' is not described", 0),
            0u)
      << report;
  EXPECT_NE(report.find("Call Stack: CSrvrMSSQL.ISrvrExtractor_xmlGetSPParameters(SPName='no%1such||x')"),
            std::string::npos)
      << report;
}

// Integers wider than Long are Variant (with its prefix) in every type model, a function's
// result too; the methods whose signature this gives are listed, those the type model makes
// Variant anyway are not. A function's call tells the class that its return value is its
// result, not a status.
TEST_F(Ctor, WideIntegersAreVariantAndListed) {
  const std::vector<std::string> rows = {"'p', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16",
                                         "'p', 1, '@Id', 3, 20, 8, 19, 0, 80", "'p', 2, '@N', 1, 19, 4, 10, 0, 80",
                                         "'f', 0, '@RETURN_VALUE', 4, 21, 8, 20, 0, 16",
                                         "'f', 1, '@X', 1, 3, 4, 10, 0, 80"};
  const std::vector<std::vector<std::string>> listed = {{"p", "f"}, {"p", "f"}, {"f"}};
  for (int model = 0; model <= 2; ++model) {
    PlainMssql(rows);
    Key("StoredProc", "TypeModel", std::to_string(model));
    Key("StoredProc", "PrmAddTypePfx", "True");
    Init();
    const std::string p = Method("p");
    EXPECT_TRUE(pftest::Has(p, "Public Function p(ByRef varId, ByVal varN)  As Boolean\r\n")) << p;
    EXPECT_TRUE(pftest::Has(p, "    varId = PrmValue(\"@Id\")\r\n")) << p;
    EXPECT_TRUE(pftest::Has(p, "    Execute \"[p]\"\r\n")) << p;
    const std::string f = Method("f", true);
    EXPECT_TRUE(pftest::Has(f, ") As Variant\r\n")) << f;
    EXPECT_TRUE(pftest::Has(f, "    Execute \"[f]\", adCmdStoredProc, True\r\n")) << f;
    EXPECT_EQ(c.TakeWideIntegerMethods(), listed[model]) << model;
    EXPECT_TRUE(c.TakeWideIntegerMethods().empty());
  }
}
