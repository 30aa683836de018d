// The runtime blocks for batch mode, navigation, value formats, transactions, the COM+
// context and XML output, as the block engine cuts them out of the shipped library.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "LibraryTestUtil.h"
#include "GenerateTestUtil.h"
#include "codelib/CBlocks.h"
#include "errors/Faultnet31.h"
#include "support/TestEnv.h"
#include "vbcheck/VBCheck.h"

using namespace pf;
namespace lib = pftest::lib;

namespace {

// MethStd carries the result-set members that Execute and the XML members need.
constexpr const char* kBlocks = "MethStd,MethBatch,MethRSNavigate,ValFmt,MethTrans,MethContext,MethXML,MethAdvXML";
constexpr const char* kTSql = ",Batch,NonOracle,MSSQLSybase,ProcGroup,StdRetVal,WithEvents,UseFaultnet";
constexpr const char* kOracle = ",Batch,Oracle,NoEvents,UseFaultnet";

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }
bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

class RuntimePart2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    pftest::InstallTestEnvironment();
    Faultnet31::Reset();
    lib::LoadLibrary(blocks);
    refs = lib::HandMadeRefs("CTest", 0);
  }
  void TearDown() override { Faultnet31::Reset(); }

  std::string Get(const std::string& names, const std::string& conditions) {
    return blocks.GetBlocks(names, conditions, &refs);
  }
  // The statements of one procedure (continuation lines joined, empty and comment lines
  // left out), one per line; empty when the blocks do not define it.
  std::string Proc(const std::string& names, const std::string& conditions, const std::string& kindAndName) {
    const std::string text = Get(names, conditions);
    for (const lib::Procedure& p : lib::Procedures(text)) {
      if (p.Kind + " " + p.Name != kindAndName) continue;
      std::string body;
      for (const lib::Statement& st : p.Body)
        if (!st.Text.empty() && st.Text[0] != '\'') body += st.Text + "\n";
      return body;
    }
    return {};
  }

  CBlocks blocks;
  CRefValues refs;
};

// The interface applications and the rest of the class rely on, with every block and
// condition of these members set.
TEST_F(RuntimePart2Test, EveryMemberIsThereWithItsScope) {
  const std::string text = Get(kBlocks, std::string(kTSql) + ",MultiRS,ValFmt,Trans,TransAuto,COMP");
  std::map<std::string, std::string> scopes;
  for (const lib::Procedure& p : lib::Procedures(text)) {
    EXPECT_TRUE(scopes.emplace(p.Kind + " " + p.Name, p.Scope).second) << "twice: " << p.Name;
  }
  const std::pair<const char*, const char*> expected[] = {
      {"Function BatchBegin", "Public"},           {"Function BatchDeclareVar", "Public"},
      {"Property Get BatchText", "Public"},        {"Property Get BatchActive", "Public"},
      {"Function BatchExec", "Public"},            {"Function BatchCancel", "Public"},
      {"Sub BatchTranslateCommand", "Private"},    {"Function BatchParamValueAsString", "Private"},
      {"Function BatchVarOf", "Private"},          {"Function MoveFirst", "Public"},
      {"Function MoveLast", "Public"},             {"Function MoveNext", "Public"},
      {"Function MovePrevious", "Public"},         {"Property Get EOF", "Public"},
      {"Property Get BOF", "Public"},              {"Property Get RecordCount", "Public"},
      {"Property Get HasRecords", "Public"},       {"Function SelectNextRecordset", "Public"},
      {"Function SkipClosedRecordsets", "Public"}, {"Function ValueFmt", "Public"},
      {"Function FormatOf", "Public"},             {"Sub FormatSet", "Public"},
      {"Sub FormatsClear", "Public"},              {"Sub FormatRemove", "Private"},
      {"Function BeginTransaction", "Public"},     {"Function SetComplete", "Public"},
      {"Function SetAbort", "Public"},             {"Function InCOMPlusTransaction", "Private"},
      {"Function DisableCommit", "Private"},       {"Function xmlGetRecordset", "Public"},
      {"Function xmlGetData", "Public"},           {"Function xmlGetDataAll", "Public"},
      {"Function xmlGetDataAdv", "Public"},
  };
  for (const auto& [member, scope] : expected) {
    ASSERT_TRUE(scopes.count(member)) << member;
    EXPECT_EQ(scopes[member], scope) << member;
  }
  // BatchTranslateCommand is called by Execute as (CommandText, CommandType).
  EXPECT_TRUE(Has(text, "Private Sub BatchTranslateCommand(ByVal CommandText As String, ByVal CommandType As Long)"));
}

