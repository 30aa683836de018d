// The method constructor over the real extractors: the sample catalogues for the server
// specific forms, and small snapshots of its own for the rules one parameter at a time.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "CtorTestEnv.h"
#include "builder/CSPConstructor.h"
#include "errors/AppError.h"
#include "settings/CSettings.h"

using namespace pf;
using pftest::CrLf;

namespace {

class Ctor : public ctortest::CtorTest {
 protected:
  // A SQL Server profile with plain naming (nothing removed or added) on a snapshot of its own.
  void PlainMssql(std::initializer_list<std::string> rows) {
    Key("Server", "SrvrType", "1");
    Key("Code", "ClassFile", "CDb.cls");
    for (const char* k : {"PrmRmvPfx", "PrmAddPfx", "MethRmvPfxs", "MethAddPfx", "NullForZeroNumsPttn"})
      Key("StoredProc", k, "");
    for (const char* k :
         {"PrmConvToWCap", "PrmFirstCap", "PrmAddTypePfx", "MethConvToWCap", "MethFirstCap", "NullForZeroNums",
          "MSUseLongForInts", "MSUseDblForFloat", "MSUseDblForMoney", "MSUseStrForGuid"})
      Key("StoredProc", k, "False");
    Key("StoredProc", "ByRefVal", "0");
    Key("StoredProc", "TypeModel", "0");
    Key("StoredProc", "RetValType", "1");
    Key("ErrHndl", "UseFaultnet", "True");
    UseSnapshot(ctortest::ParamSnapshot(rows));
  }
  void Init() { c.Init(*stt, stt->CreateServerExtractor()); }
  // The method text of SPName (its definitions in defs).
  std::string Method(const std::string& SPName, bool IsFunc = false) {
    bool notSupported = false;
    c.ConstructMethod(SPName, IsFunc, notSupported);
    defs = c.GetParamDefs();
    return c.GetMethodText();
  }
  // The line of Text that begins (after its indent) with Start, or empty.
  static std::string Line(const std::string& Text, const std::string& Start) {
    for (size_t at = 0; at < Text.size();) {
      const size_t end = Text.find("\r\n", at);
      const std::string line = Text.substr(at, end - at);
      if (line.find_first_not_of(' ') != std::string::npos &&
          line.compare(line.find_first_not_of(' '), Start.size(), Start) == 0)
        return line;
      at = end == std::string::npos ? Text.size() : end + 2;
    }
    return {};
  }

  CSPConstructor c;
  std::string defs;
};

// One procedure "p": return value, an input Long, an output String(20), an in/out Long.
const std::initializer_list<std::string> kInOut = {
    "'p', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16", "'p', 1, '@In', 1, 3, 4, 10, 0, 80",
    "'p', 2, '@Out', 2, 200, 20, 255, 255, 64", "'p', 3, '@Both', 3, 3, 4, 10, 0, 80"};

}  // namespace

// The whole methods and constants are golden files (GoldenMethodsTest); here the method
// object a function gives the collection.
TEST_F(Ctor, SqlServerFunctionGivesItsMethodObjectAndNoConstants) {
  LoadSample("mssql/OrderEntry.PFG");
  Init();
  // A function has no constants.
  const std::string f = Method("fn_FormatOrderNo", true);
  EXPECT_EQ(defs, "");
  const CMethod m = c.GetMethodObject();
  EXPECT_EQ(m.Name, "ExecFnFormatOrderNo");
  EXPECT_EQ(m.ParamCount, 3);  // the return value counts
  EXPECT_TRUE(m.IsFunction);
  EXPECT_EQ(m.Source, f);
  EXPECT_EQ(m.ProcType, "");
  EXPECT_FALSE(m.SkipParamDefs);
}

