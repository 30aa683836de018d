// The class code builder: which blocks and conditions a profile selects, the reference
// table, the assembly and post-processing of the class text, the counters, the progress
// messages, and the procedure-methods step over the sample catalogues.

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>

#include "builder/BuilderTestEnv.h"
#include "support/Golden.h"
#include "builder/CCodeBuilder.h"
#include "codelib/CRefValues.h"
#include "base/NoCase.h"

namespace {

using namespace pf;
using namespace buildertest;
using pftest::Has;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kAllOffBlocks = ",DeclOption,Decl,MethStd,MethErrProps,StdPriv,MethHandleError";

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

  void Build() {
    RecordingDisplay display(progress);
    builder.BuildCode(*stt, progress, NumSPs, NumLines, NumChars);
    messages = display.Messages;
  }

  std::string Ref(const std::string& name) {
    const std::string* v = builder.RefValues().Find(name);
    return v ? *v : "<absent>";
  }

  CProgress progress;
  CCodeBuilder builder;
  int32_t NumSPs = -1, NumLines = -1, NumChars = -1;
  std::vector<std::string> messages;
};

TEST_F(CodeBuilderTest, AllSwitchesOffGiveTheAlwaysRowsAndAFormattedClass) {
  AllOff();
  Build();
  EXPECT_EQ(builder.BlockList(), kAllOffBlocks);
  EXPECT_EQ(builder.ConditionList(), ",NonOracle,NoEvents,NoFaultnet,AddErrProps,AddTestConn,WithEnums");
  EXPECT_EQ(NumSPs, 0);
  // The preface with its references, no members list, the blocks in list order; comment
  // marks "'#" become "'", empty lines go, one empty line follows every procedure, and
  // the connection check of the standard block resolves to nothing.
  const std::string expected = pftest::CrLf("'CTestDB - Procforge Version 2.2 (" PF_VERSION
                                            ")\n"
                                            "'Generated 06 Dec 2026, 14:03\n"
                                            "Option Explicit\n"
                                            "Private mConn As Object\n"
                                            "Private Const OPTS = 0\n"
                                            "Public Sub OpenConnection()\n"
                                            "    mConn.ConnectionTimeout = 15\n"
                                            "End Sub\n\n"
                                            "Private Sub B_MethErrProps()\n"
                                            "End Sub\n\n"
                                            "Private Sub B_StdPriv()\n"
                                            "End Sub\n\n"
                                            "Private Sub B_MethHandleError()\n"
                                            "End Sub");
  EXPECT_EQ(builder.ClassCode, expected);
  // The module body: the preface block (its last line break included), a line break and
  // the (here empty) definitions.
  EXPECT_EQ(builder.ParamDefsCode, "'Parameter definitions of CTestDB\r\n\r\n");
  EXPECT_EQ(NumChars, static_cast<int32_t>(expected.size()));
  EXPECT_EQ(NumLines, 17);  // 16 line breaks
  // Without procedures the server is never asked.
  EXPECT_THAT(messages,
              ElementsAre("Loading code library...", "Loading Source Code Library...", "Encrypting Code Library...",
                          "Assembling Code...", "Setting up error handlers..."));
}

