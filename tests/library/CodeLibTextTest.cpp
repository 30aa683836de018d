// The code library text itself: the blocks the generator asks for, the blocks fetched
// without conditions, the option constants, the condition names, and the handler check the
// class tests rely on. Whole classes are checked in ClassMatrixTest.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "LibraryTestUtil.h"
#include "codelib/CBlocks.h"
#include "errors/Faultnet31.h"
#include "settings/MProfileKeys.h"
#include "support/TestEnv.h"

using namespace pf;
namespace lib = pftest::lib;

namespace {

// Every block of the selection table (but the procedure methods, which the generator adds
// itself), in class order.
constexpr const char* kAllBlocks =
    "DeclOption,Decl,SPListTitle,ExecSQL,MethExecSPByName,MethStd,ValFmt,MethErrProps,IFaceClass,"
    "MethContext,IFaceObjectControl,IFaceObjectConstruct,MethTrans,MethRSNavigate,MethBatch,MethXML,"
    "MethAdvXML,StdPriv,MethHandleError";

class CodeLibTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pftest::InstallTestEnvironment();
    Faultnet31::Reset();
    lib::LoadLibrary(blocks);
  }
  void TearDown() override { Faultnet31::Reset(); }

  CBlocks blocks;
};

TEST_F(CodeLibTextTest, HoldsEveryBlockTheGeneratorAsksFor) {
  std::stringstream names(std::string(kAllBlocks) + ",Preface,PubClsMembers,ParamDefPreface,CodeCheckConnectionAssigned");
  for (std::string name; std::getline(names, name, ',');) EXPECT_TRUE(blocks.HasBlock(name)) << name;
  // The generator adds the procedure methods under this name; a library block of the same
  // name would make every run fail as a duplicate.
  EXPECT_FALSE(blocks.HasBlock("SPMethods"));
}

TEST_F(CodeLibTextTest, BlocksUsedWithoutConditionsHoldNoMarkers) {
  // The preface, the members list heading and the module preface are fetched with an empty
  // condition list, and the connection check is pasted raw through a reference.
  for (const char* name : {"Preface", "PubClsMembers", "ParamDefPreface", "CodeCheckConnectionAssigned"}) {
    const std::string text = blocks.GetBlock(name);
    EXPECT_EQ(text.find("'#"), std::string::npos) << name;
  }
  // The members list heading is used without a reference table.
  EXPECT_EQ(blocks.GetBlock("PubClsMembers").find("XX"), std::string::npos);
  CRefValues refs = lib::HandMadeRefs("CShopDb");
  const std::string preface = blocks.GetBlock("Preface", &refs);
  for (const char* part : {"CShopDb", "06 Dec 2026, 14:03", "Procforge", "Version 2.2 (2.2.0)", "Faultnet31.Bas"})
    EXPECT_NE(preface.find(part), std::string::npos) << part;
  const std::string module = blocks.GetBlock("ParamDefPreface", &refs);
  EXPECT_NE(module.find("CShopDb.ExecSPbyName"), std::string::npos);
  EXPECT_NE(module.find("Option Explicit"), std::string::npos);
}

// The option constants, read back from both forms the class can declare them in: the same
// values, each a bit of its own, clear of the internal flags (&H01000000 and up).
TEST_F(CodeLibTextTest, OptionConstantsAreDistinctBitsInBothForms) {
  const std::regex decl(R"((?:Private Const )?(PFGO_\w+)(?: As Long)? = (\d+)\r)");
  CRefValues refs = lib::HandMadeRefs("C");
  std::map<std::string, long> forms[2];
  for (int form = 0; form < 2; ++form) {
    const std::string text = blocks.GetBlocks("DeclOption", form ? ",NoEnums" : ",WithEnums", &refs);
    long used = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), decl), end; it != end; ++it) {
      const long value = std::stol((*it)[2].str());
      EXPECT_TRUE(forms[form].emplace((*it)[1].str(), value).second) << (*it)[1];
      EXPECT_TRUE(value > 0 && (value & (value - 1)) == 0 && value < 0x01000000 && (value & used) == 0) << (*it)[1];
      used |= value;
    }
  }
  EXPECT_EQ(forms[0].size(), 13u);
  EXPECT_EQ(forms[0], forms[1]);
}