TEST_F(RuntimePart2Test, BatchTextFollowsTheServerDialect) {
  const std::string tsql = Get("MethBatch", kTSql);
  const std::string ora = Get("MethBatch", kOracle);

  // Declarations: T-SQL declares and SETs; PL/SQL declares with ":=".
  EXPECT_TRUE(Has(tsql, "\"Declare \" & VarName & \" \" & VarType & \";\" & vbCrLf"));
  EXPECT_TRUE(Has(tsql, "\"SET \" & VarName & \" = \" & InitialValue & \";\" & vbCrLf"));
  EXPECT_FALSE(Has(tsql, "\" := \""));
  EXPECT_TRUE(Has(ora, "mBatchDecl = mBatchDecl & VarName & \" \" & VarType\r\n"));
  EXPECT_TRUE(Has(ora, "\" := \" & InitialValue"));
  EXPECT_FALSE(Has(ora, "\"SET \""));

  // Calls: EXEC with OUTPUT variables and the procedure group, or a bare PL/SQL call.
  EXPECT_TRUE(Has(tsql, "\"EXEC \" & CommandText & sArgs & \";\" & vbCrLf"));
  EXPECT_TRUE(Has(tsql, "sArg = sArg & \" OUTPUT\""));
  EXPECT_TRUE(Has(tsql, "CommandText = CommandText & \";\" & ProcGroup"));
  EXPECT_TRUE(Has(ora, "mBatchBody = mBatchBody & CommandText & sArgs & \";\" & vbCrLf"));
  for (const char* tsqlOnly : {"EXEC", "\" OUTPUT\"", "ProcGroup", "Declare \" & VarName"})
    EXPECT_FALSE(Has(ora, tsqlOnly)) << tsqlOnly;

  // The whole text: a PL/SQL block, with "Null;" when it has no statements.
  const std::string tsqlText = Proc("MethBatch", kTSql, "Property Get BatchText");
  const std::string oraText = Proc("MethBatch", kOracle, "Property Get BatchText");
  EXPECT_TRUE(Has(tsqlText, "BatchText = mBatchDecl & mBatchBody\n"));
  EXPECT_FALSE(Has(tsqlText, "Begin"));
  EXPECT_TRUE(Has(oraText, "If Len(mBatchDecl) > 0 Then BatchText = \"Declare \" & mBatchDecl\n"));
  EXPECT_TRUE(Has(oraText, "BatchText = BatchText & \"Begin \" & vbCrLf & mBatchBody & \"End;\"\n"));
  EXPECT_TRUE(Has(oraText, "BatchText = BatchText & \"Begin \" & vbCrLf & \"Null;\" & \"End;\"\n"));

  // Without a server type condition neither dialect is left: the blocks need one.
  EXPECT_FALSE(Has(Get("MethBatch", ",Batch"), "mBatchDecl = mBatchDecl &"));
}