TEST_F(CodeBuilderTest, AllSwitchesOnSelectEveryRowInTableOrder) {
  LoadSample("mssql/OrderEntry.PFG");
  AllOff();
  Set(*stt->xServer, "SrvrType", "1");
  for (const char* k : {"AddSPMethods", "AddExecSPByName"}) Set(*stt->xStoredProc, k, "True");
  for (const char* k :
       {"AddExecSQL", "ValFmt", "AddTestConn", "AddADOVersion", "ImplClassIFace", "COMPlus", "COMPObjControl",
        "COMPObjConstruct", "RSMethods", "Batch", "XMLBasic", "XMLAdvanced", "EventsClass", "MultipleRS"})
    Set(*stt->xAddnlFunc, k, "True");
  Set(*stt->xAddnlFunc, "Trans", "1");
  Set(*stt->xAddnlFunc, "ConnSrcType", "2");
  Set(*stt->xAddnlFunc, "LinkFileMode", "2");
  Set(*stt->xAddnlFunc, "LinkFile", "conn.udl");
  for (const char* k : {"UseFaultnet", "DisClassOnError", "LogToFile", "LogToDB", "LogToEvtLog", "LogInOtherDB"})
    Set(*stt->xErrHndl, k, "True");
  Set(*stt->xIniOptions, "ConnUseDft", "True");
  Set(*stt->xCode, "NoDBEnums", "True");
  Build();
  EXPECT_EQ(builder.BlockList(),
            ",DeclOption,Decl,SPListTitle,SPMethods,ExecSQL,MethExecSPByName,MethStd,ValFmt,MethErrProps,IFaceClass,"
            "MethContext,IFaceObjectControl,IFaceObjectConstruct,MethTrans,MethRSNavigate,MethBatch,MethXML,"
            "MethAdvXML,StdPriv,MethHandleError");
  EXPECT_EQ(builder.ConditionList(),
            ",Trans,MethExecSPByName,COMP,IFaceObjectControl,IFaceObjectConstruct,IFaceClass,Batch,MultiRS,ValFmt,"
            "TestConn,ADOVersion,ExitOnError,ErrSaveToEvtLog,ErrSaveToFile,ErrSaveToDB,UseConnStr4Err,UseDefaultConn,"
            "NonOracle,MSSQLSybase,WithEvents,TransCOMP,UseLinkFile,LinkFileAddPath,UseFaultnet,AddErrProps,"
            "AddTestConn,StdRetVal,ProcGroup");
  EXPECT_GT(NumSPs, 0);
  // Conditions reach the engine: the Faultnet declaration stays.
  EXPECT_THAT(builder.ClassCode, HasSubstr("Private Const USES_FAULTNET = True"));
  // The blocks follow the list: the procedure methods sit between the title and ExecSQL.
  const size_t title = builder.ClassCode.find("B_SPListTitle");
  const size_t exec = builder.ClassCode.find("B_ExecSQL");
  ASSERT_NE(title, std::string::npos);
  ASSERT_NE(exec, std::string::npos);
  EXPECT_LT(title, exec);
  EXPECT_LT(builder.ClassCode.find("B_MethAdvXML"), builder.ClassCode.find("B_StdPriv"));
}

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
  Set(*stt->xCode, "ClassFile", "C:\\Projects\\Out\\CSalesDB.v2.cls");
  Set(*stt->xServer, "ConnPfg", "Provider=X;Extended Properties=\"a=b\"");
  Set(*stt->xAddnlFunc, "COMPlus", "True");
  Set(*stt->xErrHndl, "UseFaultnet", "True");
  Set(*stt->xAddnlFunc, "XMLAdvanced", "True");
  Set(*stt->xIniOptions, "CurLocation", "1");
  Set(*stt->xIniOptions, "CurType", "3");
  Set(*stt->xIniOptions, "LockType", "2");
  Set(*stt->xIniOptions, "ConnTimeout", "25");
  Set(*stt->xIniOptions, "CmdTimeout", "90");
  Set(*stt->xIniOptions, "AsyncExec", "True");
  Set(*stt->xIniOptions, "AsyncFetchNonBlocking", "True");
  Set(*stt->xIniOptions, "ConnDftString", "Data Source=\"srv\";User ID=u");
  Set(*stt->xAddnlFunc, "BatchDateFmt", "YYYY-MM-DD");
  Set(*stt->xErrHndl, "LogFileName", "");
  Set(*stt->xErrHndl, "ErrLogSPName", "");
  Build();
  // The whole table, one "name=value" line each, in name order; the version is the build's.
  std::string table;
  for (const auto& [name, value] : builder.RefValues())
    table += name + "=" + (name == "ProcforgeVersion" ? std::string("Version 2.2 (PF_VERSION)") : value) + "\n";
  EXPECT_EQ(Ref("ProcforgeVersion"), "Version 2.2 (" PF_VERSION ")");
  pftest::ExpectGolden("references/CSalesDB.txt", table);
}

TEST_F(CodeBuilderTest, ReferenceDefaultsForEmptyNames) {
  AllOff();
  Set(*stt->xCode, "ClassFile", "");
  Set(*stt->xErrHndl, "LogFileName", "Log\\db.txt");
  Set(*stt->xErrHndl, "ErrLogSPName", "usp_Log");
  Build();
  // The class is still named in the header ("DBClass"), but its references say "clsName".
  EXPECT_EQ(Ref("ClassName"), "clsName");
  EXPECT_EQ(Ref("Dependencies"), "");
  EXPECT_EQ(Ref("ErrorFile"), "\"Log\\db.txt\"");
  EXPECT_EQ(Ref("ErrLogSpName"), "\"usp_Log\"");
  EXPECT_EQ(FirstLine(builder.ClassCode), "'clsName - Procforge Version 2.2 (" PF_VERSION ")");
}