TEST_F(Ctor, PassingModeAndTypeModelDecideDeclarationsAndRetrieveLines) {
  PlainMssql(kInOut);
  struct Case {
    const char* ByRefVal;
    const char* TypeModel;
    const char* Header;
    size_t Retrieves;
  };
  const Case cases[] = {
      {"0", "0", "(ByVal In0 As Long, ByRef Out As String, ByRef Both As Long)  As Boolean", 2},
      {"1", "0", "(ByRef In0 As Long, ByRef Out As String, ByRef Both As Long)  As Boolean", 3},
      {"2", "0", "(ByVal In0 As Long, ByVal Out As String, ByVal Both As Long)  As Boolean", 0},
      {"0", "1", "(ByVal In0 As Long, ByRef Out, ByRef Both)  As Boolean", 2},
      {"2", "1", "(ByVal In0 As Long, ByVal Out As String, ByVal Both As Long)  As Boolean", 0},
      {"0", "2", "(ByVal In0, ByRef Out, ByRef Both)  As Boolean", 2},
      {"7", "0", "( In0 As Long,  Out As String,  Both As Long)  As Boolean", 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string("ByRefVal ") + k.ByRefVal + ", TypeModel " + k.TypeModel);
    Key("StoredProc", "ByRefVal", k.ByRefVal);
    Key("StoredProc", "TypeModel", k.TypeModel);
    Init();
    const std::string t = Method("p");
    EXPECT_EQ(Line(t, "Public Function"), std::string("Public Function p") + k.Header);
    size_t retrieves = 0;
    for (size_t at = 0; (at = t.find(" = PrmValue(\"", at)) != std::string::npos; ++at) ++retrieves;
    EXPECT_EQ(retrieves, k.Retrieves);
  }
  // The output parameter passes no value, so its statement ends after the size.
  EXPECT_EQ(Line(Method("p"), "AddParam \"@Out\""), "    AddParam \"@Out\", adVarChar, adParamOutput, 20");
  Key("StoredProc", "ByRefVal", "0");
  Key("StoredProc", "TypeModel", "0");
  Init();
  const std::string t = Method("p");
  EXPECT_EQ(Line(t, "AddParam \"@In\""), "    AddParam \"@In\", adInteger, adParamInput, , In0");
  EXPECT_EQ(Line(t, "Out = "), "    Out = PrmValue(\"@Out\")");
  EXPECT_EQ(Line(t, "Both = "), "    Both = PrmValue(\"@Both\")");
  EXPECT_EQ(defs, CrLf("Public Const SP_P = \"[p]\"\n"
                       "Public Const PRM_P = \"@In,3,1,0,0;@Out,200,2,20,0;@Both,3,3,0,0\"\n"));
}

TEST_F(Ctor, ZeroAsNullNeedsTheSwitchANumericTypeAndAMatchingName) {
  PlainMssql({"'z', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16", "'z', 1, '@Cust_ID', 1, 3, 4, 10, 0, 80",
              "'z', 2, '@Code_ID', 1, 200, 8, 255, 255, 64", "'z', 3, '@Qty', 1, 2, 2, 5, 0, 80"});
  Key("StoredProc", "NullForZeroNums", "True");
  Key("StoredProc", "NullForZeroNumsPttn", "*_id;x*");
  Init();
  const std::string t = Method("z");
  EXPECT_EQ(Line(t, "AddParam \"@Cust_ID\""),
            "    AddParam \"@Cust_ID\", adInteger, adParamInput, , Cust_ID, ZERO_AS_NULL");
  EXPECT_EQ(Line(t, "AddParam \"@Code_ID\""), "    AddParam \"@Code_ID\", adVarChar, adParamInput, 8, Code_ID");
  EXPECT_EQ(Line(t, "AddParam \"@Qty\""), "    AddParam \"@Qty\", adSmallInt, adParamInput, , Qty");
  EXPECT_NE(defs.find("\"@Cust_ID,3,1,0,1;@Code_ID,200,1,8,0;@Qty,2,1,0,0\""), std::string::npos) << defs;

  // Without the error library the handler has no report line.
  Key("ErrHndl", "UseFaultnet", "False");
  Init();
  EXPECT_EQ(Line(Method("z"), "ErrorIn"), "");
  EXPECT_NE(Line(Method("z"), "HandleError"), "");
}

TEST_F(Ctor, CollidingNamesGetCounterDigitsAndReservedWordsAZero) {
  PlainMssql({"'usp_Item', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16", "'sp_Item', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16",
              "'ITEM', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16", "'usp_Date', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16"});
  Key("StoredProc", "MethRmvPfxs", "sp_, usp_");
  Init();
  std::vector<std::string> names, spConsts;
  for (const char* sp : {"usp_Item", "sp_Item", "ITEM", "usp_Date"}) {
    Method(sp);
    names.push_back(c.GetMethodObject().Name);
    spConsts.push_back(defs.substr(0, defs.find(" = ")));
  }
  // Case is ignored in the comparison and kept in the name.
  EXPECT_EQ(names, (std::vector<std::string>{"Item", "Item1", "ITEM2", "Date0"}));
  EXPECT_EQ(spConsts, (std::vector<std::string>{"Public Const SP_ITEM", "Public Const SP_ITEM1",
                                                "Public Const SP_ITEM2", "Public Const SP_DATE"}));
  EXPECT_NE(defs.find("Public Const PRM_DATE = \"\""), std::string::npos);
  EXPECT_EQ(c.SPNameToVBName("usp_IMPLEMENTS"), "IMPLEMENTS0");  // the longest reserved word
  EXPECT_EQ(c.SPNameToVBName("usp_Implements1"), "Implements1");

  // Counting goes on past 100: every method keeps a name of its own.
  for (int i = 3; i <= 101; ++i) Method("ITEM");
  EXPECT_EQ(c.GetMethodObject().Name, "ITEM101");
  Method("ITEM");
  EXPECT_EQ(c.GetMethodObject().Name, "ITEM102");
  EXPECT_NE(defs.find("PRM_ITEM102 = "), std::string::npos);

  // A new run starts a new list.
  Init();
  Method("sp_Item");
  EXPECT_EQ(c.GetMethodObject().Name, "Item");
}