TEST_F(RuntimePart2Test, BatchArgumentsSkipTheReturnValue) {
  // T-SQL: the first parameter is the return value; the arguments start at the second.
  const std::string tsql = Proc("MethBatch", kTSql, "Sub BatchTranslateCommand");
  EXPECT_TRUE(Has(tsql, "For I = 1 To mCommand.Parameters.Count - 1\n"));
  EXPECT_TRUE(Has(tsql, "sSep = \" \"\n"));
  EXPECT_TRUE(Has(tsql, "ElseIf P.Direction = adParamOutput Or P.Direction = adParamInputOutput Then\n"
                        "sArg = sArg & \" OUTPUT\"\n"));
  // PL/SQL: all parameters but a return value (which ExecSPbyName always adds), in
  // parentheses that are left out when there is no argument.
  const std::string ora = Proc("MethBatch", kOracle, "Sub BatchTranslateCommand");
  EXPECT_TRUE(Has(ora, "For I = 0 To mCommand.Parameters.Count - 1\n"));
  EXPECT_TRUE(Has(ora, "If P.Direction <> adParamReturnValue Then\n"));
  EXPECT_TRUE(Has(ora, "sSep = \"(\"\n"));
  EXPECT_TRUE(Has(ora, "If Len(sArgs) > 0 Then sArgs = sArgs & \")\"\n"));
  // Text commands are appended as they are.
  EXPECT_TRUE(Has(tsql, "If CommandType <> adCmdStoredProc Then\nmBatchBody = mBatchBody & CommandText & \";\" & vbCrLf\n"));
}

// The literal a parameter value becomes: each ADO type code in its rule, nothing else.
TEST_F(RuntimePart2Test, BatchLiteralsFollowTheTypeRules) {
  for (const char* conds : {kTSql, kOracle}) {
    SCOPED_TRACE(conds);
    const std::string body = Proc("MethBatch", conds, "Function BatchParamValueAsString");
    ASSERT_FALSE(body.empty());
    EXPECT_TRUE(Has(body, "If IsNull(V) Or IsEmpty(V) Or P.Direction = adParamOutput Then\n"
                          "BatchParamValueAsString = \"Null\"\n"));
    EXPECT_TRUE(Has(body, "Case 2, 3, 4, 5, 6, 14, 16, 17, 18, 19, 20, 21, 131\n"
                          "BatchParamValueAsString = Trim$(Str$(V))\n"));
    EXPECT_TRUE(Has(body, "Case 8, 129, 130, 200, 201, 202, 203, 72\n"
                          "BatchParamValueAsString = BatchQuote(CStr(V))\n"));
    EXPECT_TRUE(Has(body, "Case 11\nIf CBool(V) Then BatchParamValueAsString = \"1\" Else BatchParamValueAsString = \"0\"\n"));
    EXPECT_TRUE(Has(body, "Case Else\nCheck False, &H80041008, \"Parameter type is not supported in batch mode. \"\n"));
    EXPECT_TRUE(Has(body, "Case 7, 133, 134, 135\n"));
  }
  // Dates: the profile's picture for Oracle, a form that T-SQL servers read the same way
  // whatever their language and date format.
  EXPECT_TRUE(Has(Proc("MethBatch", kOracle, "Function BatchParamValueAsString"),
                  "Case 7, 133, 134, 135\nBatchParamValueAsString = BatchQuote(Format$(CDate(V), \"DD-MON-YYYY\"))\n"));
  EXPECT_TRUE(Has(Proc("MethBatch", kTSql, "Function BatchParamValueAsString"),
                  "Case 7, 133, 134, 135\nBatchParamValueAsString = BatchQuote(Format$(CDate(V), \"yyyymmdd hh\\:nn\\:ss\"))\n"));
  // Quoting doubles the apostrophes inside.
  EXPECT_TRUE(Has(Proc("MethBatch", kTSql, "Function BatchQuote"), "BatchQuote = \"'\" & Replace(Text, \"'\", \"''\") & \"'\"\n"));
}

