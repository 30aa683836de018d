// The code library text itself: file format, the blocks the generator asks for, and the
// classes the blocks assemble into under hand-made condition lists and reference tables.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "LibraryTestUtil.h"
#include "codelib/CBlocks.h"
#include "errors/Faultnet31.h"
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

constexpr const char* kSecondHalfLine =
    "' ==== Batch mode, navigation, value formats, transactions, context and XML ====";

struct Scenario {
  const char* Name;
  int ConnSrcType;
  bool UseFaultnet;
  const char* Conditions;
};

const Scenario kScenarios[] = {
    {"desktop", 0, true,
     ",NonOracle,MSSQLSybase,NoEvents,Trans,TransADO,UseDefaultConn,UseFaultnet,ErrSaveToFile,AddErrProps,"
     "AddTestConn,StdRetVal,ProcGroup,WithEnums,TestConn,ADOVersion,IFaceClass,MethExecSPByName"},
    {"complus", 1, true,
     ",Oracle,COMP,IFaceObjectControl,IFaceObjectConstruct,ConnInConstrStr,UseFaultnet,ErrSaveToFile,"
     "ErrSaveToDB,UseConnStr4Err,AddErrProps,AddTestConn,WithEnums,WithEvents,MultiRS,Batch,ValFmt,Trans,TransCOMP"},
    {"registry", 3, false, ",NonOracle,NoEvents,ConnInRegistry,NoFaultnet,AddErrProps,AddTestConn,ExitOnError"},
    {"linkfile-path", 2, true,
     ",NonOracle,UseLinkFile,LinkFileAddPath,UseFaultnet,ErrSaveToEvtLog,ErrSaveToDB,AddErrProps,AddTestConn,"
     "WithEvents,COMP"},
    {"linkfile", 2, false, ",NonOracle,MSSQLSybase,UseLinkFile,NoFaultnet,AddErrProps,AddTestConn,NoEvents,WithEnums"},
};

class CodeLibTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pftest::InstallTestEnvironment();
    Faultnet31::Reset();
    lib::LoadLibrary(blocks);
  }
  void TearDown() override { Faultnet31::Reset(); }

  // The blocks of kAllBlocks, leaving out the optional ones whose condition the scenario
  // does not set, as the generator pairs them.
  static std::string BlocksFor(const Scenario& s) {
    const std::string conds = std::string(s.Conditions) + ",";
    auto has = [&](const char* c) { return conds.find(std::string(",") + c + ",") != std::string::npos; };
    std::string list = "DeclOption,Decl,SPListTitle,ExecSQL";
    if (has("MethExecSPByName")) list += ",MethExecSPByName";
    list += ",MethStd";
    if (has("ValFmt")) list += ",ValFmt";
    list += ",MethErrProps";
    for (const char* b : {"IFaceClass", "COMP", "IFaceObjectControl", "IFaceObjectConstruct", "Trans", "MultiRS", "Batch"}) {
      static const std::map<std::string, std::string> block = {
          {"COMP", "MethContext"}, {"Trans", "MethTrans"}, {"MultiRS", "MethRSNavigate"}, {"Batch", "MethBatch"}};
      if (has(b)) list += "," + (block.count(b) ? block.at(b) : std::string(b));
    }
    return list + ",StdPriv,MethHandleError";
  }

  std::string Assemble(const Scenario& s) {
    CRefValues refs = lib::HandMadeRefs("CShopDb", s.ConnSrcType);
    return blocks.GetBlocks(BlocksFor(s), s.Conditions, &refs);
  }

  CBlocks blocks;
};