// The handler check itself, on small samples, so that its silence means something.
TEST(HandlerCheck, FindsEveryKindOfWrongErrorHandler) {
  const std::string good = pftest::CrLf(
      "Public Function A(ByVal X As Long, Y) As Boolean\n"
      "    On Error GoTo errHandler\n"
      "    A = True\n"
      "    Exit Function\n"
      "errHandler:\n"
      "    ErrorIn \"C.A(X,\" & _\n"
      "        \"Y)\", Array(X, Y), EA_PUBLIC\n"
      "    HandleError\n"
      "End Function\n"
      "Private Sub B(ByVal Z As String)\n"
      "    On Error GoTo errHandler\n"
      "    Exit Sub\n"
      "errHandler:\n"
      "    ErrorIn \"C.B(Z)\", Z, EA_PUBLIC\n"
      "    Err.Raise Err.Number, Err.Source, Err.Description\n"
      "End Sub\n"
      "Public Sub Quiet()\n"
      "    On Error Resume Next\n"
      "End Sub\n");
  EXPECT_EQ(lib::HandlerProblems(good, "C", true), "");
  // Without the error library the report lines must be gone.
  EXPECT_NE(lib::HandlerProblems(good, "C", false).find("without the error library"), std::string::npos);

  const std::string head = "Public Function A(ByVal X As Long, Y) As Boolean\n    On Error GoTo errHandler\nerrHandler:\n";
  const std::pair<std::string, const char*> wrong[] = {
      {head + "    ErrorIn \"C.A(Y,X)\", Array(X, Y), EA_PUBLIC\n    HandleError\nEnd Function\n",
       "reports itself as \"C.A(Y,X)\""},
      {head + "    ErrorIn \"C.A(X,Y)\", Array(Y, X), EA_PUBLIC\n    HandleError\nEnd Function\n", "passes the arguments"},
      {head + "    ErrorIn \"C.A(X,Y)\", Array(X, Y), 43\n    HandleError\nEnd Function\n", "EA_PUBLIC"},
      {head + "    ErrorIn \"C.A(X,Y)\", Array(X, Y), EA_PUBLIC\nEnd Function\n", "instead of HandleError"},
      {head + "    HandleError\nEnd Function\n", "0 error report lines"},
      {"Public Sub S()\n    On Error GoTo errHandler\n    On Error Resume Next\nerrHandler:\n"
       "    ErrorIn \"C.S\", , EA_PUBLIC\n    HandleError\nEnd Sub\n",
       "2 On Error lines"},
      {"Private Sub P()\n    On Error GoTo errHandler\nerrHandler:\n    ErrorIn \"C.P\", , EA_PUBLIC\n"
       "    Debug.Print 1\nEnd Sub\n",
       "neither re-raises"},
  };
  for (const auto& [text, problem] : wrong)
    EXPECT_NE(lib::HandlerProblems(pftest::CrLf(text), "C", true).find(problem), std::string::npos) << text;
}

}  // namespace

namespace {

// A misspelt condition name is never set, so its code silently never appears (or always
// does): every name the library tests must be one the generator sets, and every name the
// generator sets must change something in the library.
TEST(CodeLibConditions, AreExactlyTheOnesTheGeneratorSets) {
  // The conditions the builder sets from the server type, the integer keys and always, and
  // those of the switches in the profile key table.
  std::set<std::string> generator = {
      "Trans",      "Oracle",      "NonOracle",       "MSSQLSybase", "WithEvents",      "NoEvents",       "TransCOMP",
      "TransADO",   "TransAuto",   "ConnInConstrStr", "UseLinkFile", "LinkFileAddPath", "ConnInRegistry", "UseFaultnet",
      "NoFaultnet", "AddErrProps", "AddTestConn",     "StdRetVal",   "ProcGroup",       "WithEnums"};
  for (const MProfileKeys::Key& k : MProfileKeys::Keys())
    if (k.Cond) generator.insert(k.Cond);
  pf::CBlocks blocks;
  lib::LoadLibrary(blocks);
  std::set<std::string> used;
  const std::string text = lib::LibraryText();
  const std::regex marker(R"(('#Cond |'#CondNot |'#LCond |'#LCondNot )(\S*))");
  bool inBlock = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line.rfind("'#block ", 0) == 0) inBlock = true;
    if (line.rfind("'#endblock", 0) == 0) inBlock = false;
    if (!inBlock) continue;
    for (std::sregex_iterator it(line.begin(), line.end(), marker), stop; it != stop; ++it) {
      const std::string name = (*it)[2].str();
      EXPECT_TRUE(generator.count(name)) << "unknown condition \"" << name << "\" in: " << line;
      used.insert(name);
    }
  }
  // The transaction modes choose nothing in the text: whether the object runs inside a COM+
  // transaction is found out when the transaction begins.
  for (const std::string& name : generator) {
    if (name.rfind("Trans", 0) == 0 && name != "Trans") continue;
    EXPECT_TRUE(used.count(name)) << name << " changes nothing";
  }
}

}  // namespace