// A refused BatchDeclareVar changes nothing: every name is checked before the declaration
// is written or any name is bound, names repeated within one call included.
TEST_F(RuntimePart2Test, BatchBindingIsCheckedBeforeAnythingChanges) {
  for (const char* conds : {kTSql, kOracle}) {
    SCOPED_TRACE(conds);
    const std::string body = Proc("MethBatch", conds, "Function BatchDeclareVar");
    const size_t active = body.find("Check BatchActive, &H80041002, \"Batch mode is not active\"");
    const size_t bound = body.find("Check Not Bound, &H80041003, \"Parameter \" & Names(I) & "
                                   "\" is already assigned for substitue by another batch variable.\"");
    const size_t declared = body.find("mBatchDecl = mBatchDecl &");
    const size_t added = body.find("mBatchVars.Add VarName, LCase$(Names(I))");
    ASSERT_NE(active, std::string::npos);
    ASSERT_NE(bound, std::string::npos);
    ASSERT_NE(declared, std::string::npos);
    ASSERT_NE(added, std::string::npos);
    EXPECT_LT(active, bound);
    EXPECT_LT(bound, declared);
    EXPECT_LT(declared, added);
    EXPECT_TRUE(Has(body, "If LCase$(Names(J)) = LCase$(Names(I)) Then Bound = True\n"));
    // Without a list the variable stands for the parameter of its own name.
    EXPECT_TRUE(Has(body, "If Len(Trim$(UseForParams)) = 0 Then UseForParams = VarName\n"));
  }
  // Variables are looked up by the lower-cased parameter name; none bound gives empty.
  const std::string varOf = Proc("MethBatch", kTSql, "Function BatchVarOf");
  EXPECT_TRUE(Has(varOf, "On Error Resume Next\nBatchVarOf = mBatchVars(LCase$(Trim$(ParamName)))\n"));
  // BatchExec leaves batch mode before it runs the text, so Execute really executes it.
  const std::string exec = Proc("MethBatch", kTSql, "Function BatchExec");
  EXPECT_LT(exec.find("Check BatchActive, &H80041002, \"Batch mode is not ON\""),
            exec.find("mOptions = mOptions And Not OPT_BATCH_MODE"));
  EXPECT_LT(exec.find("mOptions = mOptions And Not OPT_BATCH_MODE"), exec.find("Execute BatchText, adCmdText"));
}

TEST_F(RuntimePart2Test, EveryConditionSetResolvesAndReportsUnderTheMembersOwnNames) {
  for (const char* conds :
       {",Batch,NonOracle,MSSQLSybase,ProcGroup,WithEvents,MultiRS,ValFmt,Trans,TransAuto,COMP,UseFaultnet",
        ",Batch,NonOracle,MSSQLSybase,NoEvents,Trans,TransADO,NoFaultnet,ExitOnError",
        ",Batch,Oracle,WithEvents,MultiRS,Trans,TransCOMP,COMP,UseFaultnet", ",Oracle,NoEvents,Trans,TransAuto,NoFaultnet"}) {
    SCOPED_TRACE(conds);
    const bool faultnet = Has(conds, ",UseFaultnet");
    const std::string text = Get(kBlocks, conds);
    EXPECT_FALSE(Has(text, "XX"));
    for (const char* marker : {"'#Cond", "'#EndCond", "'#LCond", "'#block", "'#endblock"})
      EXPECT_FALSE(Has(text, marker)) << marker;
    EXPECT_EQ(lib::HandlerProblems(text, "CTest", faultnet), "");
    EXPECT_EQ(Has(text, "ErrorIn "), faultnet);
  }
}

TEST_F(RuntimePart2Test, ErrorNumbersGoWithTheirMessages) {
  const std::string text = Get(kBlocks, std::string(kTSql) + ",MultiRS") + Get(kBlocks, kOracle);
  const std::pair<const char*, const char*> expected[] = {
      {"&H80041002", "\"Batch mode is not ON\""},
      {"&H80041002", "\"Batch mode is not active\""},
      {"&H80041003", "\"Parameter \" & Names(I) & \" is already assigned for substitue by another batch variable.\""},
      {"&H80041008", "\"Parameter type is not supported in batch mode. \""},
      {"&H8004100B", "\"Invalid node specification: Missing closing ')'\""},
  };
  const auto statements = lib::Statements(text);
  for (const auto& [number, message] : expected) {
    bool found = false;
    for (const auto& st : statements)
      found = found || (Has(st.Text, number) && Has(st.Text, message));
    EXPECT_TRUE(found) << number << " " << message;
  }
}