TEST_F(Ctor, DefinitionListOfFiftyCharactersMovesToAContinuationLine) {
  const std::string n40(40, 'a'), n41(41, 'b');
  PlainMssql({"'d49', 0, '@" + n40 + "', 1, 3, 4, 10, 0, 80", "'d50', 0, '@" + n41 + "', 1, 3, 4, 10, 0, 80"});
  Init();
  Method("d49");
  EXPECT_EQ(defs, CrLf("Public Const SP_D49 = \"[d49]\"\nPublic Const PRM_D49 = \"@" + n40 + ",3,1,0,0\"\n"));
  Method("d50");
  EXPECT_EQ(defs, CrLf("Public Const SP_D50 = \"[d50]\"\nPublic Const PRM_D50 = _\n    \"@" + n41 + ",3,1,0,0\"\n"));
}

// Oracle packaged procedures carry the package prefix in the method name, also after
// switching packages; a procedure outside packages gets none. A composite argument marks
// the procedure, whose texts are built all the same. (The texts are golden files.)
TEST_F(Ctor, OracleMethodNamesByPackageAndUnsupportedArguments) {
  LoadSample("oracle/Sales.PFG");
  Init();
  bool notSupported = false;
  for (const auto& [proc, name, unsupported] : std::vector<std::tuple<const char*, const char*, bool>>{
           {"ORDER_PKG.ADD_LINE", "ExecOrdAddLine", false}, {"ADD_CUSTOMER", "ExecAddCustomer", false},
           {"ORDER_PKG.GET_ORDER", "ExecOrdGetOrder", true}, {"ORDER_PKG.SET_STATUS", "ExecOrdSetStatus", false}}) {
    c.ConstructMethod(proc, false, notSupported);
    EXPECT_EQ(notSupported, unsupported) << proc;
    EXPECT_EQ(c.GetMethodObject().Name, name);
  }
}

TEST_F(Ctor, ParameterNamesLoseMarksAndOnAccessTheFormPath) {
  LoadSample("access/Orders.PFG");
  Init();
  EXPECT_EQ(c.ParamNameToVBName("[Forms]![frmCustomers]![txtCustomerID]", "Long"), "lngtxtCustomerID");
  EXPECT_EQ(c.ParamNameToVBName("Start Date", "Date"), "datStartDate");
  EXPECT_EQ(Line(Method("Order Summary"), "Execute"), "    Execute \"\"\"Order Summary\"\"\"");
  EXPECT_EQ(defs.substr(0, defs.find("\r\n")), "Public Const SP_ORDER_SUMMARY = \"Order Summary\"");
  EXPECT_EQ(Line(Method("Say\"Hi"), "Execute"), "    Execute \"\"\"Say\"\"\"\"Hi\"\"\"");  // "Say""Hi"

  LoadSample("sybase/Orders.PFG");
  Key("StoredProc", "PrmAddPfx", "  p ");
  Init();
  EXPECT_EQ(c.ParamNameToVBName("@#a!b c", "Integer"), "pintAbc");
  EXPECT_EQ(c.ParamNameToVBName("@end", "Variant"), "pvarEnd");
  Key("StoredProc", "PrmAddTypePfx", "False");
  Key("StoredProc", "PrmAddPfx", "");
  Init();
  EXPECT_EQ(c.ParamNameToVBName("@end", "Variant"), "End0");
  Key("StoredProc", "MethAddPfx", " My ");
  Key("StoredProc", "MethConvToWCap", "False");
  Key("StoredProc", "MethFirstCap", "True");
  Init();
  EXPECT_EQ(c.SPNameToVBName("usp_order list"), "MyOrderlist");
  EXPECT_EQ(Line(Method("customer_get"), "Execute"), "    Execute \"customer_get\"");
}