TEST_F(CodeLibTextTest, FileIsSevenBitTextWithCrLfLineEnds) {
  const std::string text = lib::LibraryText();
  ASSERT_FALSE(text.empty()) << lib::LibraryPath();
  int line = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    ASSERT_LT(c, 128u) << "line " << line;
    if (c == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR on line " << line;
    } else if (c == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF on line " << line;
      ++line;
    }
  }
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(CodeLibTextTest, HoldsEveryBlockTheGeneratorAsksFor) {
  std::string names = std::string(kAllBlocks) + ",Preface,PubClsMembers,ParamDefPreface,CodeCheckConnectionAssigned";
  size_t start = 0;
  while (start <= names.size()) {
    size_t comma = names.find(',', start);
    std::string name = names.substr(start, comma - start);
    EXPECT_TRUE(blocks.HasBlock(name)) << name;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
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
  CRefValues refs = lib::HandMadeRefs("CShopDb", 0);
  const std::string preface = blocks.GetBlock("Preface", &refs);
  for (const char* part : {"CShopDb", "06 Dec 2026, 14:03", "Procforge", "Version 2.2 (2.2.0)", "Faultnet31.Bas"})
    EXPECT_NE(preface.find(part), std::string::npos) << part;
  const std::string module = blocks.GetBlock("ParamDefPreface", &refs);
  EXPECT_NE(module.find("CShopDb.ExecSPbyName"), std::string::npos);
  EXPECT_NE(module.find("Option Explicit"), std::string::npos);
}

TEST_F(CodeLibTextTest, SecondHalfBlocksFollowTheirDividingLine) {
  const std::string text = lib::LibraryText();
  const size_t divider = text.find(std::string(kSecondHalfLine) + "\r\n");
  ASSERT_NE(divider, std::string::npos);
  EXPECT_EQ(lib::Count(text, kSecondHalfLine), 1u);
  for (const char* name : {"MethBatch", "MethRSNavigate", "ValFmt", "MethTrans", "MethContext", "MethXML", "MethAdvXML"})
    EXPECT_GT(text.find(std::string("'#block ") + name + "\r\n"), divider) << name;
  for (const char* name : {"DeclOption", "Decl", "MethStd", "StdPriv", "MethHandleError", "MethErrProps", "ExecSQL"})
    EXPECT_LT(text.find(std::string("'#block ") + name + "\r\n"), divider) << name;
}

TEST_F(CodeLibTextTest, EveryScenarioResolvesCompletelyAndReportsErrorsCorrectly) {
  for (const Scenario& s : kScenarios) {
    SCOPED_TRACE(s.Name);
    const std::string cls = Assemble(s);
    EXPECT_EQ(cls.find("XX"), std::string::npos);
    for (const char* marker : {"'#Cond", "'#CondNot", "'#EndCond", "'#LCond", "'#block", "'#endblock"})
      EXPECT_EQ(cls.find(marker), std::string::npos) << marker;
    EXPECT_EQ(lib::HandlerProblems(cls, "CShopDb", s.UseFaultnet), "");
    // Exactly one error processing routine and one connection source reader at most.
    EXPECT_EQ(lib::Count(cls, "Private Sub HandleError("), 1u);
    EXPECT_LE(lib::Count(cls, "Private Sub ReadConnectionSource()"), 1u);
  }
}

TEST_F(CodeLibTextTest, ConditionsChooseTheVariants) {
  std::map<std::string, std::string> cls;
  for (const Scenario& s : kScenarios) cls[s.Name] = Assemble(s);

  // Error library: report lines and log sinks only with it.
  EXPECT_EQ(cls["registry"].find("ErrorIn "), std::string::npos);
  EXPECT_EQ(cls["registry"].find("ErrLog"), std::string::npos);
  EXPECT_EQ(lib::Count(cls["desktop"], "ErrLogToFile \"Errors.txt\""), 1u);
  EXPECT_EQ(cls["desktop"].find("ErrLogToDB"), std::string::npos);
  EXPECT_NE(cls["complus"].find("If Len(mConnectionString4Err) > 0 Then LogConn = mConnectionString4Err"), std::string::npos);
  EXPECT_NE(cls["complus"].find("ErrLogToDB LogConn, \"1\", \"spErrorLogInsert\""), std::string::npos);
  EXPECT_EQ(cls["linkfile-path"].find("LogConn = mConnectionString4Err"), std::string::npos);
  EXPECT_NE(cls["linkfile-path"].find("ErrLogToEventLog"), std::string::npos);

  // Connection sources: the registry API and the re-read before opening only where needed.
  const std::string reread = "If Len(mConnectionString) = 0 Then ReadConnectionSource";
  for (const char* name : {"desktop", "complus"}) {
    EXPECT_EQ(cls[name].find("RegOpenKeyEx"), std::string::npos) << name;
    EXPECT_EQ(cls[name].find("ReadConnectionSource"), std::string::npos) << name;
  }
  EXPECT_NE(cls["registry"].find("ReadConnectionFromRegistry \"SOFTWARE\\Shop\\Db\", \"ConnStr\", True"),
            std::string::npos);
  EXPECT_EQ(lib::Count(cls["registry"], reread), 1u);
  EXPECT_EQ(lib::Count(cls["linkfile"], reread), 1u);
  EXPECT_NE(cls["linkfile"].find("mConnectionString = \"File Name=\" & \"Shop.udl\""), std::string::npos);
  EXPECT_EQ(cls["linkfile"].find("App.Path"), std::string::npos);
  EXPECT_NE(cls["linkfile-path"].find("mConnectionString = \"File Name=\" & Folder & \"Shop.udl\""), std::string::npos);
  // The default connection string keeps its doubled quotes inside the literal.
  EXPECT_NE(cls["desktop"].find("CurrentConnectionString = \"Provider=SQLOLEDB;Data Source=srv;Extended Properties=\"\"a\"\"\""),
            std::string::npos);
  EXPECT_EQ(cls["complus"].find("Extended Properties"), std::string::npos);

  // Events and COM+ interfaces.
  EXPECT_NE(cls["complus"].find("Private WithEvents mRecordset As ADODB.Recordset"), std::string::npos);
  EXPECT_EQ(lib::Count(cls["complus"], "Public Event "), 7u);
  EXPECT_EQ(cls["desktop"].find("RaiseEvent"), std::string::npos);
  EXPECT_EQ(cls["desktop"].find("Event "), std::string::npos);
  EXPECT_NE(cls["complus"].find("Implements ObjectControl"), std::string::npos);
  EXPECT_NE(cls["complus"].find("Implements IObjectConstruct"), std::string::npos);
  EXPECT_EQ(cls["desktop"].find("Implements"), std::string::npos);

  // SQL Server and Sybase only: procedure groups and the return value check.
  EXPECT_NE(cls["desktop"].find("Public ProcGroup As Long"), std::string::npos);
  EXPECT_NE(cls["desktop"].find("&H80041009"), std::string::npos);
  EXPECT_EQ(cls["complus"].find("ProcGroup"), std::string::npos);
  EXPECT_EQ(cls["complus"].find("&H80041009"), std::string::npos);
  // The return value parameter of by-name calls exists only where procedures return one.
  EXPECT_NE(cls["desktop"].find("AddParam RETURN_VALUE, adInteger, adParamReturnValue"), std::string::npos);
  EXPECT_EQ(cls["complus"].find("AddParam RETURN_VALUE"), std::string::npos);

  // Calls into the second half only where their blocks are in the class.
  EXPECT_NE(cls["complus"].find("BatchTranslateCommand CommandText, CommandType"), std::string::npos);
  EXPECT_NE(cls["complus"].find("Then SkipClosedRecordsets"), std::string::npos);
  EXPECT_EQ(cls["desktop"].find("BatchTranslateCommand"), std::string::npos);
  EXPECT_EQ(cls["desktop"].find("SkipClosedRecordsets"), std::string::npos);
  EXPECT_NE(cls["desktop"].find("        SetAbort\r\n"), std::string::npos);
  EXPECT_NE(cls["linkfile-path"].find("If InCOMPlusTransaction Then GetObjectContext.SetAbort"), std::string::npos);
  EXPECT_EQ(cls["registry"].find("SetAbort"), std::string::npos);
  EXPECT_EQ(cls["registry"].find("DisableCommit\r\n"), std::string::npos);
}

// The option constants, read back from both forms the class can declare them in.
TEST_F(CodeLibTextTest, OptionConstantsHaveTheirValuesInBothForms) {
  const std::map<std::string, long> expected = {
      {"PFGO_ERR_RAISE", 1},           {"PFGO_ERR_SETABORT", 2},     {"PFGO_ERR_DISABLECOMMIT", 4},
      {"PFGO_STRLEN_RAISE", 16},       {"PFGO_STRLEN_TRIM", 32},     {"PFGO_NULL_EMPTYSTR", 64},
      {"PFGO_NULL_ZERODATE", 128},     {"PFGO_AUTO_CONNCLOSE", 256}, {"PFGO_AUTO_CONNRELEASE", 512},
      {"PFGO_AUTO_DISCONNECT_RSET", 1024}, {"PFGO_AUTO_SKIPCLOSED", 2048}, {"PFGO_AUTO_CHKRETVAL", 4096}};
  const std::regex decl(R"((?:Private Const )?(PFGO_\w+)(?: As Long)? = (\d+)\r)");
  CRefValues refs = lib::HandMadeRefs("C", 0);
  for (const char* conds : {",WithEnums", ",NoEnums"}) {
    SCOPED_TRACE(conds);
    const std::string text = blocks.GetBlocks("DeclOption", conds, &refs);
    std::map<std::string, long> found;
    for (std::sregex_iterator it(text.begin(), text.end(), decl), end; it != end; ++it)
      EXPECT_TRUE(found.emplace((*it)[1].str(), std::stol((*it)[2].str())).second) << (*it)[1];
    ASSERT_EQ(found.size(), expected.size() + 1);
    long used = 0;
    for (const auto& [name, value] : expected) {
      EXPECT_EQ(found[name], value) << name;
      used |= value;
    }
    // The asynchronous wait flag has a bit of its own, clear of the other options and of
    // the internal flags (&H01000000 and up).
    const long wait = found["PFGO_ASYNC_WAIT"];
    EXPECT_GT(wait, 0);
    EXPECT_EQ(wait & (wait - 1), 0) << "one bit";
    EXPECT_EQ(wait & used, 0);
    EXPECT_LT(wait, 0x01000000);
  }
}

// Error numbers and their messages, as applications see them.
TEST_F(CodeLibTextTest, ErrorNumbersGoWithTheirMessages) {
  const Scenario all = {"all", 3, true,
                        ",NonOracle,MSSQLSybase,StdRetVal,ConnInRegistry,UseFaultnet,AddErrProps,MethExecSPByName"};
  const std::string cls = Assemble(all);
  const std::pair<const char*, const char*> expected[] = {
      {"&H80041004", "\"Connection information is not provided.\""},
      {"&H80041005", "\"Failed to open Registry subkey \""},
      {"&H80041005", "\"Failed to read registry value.\""},
      {"&H80041005", "\"Failed to close registry subkey\""},
      {"&H80041005", "\"Registry string is empty.\""},
      {"&H80041006",
       "\"Number of parameters values is inconsistent with Params Definition String. In def. string: \" & "
       "CStr(NumDefs) & \"; Provided in values array: \" & CStr(NumValues)"},
      {"&H80041007", "\"Invalid parameter definition for parameter #\" & CStr(I + 1) & \": \" & Defs(I)"},
      {"&H80041009", "\"Stored procedure returned non-zero value: \" & CStr(RetVal)"},
      {"&H8004100A", "\"Size of Parameter \" & PName & \" exceedes max specified (\" & CStr(PSize) & \")\""},
  };
  const auto statements = lib::Statements(cls);
  for (const auto& [number, message] : expected) {
    bool found = false;
    for (const auto& st : statements)
      found = found || (st.Text.find(number) != std::string::npos && st.Text.find(message) != std::string::npos);
    EXPECT_TRUE(found) << number << " " << message;
  }
  // Check raises with the source "Check".
  EXPECT_NE(cls.find("If Not Cond Then Err.Raise Number, \"Check\", Message"), std::string::npos);
}

}  // namespace