TEST_F(CodeBuilderTest, LongOptionWordIsBrokenIntoContinuationLines) {
  AllOff();
  for (const char* k :
       {"ErrReraise", "ErrSetAbort", "ErrDisCommit", "StrLenRaise", "StrLenTrim", "NullForEmptyStr", "NullForZeroDate",
        "AutoConnClose", "AutoReleaseADO", "AutoDisconnRset", "AutoSkipClosed", "AutoCheckRetVal", "AsyncWait"})
    Set(*stt->xIniOptions, k, "True");
  Build();
  const std::string options = Ref("DefaultOptions");
  EXPECT_EQ(options.rfind("PFGO_ERR_RAISE + PFGO_ERR_SETABORT + ", 0), 0u);
  EXPECT_THAT(options, HasSubstr("+ _ \r\n    "));
  // Joined again, the text is the plain sum the settings model gives.
  std::string joined = options;
  for (size_t p; (p = joined.find(" _ \r\n    ")) != std::string::npos;) joined.erase(p, 9);
  EXPECT_EQ(joined, stt->DefaultOptionsSum());
  // The class keeps the broken statement as its own continuation lines.
  EXPECT_THAT(builder.ClassCode, HasSubstr("Private Const OPTS = PFGO_ERR_RAISE + "));
  EXPECT_THAT(builder.ClassCode, HasSubstr(" _\r\n    "));
}

TEST_F(CodeBuilderTest, RegistryErrorFlagIsALiteralEvenWhenAbsent) {
  AllOff();
  Set(*stt->xAddnlFunc, "ConnSrcType", "3");
  stt->xAddnlFunc->RemoveAttr("ErrIfRegFailed");
  Build();
  EXPECT_EQ(Ref("RegRaiseError"), "False");
}

TEST_F(CodeBuilderTest, MembersListIncludeFileAndReminder) {
  AllOff();
  const std::string inc = dir.file("Include.bas");
  pftest::WriteAll(inc, pftest::CrLf("Private mExtra As Long\n"
                                     "Private Sub B_StdPriv()\n"
                                     "    Debug.Print \"mine\"\n"
                                     "End Sub\n"
                                     "Public Function Extra() As Long\n"
                                     "    Extra = 1\n"
                                     "End Function\n"));
  Set(*stt->xCode, "IncCode", "True");
  Set(*stt->xCode, "IncFileName", inc);
  Set(*stt->xCode, "MemberList", "True");
  Set(*stt->xCode, "Rmndr", "True");
  Set(*stt->xCode, "RmndrAt", "True");
  Set(*stt->xCode, "RmndrAtMeth", "B_MethHandleError");
  Set(*stt->xCode, "RmndrText", "'TODO: review");
  Build();
  const std::string& code = builder.ClassCode;
  // The members block keeps its references as written; the list names the public members.
  EXPECT_THAT(code, HasSubstr("'Public members of XXClassNameXX:\r\n"));
  EXPECT_THAT(code, HasSubstr("'Public Function Extra() As Long"));
  EXPECT_THAT(code, HasSubstr("'Public Sub OpenConnection()"));
  EXPECT_LT(code.find("'Public members of"), code.find("Option Explicit"));
  // The include file overrides the private helper and adds its own function.
  EXPECT_THAT(code, HasSubstr("Debug.Print \"mine\""));
  EXPECT_THAT(code, HasSubstr("Public Function Extra() As Long"));
  EXPECT_THAT(code, HasSubstr("Private mExtra As Long"));
  // The reminder stands right before the chosen procedure.
  EXPECT_THAT(code, HasSubstr("'TODO: review\r\nPrivate Sub B_MethHandleError()"));
  EXPECT_THAT(messages, ElementsAre("Loading code library...", "Loading Source Code Library...",
                                    "Encrypting Code Library...", "Assembling Code...", "Setting up error handlers...",
                                    "Including/Overriding code...", "Building public members list..."));
}