TEST_F(Ctor, FailuresNameTheProcedureAndKeepTheCause) {
  PlainMssql({"'bad', 0, '@X', 1, 206, 4, 10, 0, 80"});
  bool notSupported = false;
  // Before Init there is nothing to ask.
  const AppError early = pftest::Raised([&] { c.ConstructMethod("bad", false, notSupported); });
  EXPECT_EQ(early.Number, static_cast<int32_t>(0x80041065u));
  EXPECT_EQ(early.Description.rfind("Error constructing method [bad] : ", 0), 0u) << early.Description;
  Init();
  // A type code without a name leaves the procedure out with a warning that names the
  // procedure and the parameter; the run goes on.
  std::vector<std::string> warnings;
  c.SetWarningSink([&](std::string w) { warnings.push_back(std::move(w)); });
  c.ConstructMethod("bad", false, notSupported);
  EXPECT_TRUE(notSupported);
  EXPECT_EQ(warnings, (std::vector<std::string>{"Procedure \"bad\" is left out of the class: parameter \"@X\" has "
                                                "the unknown data type code 206."}));
  // A cause with placeholders and line-break marks is taken literally.
  const std::string report = pftest::Raised([&] { c.ConstructMethod("no%1such||x", false, notSupported); }).Description;
  EXPECT_EQ(report.rfind("Error constructing method [no%1such||x] : The procedure 'no%1such||x' is not described", 0),
            0u)
      << report;
  EXPECT_NE(report.find("Call Stack: CSrvrMSSQL.ISrvrExtractor_xmlGetSPParameters(SPName='no%1such||x')"),
            std::string::npos)
      << report;
}