namespace {

// Index of the first statement of Body from From on that begins with Start, or -1.
int IndexOf(const lib::Procedure& P, const std::string& Start, int From = 0) {
  for (size_t i = static_cast<size_t>(From); i < P.Body.size(); ++i)
    if (P.Body[i].Text.rfind(Start, 0) == 0) return static_cast<int>(i);
  return -1;
}

const lib::Procedure* Find(const std::vector<lib::Procedure>& Procs, const std::string& Name) {
  for (const auto& p : Procs)
    if (p.Name == Name) return &p;
  return nullptr;
}

// Rules of the run-time code that keep data from being lost or mixed up.
TEST_F(CodeLibTextTest, RuntimeKeepsDataIntactInItsEdgeCases) {
  const Scenario s = {"all", 3, true,
                      ",NonOracle,MSSQLSybase,StdRetVal,ConnInRegistry,UseFaultnet,AddErrProps,MethExecSPByName,"
                      "Trans,ExitOnError"};
  const std::string cls = Assemble(s);
  const auto procs = lib::Procedures(cls);

  // Placeholders are filled from the highest number down, so that %1 never takes the
  // beginning of %10 (with ten or more values).
  const lib::Procedure* fill = Find(procs, "SQLInsertValues");
  ASSERT_NE(fill, nullptr);
  EXPECT_GE(IndexOf(*fill, "For I = UBound(Values) To LBound(Values) Step -1"), 0);
  EXPECT_GE(IndexOf(*fill, "S = Replace(S, vbBack & CStr(I - LBound(Values) + 1), "), 0);

  // A string parameter without a size (long text types) is never cut or refused.
  const lib::Procedure* add = Find(procs, "AddParam");
  ASSERT_NE(add, nullptr);
  EXPECT_GE(IndexOf(*add, "ElseIf PSize > 0 And Len(V) > PSize Then"), 0);
  // Trimming wins over refusing.
  EXPECT_LT(IndexOf(*add, "If (mOptions And PFGO_STRLEN_TRIM) <> 0 Then"),
            IndexOf(*add, "ElseIf (mOptions And PFGO_STRLEN_RAISE) <> 0 Then"));

  // Parameters collected for a failed ExecSQL, or left behind by another call, never
  // reach the next ExecSQL.
  const lib::Procedure* exec = Find(procs, "ExecSQL");
  ASSERT_NE(exec, nullptr);
  EXPECT_GE(IndexOf(*exec, "mOptions = mOptions And Not OPT_SQL_PARAMS", IndexOf(*exec, "errHandler:")), 0);
  const lib::Procedure* init = Find(procs, "InitCommand");
  ASSERT_NE(init, nullptr);
  EXPECT_GE(IndexOf(*init, "mOptions = mOptions And Not OPT_SQL_PARAMS"), 0);

  // The error processing cannot run into itself (SetAbort failing inside it), and votes
  // against the transaction before it records the error, since public members return
  // at once while an error is recorded.
  const lib::Procedure* handle = Find(procs, "HandleError");
  ASSERT_NE(handle, nullptr);
  const int guard = IndexOf(*handle, "If mInHandleError Then Exit Sub");
  EXPECT_GE(guard, 0);
  EXPECT_LT(guard, IndexOf(*handle, "ErrNumber = Err.Number"));
  EXPECT_LT(IndexOf(*handle, "SetAbort"), IndexOf(*handle, "mErrNumber = ErrNumber"));
  EXPECT_LT(IndexOf(*handle, "mInHandleError = False"), IndexOf(*handle, "If CanRaise And"));
  // Public members return at once while an error is recorded when the class is disabled
  // on errors, so the class's own code reads the connection strings directly.
  for (const lib::Procedure* p : {handle, Find(procs, "OpenConnection")}) {
    ASSERT_NE(p, nullptr);
    for (const auto& st : p->Body) EXPECT_EQ(st.Text.find("= ConnectionString"), std::string::npos) << st.Text;
    EXPECT_EQ(IndexOf(*p, "mConnection.Open ConnectionString"), -1);
  }

  // An empty registry value (length 0) is the "empty" failure, not a run-time error, and
  // the key is closed when its value cannot be read.
  const lib::Procedure* reg = Find(procs, "ReadConnectionFromRegistry");
  ASSERT_NE(reg, nullptr);
  EXPECT_GE(IndexOf(*reg, "If BufLen > 0 Then S = Trim$(Left$(Buffer, BufLen - 1))"), 0);
  EXPECT_EQ(IndexOf(*reg, "RegCloseKey hKey") + 1, IndexOf(*reg, "Check False, &H80041005, \"Failed to read registry value.\""));

  // Return value checks only where the procedure has one.
  const lib::Procedure* run = Find(procs, "Execute");
  ASSERT_NE(run, nullptr);
  EXPECT_LT(IndexOf(*run, "If mCommand.Parameters(0).Direction = adParamReturnValue Then"),
            IndexOf(*run, "Check RetVal = 0, &H80041009,"));
}

}  // namespace