// The include file is checked as it is merged; its faults are warnings that carry the file's
// own line numbers, and with tags only the tagged code counts.
TEST_F(CodeBuilderTest, FaultsOfTheIncludeFileAreWarningsWithItsLineNumbers) {
  struct Case {
    bool UseTags;
    const char* Text;
    std::vector<std::string> Warnings;  // each after "Include file <path>, line "
  };
  const Case cases[] = {
      {false, "Public Function Extra() As Long\n    Extra = 1\nEnd Function\n", {}},
      {false, "Private mExtra As Long\nPublic Sub Extra()\n    If mExtra Then\nEnd Sub\n",
       {"4: 'End Sub' while 'If' from line 3 is still open (missing 'End If')"}},
      {true, "Public Sub Outside()\n'BeginInclude\nPublic Sub Extra()\n    x = XXLeftOverXX\nEnd Sub\n'EndInclude\n",
       {"4: leftover reference 'XXLeftOverXX'"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    AllOff();
    const std::string inc = dir.file("Include.bas");
    pftest::WriteAll(inc, pftest::CrLf(c.Text));
    Set(*stt->xCode, "IncCode", "True");
    Set(*stt->xCode, "IncFileName", inc);
    Set(*stt->xCode, "IncUseTags", c.UseTags ? "True" : "False");
    CProgress run;
    CCodeBuilder b;
    b.BuildCode(*stt, run, NumSPs, NumLines, NumChars);
    std::vector<std::string> expected;
    for (const std::string& w : c.Warnings) expected.push_back("Include file " + inc + ", line " + w);
    EXPECT_EQ(run.Warnings(), expected);
  }
}

TEST_F(CodeBuilderTest, ReminderWithoutPositionGoesToTheDeclarations) {
  AllOff();
  Set(*stt->xCode, "Rmndr", "True");
  Set(*stt->xCode, "RmndrAt", "False");
  Set(*stt->xCode, "RmndrAtMeth", "B_MethHandleError");
  Set(*stt->xCode, "RmndrText", "'TODO: review");
  Build();
  EXPECT_THAT(builder.ClassCode, HasSubstr("Private Const OPTS = 0\r\n'TODO: review\r\nPublic Sub OpenConnection()"));
}

TEST_F(CodeBuilderTest, CountsCharactersNotBytes) {
  AllOff();
  Set(*stt->xCode, "Rmndr", "True");
  Set(*stt->xCode, "RmndrText", "'Vérifier à nouveau");
  Build();
  ASSERT_THAT(builder.ClassCode, HasSubstr("'Vérifier à nouveau\r\n"));
  EXPECT_EQ(NumChars, static_cast<int32_t>(builder.ClassCode.size()) - 2);
}

TEST_F(CodeBuilderTest, LibraryAndReferenceErrorsReachTheCaller) {
  AllOff();
  std::string lib = TestLibrary();
  lib.replace(lib.find("Private mConn As Object"), 23, "Private mConn As XXNoSuchThingXX");
  WriteLibrary(lib);
  const AppError unresolved = Raised([&] { Build(); });
  EXPECT_EQ(unresolved.Number, ERR_UNRESOLVED_REF);
  EXPECT_THAT(FirstLine(unresolved.Description), HasSubstr("NoSuchThing"));

  std::filesystem::remove(dir.file("CodeLib.cls"));
  std::filesystem::remove(dir.file("CodeLib.dat"));
  CCodeBuilder second;
  const AppError missing = Raised([&] { second.BuildCode(*stt, progress, NumSPs, NumLines, NumChars); });
  EXPECT_EQ(missing.Number, ERR_CODELIB_MISSING);
  EXPECT_EQ(FirstLine(missing.Description), "CodeLib.dat library file not found.");

  WriteLibrary(TestLibrary());
  Set(*stt->xCode, "IncCode", "True");
  Set(*stt->xCode, "IncFileName", dir.file("missing.bas"));
  CCodeBuilder third;
  const AppError noInclude = Raised([&] { third.BuildCode(*stt, progress, NumSPs, NumLines, NumChars); });
  EXPECT_THAT(noInclude.Description, HasSubstr("missing.bas"));
  EXPECT_TRUE(third.ClassCode.empty());
}

TEST_F(CodeBuilderTest, NoProceduresWantedMeansNoServerAtAll) {
  AllOff();
  // A server type no extractor exists for: any attempt to reach the server would fail.
  Set(*stt->xServer, "SrvrType", "9");
  Set(*stt->xServer, "ConnPfg", "Provider=Procforge.Snapshot;Data Source=/nonexistent.sql");
  Build();
  EXPECT_EQ(NumSPs, 0);
  EXPECT_EQ(builder.BlockList(), kAllOffBlocks);
  EXPECT_EQ(builder.ParamDefsCode, "'Parameter definitions of CTestDB\r\n\r\n");
}

// ---- The procedure-methods step over the sample catalogues ----------------------------

TEST_F(CodeBuilderTest, ProcedureMethodsFollowTheListFilterAndFunctionSwitch) {
  LoadSample("mssql/OrderEntry.PFG");
  Set(*stt->xStoredProc, "AddOraFunctions", "False");
  std::vector<std::string> visited;
  RecordingDisplay display(progress);
  const int32_t n = builder.BuildSPMethods(*stt, progress, [&](const std::string& sp, const CMethod& m) {
    visited.push_back(sp);
    EXPECT_FALSE(m.Source.empty()) << sp;
  });
  EXPECT_EQ(n, static_cast<int32_t>(visited.size()));
  ASSERT_GT(n, 0);
  ASSERT_GE(display.Messages.size(), 3u);
  EXPECT_EQ(display.Messages[0], "Constructing code...");
  EXPECT_EQ(display.Messages[1], "Retrieving procedure list... ");
  bool sawExcluded = false;
  for (size_t i = 2; i < display.Messages.size(); ++i) {
    const std::string& m = display.Messages[i];
    ASSERT_EQ(m.rfind("Processing ", 0), 0u) << m;
    // Functions are skipped before their message; filtered names are announced, then left out.
    EXPECT_EQ(m.find("Processing fn_"), std::string::npos) << m;
    if (m.rfind("Processing dt_", 0) == 0) sawExcluded = true;
  }
  EXPECT_TRUE(sawExcluded);
  for (const std::string& sp : visited) {
    EXPECT_NE(sp.rfind("fn_", 0), 0u) << sp;
    EXPECT_NE(sp.rfind("dt_", 0), 0u) << sp;
  }
  // The procedure-list order (by name) is kept.
  EXPECT_TRUE(std::is_sorted(visited.begin(), visited.end(),
                             [](const std::string& a, const std::string& b) { return NoCase::Less()(a, b); }));
  EXPECT_THAT(builder.ParamDefsCode, HasSubstr("Public Const SP_"));

  // With functions: more methods, and the functions are announced.
  Set(*stt->xStoredProc, "AddOraFunctions", "True");
  CCodeBuilder withFunctions;
  EXPECT_GT(withFunctions.BuildSPMethods(*stt, progress), n);
}

TEST_F(CodeBuilderTest, ParamDefsOnlyStillConstructsAndCountsMethods) {
  LoadSample("mssql/OrderEntry.PFG");
  Set(*stt->xStoredProc, "AddSPMethods", "False");
  Set(*stt->xStoredProc, "AddExecSPByName", "True");
  Build();
  EXPECT_GT(NumSPs, 0);
  EXPECT_EQ(builder.BlockList().find(",SPMethods"), std::string::npos);
  EXPECT_THAT(builder.BlockList(), HasSubstr(",MethExecSPByName"));
  // The methods are built, but no block of the class places them.
  EXPECT_EQ(builder.ClassCode.find("Public Function ExecGetCustomer"), std::string::npos);
  EXPECT_EQ(builder.ParamDefsCode.rfind("'Parameter definitions of CTestDB\r\n\r\n", 0), 0u);
  EXPECT_THAT(builder.ParamDefsCode, HasSubstr("\r\nPublic Const SP_"));
}

TEST_F(CodeBuilderTest, EmptyProcedureListGivesNoMethods) {
  LoadSample("mssql/OrderEntry.PFG");
  Set(*stt->xStoredProc, "MethUseFilterInc", "True");
  Set(*stt->xStoredProc, "MethFilterInc", "nothing_matches_*");
  Build();
  EXPECT_EQ(NumSPs, 0);
  EXPECT_EQ(builder.ParamDefsCode, "'Parameter definitions of CTestDB\r\n\r\n");
  EXPECT_THAT(builder.BlockList(), HasSubstr(",SPListTitle,SPMethods"));
}

}  // namespace