namespace {

// Unusual but legal catalogue names: every identifier comes out valid and unique in its
// scope, and every name the server sees comes out as the exact string expression.
TEST_F(Ctor, HostileNamesGiveIdentifiersAndExactLiterals) {
  const std::string longName(300, 'n');
  PlainMssql(
      {"'Say\"Hi\"', 1, '@Back\\', 1, 200, 10, 0, 0, 0", "'O''BRIEN', 1, '@first name', 1, 3, 4, 10, 0, 0",
       "'O''BRIEN', 2, '@first_name', 1, 3, 4, 10, 0, 0", "'Gr' || char(246) || 'ße', 1, '@Maß', 2, 3, 4, 10, 0, 0",
       "'usp_XXtest_XX', 1, '@XXcode', 1, 3, 4, 10, 0, 0",
       "'two' || char(13) || char(10) || 'lines', 1, '@x', 1, 3, 4, 10, 0, 0", "'twice', 1, '@x', 1, 3, 4, 10, 0, 0",
       "'twice', 2, '@x', 1, 3, 4, 10, 0, 0", "'twice', 3, NULL, 1, 3, 4, 10, 0, 0",
       "'twice', 4, NULL, 1, 3, 4, 10, 0, 0", "'1st', 1, '@Proc1st', 1, 3, 4, 10, 0, 0",
       "'" + longName + "', 1, '@a', 1, 3, 4, 10, 0, 0", "'\xCE\xB1\xCE\xB2', 1, '@x', 1, 3, 4, 10, 0, 0"});
  Init();
  std::vector<std::string> warnings;
  c.SetWarningSink([&](std::string w) { warnings.push_back(std::move(w)); });
  const struct {
    std::string proc;
    std::string header;   // the first line of the method
    std::string execute;  // the Execute line
    std::string addParam; // the first AddParam line
  } cases[] = {
      {"Say\"Hi\"", "Public Function SayHi(ByVal Back As String)  As Boolean", "    Execute \"[Say\"\"Hi\"\"]\"",
       "    AddParam \"@Back\\\", adVarChar, adParamInput, 10, Back"},
      {"O'BRIEN", "Public Function OBRIEN(ByVal firstname As Long, ByVal first_name As Long)  As Boolean",
       "    Execute \"[O'BRIEN]\"", "    AddParam \"@first name\", adInteger, adParamInput, , firstname"},
      {"Gr\xC3\xB6\xC3\x9F" "e", "Public Function Groesse(ByRef Mass As Long)  As Boolean",
       "    Execute \"[Gr\" & ChrW$(246) & ChrW$(223) & \"e]\"",
       "    AddParam \"@Ma\" & ChrW$(223), adInteger, adParamOutput"},
      {"usp_XXtest_XX", "Public Function usp_XXtest_XX(ByVal XXcode As Long)  As Boolean",
       "    Execute \"[usp_XXtest_XX]\"", "    AddParam \"@XXcode\", adInteger, adParamInput, , XXcode"},
      {"two\r\nlines", "Public Function twolines(ByVal x As Long)  As Boolean",
       "    Execute \"[two\" & vbCrLf & \"lines]\"", "    AddParam \"@x\", adInteger, adParamInput, , x"},
      {"twice", "Public Function twice(ByVal x As Long, ByVal x1 As Long, ByVal Prm As Long, ByVal Prm1 As Long)  As Boolean",
       "    Execute \"[twice]\"", "    AddParam \"@x\", adInteger, adParamInput, , x"},
      // The same procedure listed twice gets a method of its own name each time.
      {"twice", "Public Function twice1(ByVal x As Long, ByVal x1 As Long, ByVal Prm As Long, ByVal Prm1 As Long)  As Boolean",
       "    Execute \"[twice]\"", "    AddParam \"@x\", adInteger, adParamInput, , x"},
      // The parameter may not hide the function it belongs to.
      {"1st", "Public Function Proc1st(ByVal Proc1st1 As Long)  As Boolean", "    Execute \"[1st]\"",
       "    AddParam \"@Proc1st\", adInteger, adParamInput, , Proc1st1"},
  };
  for (const auto& c0 : cases) {
    std::string text = Method(c0.proc);
    for (size_t at; (at = text.find(" _ \r\n        ")) != std::string::npos;) text.erase(at, 13);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), c0.header) << c0.proc;
    EXPECT_EQ(Line(text, "Execute "), c0.execute) << c0.proc;
    EXPECT_EQ(Line(text, "AddParam "), c0.addParam) << c0.proc;
  }
  // 300 characters: cut to the longest name the compiler takes.
  Method(longName);
  EXPECT_EQ(c.GetMethodObject().Name, std::string(254, 'n'));

  // Constants of names that need ChrW$ become read-only properties; names that differ
  // only in what the constant drops stay apart.
  Method("Gr\xC3\xB6\xC3\x9F" "e");
  EXPECT_EQ(defs.substr(0, defs.find("\r\n")), "Public Property Get SP_GROESSE1() As String") << defs;
  EXPECT_NE(defs.find("    SP_GROESSE1 = \"[Gr\" & ChrW$(246) & ChrW$(223) & \"e]\"\r\nEnd Property\r\n"),
            std::string::npos)
      << defs;
  Method("Say\"Hi\"");
  EXPECT_EQ(defs.substr(0, defs.find("\r\n")), "Public Const SP_SAYHI1 = \"[Say\"\"Hi\"\"]\"") << defs;
  Method("\xCE\xB1\xCE\xB2");  // no letter the compiler takes in a name

  const auto warned = [&](const std::string& part) {
    for (const std::string& w : warnings)
      if (w.find(part) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(warned("Procedure \"Say\"Hi\"\" becomes the method SayHi.")) << testing::PrintToString(warnings);
  EXPECT_TRUE(warned("Procedure \"\xCE\xB1\xCE\xB2\" becomes the method Proc."));
  EXPECT_TRUE(warned("Procedure \"twice\" has a parameter without a name; it is called Prm in the class."));
  EXPECT_TRUE(warned("Procedure \"twice\", parameter \"@x\" is called x1 in the class."));
  EXPECT_FALSE(warned("usp_XXtest_XX"));  // valid names are kept and not reported
}

// A procedure the compiler could not take (more than 60 arguments) is left out with a
// warning; one just within the limits stays.
TEST_F(Ctor, ProceduresBeyondTheCompilersLimitsAreLeftOut) {
  std::vector<std::string> rows;
  for (int i = 1; i <= 61; ++i) rows.push_back("'wide', " + std::to_string(i) + ", '@p" + std::to_string(i) + "', 1, 3, 4, 10, 0, 0");
  for (int i = 1; i <= 60; ++i) rows.push_back("'narrow', " + std::to_string(i) + ", '@p" + std::to_string(i) + "', 1, 3, 4, 10, 0, 0");
  std::string script = ctortest::ParamSnapshot({rows[0]});
  PlainMssql({});
  std::string values;
  for (const std::string& r : rows) values += (values.empty() ? "  (" : ",\n  (") + r + ")";
  UseSnapshot(script.substr(0, script.find("VALUES\n") + 7) + values + ";\n");
  Init();
  std::vector<std::string> warnings;
  c.SetWarningSink([&](std::string w) { warnings.push_back(std::move(w)); });
  bool notSupported = false;
  c.ConstructMethod("wide", false, notSupported);
  EXPECT_TRUE(notSupported);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            "Procedure \"wide\" is left out of the class: its method would have 61 arguments, and Visual Basic takes "
            "at most 60.");
  c.ConstructMethod("narrow", false, notSupported);
  EXPECT_FALSE(notSupported);
}

}  // namespace