namespace {

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

  auto problems = [](const std::string& text) { return lib::HandlerProblems(pftest::CrLf(text), "C", true); };
  const std::string head = "Public Function A(ByVal X As Long, Y) As Boolean\n    On Error GoTo errHandler\nerrHandler:\n";
  EXPECT_NE(problems(head + "    ErrorIn \"C.A(Y,X)\", Array(X, Y), EA_PUBLIC\n    HandleError\nEnd Function\n")
                .find("reports itself as \"C.A(Y,X)\""),
            std::string::npos);
  EXPECT_NE(problems(head + "    ErrorIn \"C.A(X,Y)\", Array(Y, X), EA_PUBLIC\n    HandleError\nEnd Function\n")
                .find("passes the arguments"),
            std::string::npos);
  EXPECT_NE(problems(head + "    ErrorIn \"C.A(X,Y)\", Array(X, Y), 43\n    HandleError\nEnd Function\n")
                .find("EA_PUBLIC"),
            std::string::npos);
  EXPECT_NE(problems(head + "    ErrorIn \"C.A(X,Y)\", Array(X, Y), EA_PUBLIC\nEnd Function\n").find("instead of HandleError"),
            std::string::npos);
  EXPECT_NE(problems(head + "    HandleError\nEnd Function\n").find("0 error report lines"), std::string::npos);
  EXPECT_NE(problems("Public Sub S()\n    On Error GoTo errHandler\n    On Error Resume Next\nerrHandler:\n"
                     "    ErrorIn \"C.S\", , EA_PUBLIC\n    HandleError\nEnd Sub\n")
                .find("2 On Error lines"),
            std::string::npos);
  EXPECT_NE(problems("Private Sub P()\n    On Error GoTo errHandler\nerrHandler:\n    ErrorIn \"C.P\", , EA_PUBLIC\n"
                     "    Debug.Print 1\nEnd Sub\n")
                .find("neither re-raises"),
            std::string::npos);
}

}  // namespace