TEST_F(RuntimePart2Test, TransactionVariants) {
  auto begin = [&](const char* conds) { return Proc("MethTrans", conds, "Function BeginTransaction"); };
  // Through the connection: always a transaction of its own, the context never asked.
  const std::string ado = begin(",Trans,TransADO,COMP");
  EXPECT_EQ(lib::Count(ado, "mConnection.BeginTrans\nmOptions = mOptions Or OPT_OWN_TRANS\n"), 1u);
  EXPECT_FALSE(Has(ado, "InCOMPlusTransaction"));
  // Through COM+: the connection only takes part in the COM+ transaction.
  const std::string comp = begin(",Trans,TransCOMP,COMP");
  EXPECT_FALSE(Has(comp, ".BeginTrans"));
  EXPECT_TRUE(Has(comp, "OpenConnection\n"));
  // Detected at run time: a transaction of its own unless COM+ already runs one; without
  // COM+ support there is no context to ask.
  EXPECT_TRUE(Has(begin(",Trans,TransAuto,COMP"),
                  "If Not InCOMPlusTransaction Then\nmConnection.BeginTrans\nmOptions = mOptions Or OPT_OWN_TRANS\nEnd If\n"));
  const std::string autoPlain = begin(",Trans,TransAuto");
  EXPECT_FALSE(Has(autoPlain, "InCOMPlusTransaction"));
  EXPECT_EQ(lib::Count(autoPlain, "mConnection.BeginTrans\n"), 1u);

  // Commit and roll back: the own transaction first, the context only with COM+ support.
  for (const char* member : {"Function SetComplete", "Function SetAbort"}) {
    SCOPED_TRACE(member);
    const std::string withComp = Proc("MethTrans", ",Trans,TransAuto,COMP", member);
    EXPECT_TRUE(Has(withComp, "If (mOptions And OPT_OWN_TRANS) <> 0 Then\n"));
    EXPECT_TRUE(Has(withComp, "ElseIf InCOMPlusTransaction Then\nGetObjectContext."));
    EXPECT_FALSE(Has(Proc("MethTrans", ",Trans,TransADO", member), "InCOMPlusTransaction"));
    EXPECT_FALSE(Has(Proc("MethTrans", ",Trans,TransAuto", member), "GetObjectContext"));
  }
  // A roll back that fails must not leave the flag set: the error processing calls
  // SetAbort again and would repeat the failing roll back.
  const std::string abort = Proc("MethTrans", ",Trans,TransADO", "Function SetAbort");
  EXPECT_TRUE(Has(abort, "mOptions = mOptions And Not OPT_OWN_TRANS\nmConnection.RollbackTrans\n"));
  EXPECT_TRUE(Has(Proc("MethTrans", ",Trans,TransADO", "Function SetComplete"),
                  "mConnection.CommitTrans\nmOptions = mOptions And Not OPT_OWN_TRANS\n"));
}

TEST_F(RuntimePart2Test, SeveralResultSetsOnlyWithMultiRS) {
  const std::string with = Get(kBlocks, ",NonOracle,MSSQLSybase,MultiRS,WithEvents");
  const std::string without = Get(kBlocks, ",NonOracle,MSSQLSybase,WithEvents");
  EXPECT_EQ(lib::Count(with, "Public Function SelectNextRecordset() As Boolean"), 1u);
  EXPECT_EQ(lib::Count(with, "Public Function SkipClosedRecordsets() As Boolean"), 1u);
  EXPECT_FALSE(Has(without, "SelectNextRecordset"));
  EXPECT_FALSE(Has(without, "SkipClosedRecordsets"));

  const std::string next = Proc(kBlocks, ",NonOracle,MultiRS,WithEvents", "Function SelectNextRecordset");
  EXPECT_TRUE(Has(next, "If mRecordset Is Nothing Then Exit Function\n"
                        "If mRecordset.ActiveConnection Is Nothing Then Exit Function\n"
                        "Set mRecordset = mRecordset.NextRecordset\n"
                        "If (mOptions And PFGO_AUTO_SKIPCLOSED) <> 0 Then SkipClosedRecordsets\n"
                        "RaiseEvent OnNextRecordset\n"
                        "SelectNextRecordset = Not mRecordset Is Nothing\n"));
  EXPECT_FALSE(Has(Proc(kBlocks, ",NonOracle,MultiRS,NoEvents", "Function SelectNextRecordset"), "RaiseEvent"));

  // xmlGetDataAll walks every result set, or takes the current one alone.
  const std::string allWith = Proc(kBlocks, ",NonOracle,MultiRS", "Function xmlGetDataAll");
  EXPECT_TRUE(Has(allWith, "If Not SkipClosedRecordsets Then Exit Do\n"));
  EXPECT_TRUE(Has(allWith, "If Not SelectNextRecordset Then Exit Do\nLoop\n"));
  const std::string allWithout = Proc(kBlocks, ",NonOracle", "Function xmlGetDataAll");
  EXPECT_TRUE(Has(allWithout, "I = I + 1\nExit Do\nLoop\n"));
}

TEST_F(RuntimePart2Test, ValueFormatsAreKeyedByFieldNameOrTypeCode) {
  const std::string key = Proc("ValFmt", ",ValFmt", "Function FormatKey");
  EXPECT_TRUE(Has(key, "If IsNumeric(FieldOrType) Then\nFormatKey = \"ADO:\" & CStr(CLng(FieldOrType))\nElse\n"
                       "FormatKey = LCase$(Trim$(FieldOrType))\n"));
  // Lookups and removals never fail.
  for (const char* member : {"Function FormatOf", "Sub FormatRemove"})
    EXPECT_TRUE(StartsWith(Proc("ValFmt", ",ValFmt", member), "On Error Resume Next\n")) << member;
}

TEST_F(RuntimePart2Test, NodeSpecificationsOfAdvancedXml) {
  const std::string adv = Proc("MethAdvXML", ",NonOracle", "Function xmlGetDataAdv");
  // Tokens: blanks dropped, each parenthesis made a token of its own.
  EXPECT_TRUE(Has(adv, "ZRowSpecs = Replace(Replace(Replace(ZRowSpecs, \" \", \"\"), \"(\", \"(,\"), \")\", \",)\")\n"
                       "Tokens = Split(ZRowSpecs, \",\")\n"));
  // The nesting is checked before the first row is read.
  EXPECT_LT(adv.find("Check Depth = 0, &H8004100B, \"Invalid node specification: Missing closing ')'\""),
            adv.find("Do Until mRecordset.EOF"));
  EXPECT_TRUE(Has(adv, "Check Depth >= 0, &H8004100B, \"Invalid node specification: Unexpected ')'\""));
  // Sources: the absolute position, the position from the start, a literal, or a field.
  EXPECT_TRUE(Has(adv, "If sSrc = \"#\" Then\nV = Pos\nElseIf sSrc = \"##\" Then\nV = Pos - StartPos + 1\n"
                       "ElseIf InStr(sSrc, \"'\") > 0 Then\nV = Replace(sSrc, \"'\", \"\")\nElse\nV = Value(sSrc)\n"));
  EXPECT_TRUE(Has(Proc("MethAdvXML", ",NonOracle,ValFmt", "Function xmlGetDataAdv"), "Else\nV = ValueFmt(sSrc)\nEnd If\n"));
}

}  // namespace