namespace {

// A misspelt condition name is never set, so its code silently never appears (or always
// does): every name the library tests must be one the generator sets, and every name the
// generator sets must change something in the library.
TEST(CodeLibConditions, AreExactlyTheOnesTheGeneratorSets) {
  const std::set<std::string> generator = {
      "MethExecSPByName", "ValFmt", "TestConn", "ADOVersion", "IFaceClass", "COMP", "IFaceObjectControl",
      "IFaceObjectConstruct", "Trans", "Batch", "Oracle", "NonOracle", "MSSQLSybase", "WithEvents", "NoEvents",
      "MultiRS", "TransCOMP", "TransADO", "TransAuto", "ConnInConstrStr", "UseLinkFile", "LinkFileAddPath",
      "ConnInRegistry", "UseDefaultConn", "UseFaultnet", "NoFaultnet", "ErrSaveToFile", "ErrSaveToDB",
      "ErrSaveToEvtLog", "UseConnStr4Err", "AddErrProps", "ExitOnError", "AddTestConn", "StdRetVal", "ProcGroup",
      "WithEnums"};
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
  // The COM+ transaction mode is what remains when neither other mode is set.
  for (const std::string& name : generator)
    if (name != "TransCOMP") EXPECT_TRUE(used.count(name)) << name << " changes nothing";
}

}  // namespace