// Whole classes generated from the sample catalogues with the runtime features of these
// blocks switched on, checked as Visual Basic projects with the modules they depend on.
namespace {

struct Variant {
  const char* Name;
  bool COMPlus;
  int Trans;
  bool UseFaultnet;
  bool Events;
  bool RSMethods;
};

// The class of a sample profile with every feature of the second half on.
lib::Generated Generate(lib::Generator& gen, const std::string& sample, const Variant& v) {
  gen.LoadSample(sample);
  for (const char* k : {"ValFmt", "XMLBasic", "XMLAdvanced", "Batch", "MultipleRS", "AddExecSQL"})
    gen.Set("AddnlFunc", k, "True");
  gen.Set("AddnlFunc", "RSMethods", v.RSMethods ? "True" : "False");
  gen.Set("AddnlFunc", "Instancing", "2");
  gen.Set("AddnlFunc", "COMPlus", v.COMPlus ? "True" : "False");
  gen.Set("AddnlFunc", "COMPObjControl", v.COMPlus ? "True" : "False");
  gen.Set("AddnlFunc", "Trans", std::to_string(v.Trans));
  gen.Set("AddnlFunc", "EventsClass", v.Events ? "True" : "False");
  gen.Set("AddnlFunc", "BatchDateFmt", "YYYY-MM-DD");
  gen.Set("ErrHndl", "UseFaultnet", v.UseFaultnet ? "True" : "False");
  for (const char* k : {"AddStopOnError", "DisClassOnError", "LogToFile"}) gen.Set("ErrHndl", k, "True");
  for (const char* k : {"ErrSetAbort", "ErrDisCommit", "AutoSkipClosed", "ErrReraise"}) gen.Set("IniOptions", k, "True");
  return gen.Build("CRuntimeDB", sample + ": " + v.Name);
}

// Checker findings of a whole class, with name look-up: the class is checked together
// with every module it uses.
std::string Findings(const lib::Generated& g) {
  std::vector<std::string_view> deps(g.Dependencies.begin(), g.Dependencies.end());
  pf::VBCheckOptions options;
  options.NamesRead = true;
  return pf::FormatFindings(pf::CheckVB(g.Class, deps, options));
}

TEST(RuntimePart2ClassTest, EveryServerTypeWithTheSecondHalfOnPassesTheChecker) {
  const Variant variants[] = {
      {"COM+ transactions, error library, events", true, 1, true, true, true},
      {"connection transactions, own error processing", false, 2, false, false, true},
      {"transactions found at run time under COM+", true, 3, true, false, true},
      {"transactions found at run time without COM+", false, 3, false, true, true},
  };
  lib::Generator gen;
  gen.UseSnapshotCopies();
  for (const char* sample : {"access/Orders.PFG", "mssql/OrderEntry.PFG", "sybase/Orders.PFG", "oracle/Sales.PFG"}) {
    for (const Variant& v : variants) {
      const lib::Generated g = Generate(gen, sample, v);
      SCOPED_TRACE(g.Label);
      const std::string& cls = g.Class;
      EXPECT_EQ(Findings(g), "");
      EXPECT_EQ(lib::HandlerProblems(cls, "CRuntimeDB", v.UseFaultnet), "");
      // What these blocks bring is really there.
      for (const char* member : {"Public Function MoveFirst()", "Public Function ValueFmt(", "Public Sub FormatSet(",
                                 "Public Function BeginTransaction()", "Public Function xmlGetDataAll(",
                                 "Public Function xmlGetDataAdv("})
        EXPECT_EQ(lib::Count(cls, std::string("\r\n") + member), 1u) << member;
      const bool access = Has(sample, "access/");
      // Access has neither batches nor several result sets.
      EXPECT_EQ(lib::Count(cls, "\r\nPublic Function BatchExec()"), access ? 0u : 1u);
      EXPECT_EQ(lib::Count(cls, "\r\nPublic Function SelectNextRecordset()"), access ? 0u : 1u);
      EXPECT_EQ(Has(cls, "Private Function InCOMPlusTransaction()"), v.COMPlus);
      // Oracle batches write dates with the profile's picture.
      EXPECT_EQ(Has(cls, "BatchQuote(Format$(CDate(V), \"YYYY-MM-DD\"))"), Has(sample, "oracle/"));
    }
  }
}

// Several result sets without the navigation members: Execute and xmlGetDataAll still call
// SkipClosedRecordsets and SelectNextRecordset, so they must still be there.
TEST(RuntimePart2ClassTest, SeveralResultSetsWithoutNavigationPassTheChecker) {
  lib::Generator gen;
  const lib::Generated g = Generate(gen, "mssql/OrderEntry.PFG", {"no navigation", false, 2, true, true, false});
  EXPECT_EQ(Findings(g), "");
}

}  // namespace
