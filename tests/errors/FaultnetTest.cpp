#include <gtest/gtest.h>

#include <fstream>

#include "errors/ErrGuard.h"
#include "base/AppPaths.h"
#include "support/TestEnv.h"

using namespace pf;
namespace F = pf::Faultnet31;

namespace {

class Faultnet : public ::testing::Test {
 protected:
  void SetUp() override {
    F::Reset();
    F::ClearWarnings();
    F::Err().Clear();
  }
};

std::string Header(const std::string& method, const std::string& num, const std::string& hex,
                   const std::string& rel1, const std::string& rel2, const std::string& std, const std::string& source,
                   const std::string& descr) {
  return descr + " \r\n  Time='12/06/26 14:03:05' App='Procforge:1.0.0' ADO-version='2.8' Computer='TESTPC' \r\n" +
         "  Method: " + method + " \r\n" + "  Number: " + num + " = &H" + hex + " = vbObjectError " + rel1 +
         " = ERRMAP_APP_FIRST " + rel2 + " " + std + "\r\n" + "  Source: " + source + " \r\n" +
         "  Description: " + descr + "\r\n";
}

// Three nested operations, each recording its own frame.
void Inner(const std::string& path) {
  ErrGuard("MUtils.ReadText(FileName,Charset)", [&] { F::Check(false, ERR_GENERAL, "Path %1 not found.", path); },
           path, "ASCII");
}
void Middle(int count) {
  ErrGuard("CIniFile.Load(Count)", [&] { Inner("/tmp/x.ini"); }, count);
}
std::string Outer() {
  const AppError e = pftest::Raised([&] { ErrGuard("MGlobals.Main", [&] { Middle(3); }); });
  return e.Description;
}

}  // namespace

TEST_F(Faultnet, NestedFramesGiveOneHeaderAndCallStackInnermostFirst) {
  const std::string report = Outer();
  const std::string expected =
      Header("MUtils.ReadText(FileName,Charset)", "-2147216306", "8004144E", "+ 5198", "+ 0", "= ERR_GENERAL",
             "Faultnet.Check", "Path /tmp/x.ini not found.") +
      "  Call Stack: MUtils.ReadText(FileName='/tmp/x.ini', Charset='ASCII')\r\n"
      "  Call Stack: CIniFile.Load(Count=3)\r\n"
      "  Call Stack: MGlobals.Main()\r\n";
  EXPECT_EQ(report, expected);
  EXPECT_EQ(F::ErrReport(), expected);
  EXPECT_EQ(F::Err().Source, "Faultnet.ErrorIn");
  EXPECT_EQ(F::Err().Number, ERR_GENERAL);
}

TEST_F(Faultnet, RelativeNumbersCarrySignAndDistance) {
  {
    const AppError e =
        pftest::Raised([&] { ErrGuard("M.P", [] { throw AppError(vbObjectError - 5, "Src", "below the base"); }); });
    EXPECT_EQ(e.Description, Header("M.P", "-2147221509", "8003FFFB", "- 5", "- 5203", "", "Src", "below the base") +
                                 "  Call Stack: M.P()\r\n");
  }
  {
    const AppError e = pftest::Raised([&] { ErrGuard("M.Q", [] { throw AppError(53, "Src", "File not found"); }); });
    EXPECT_NE(e.Description.find("Number: 53 = &H35 = vbObjectError + 2147221557 = ERRMAP_APP_FIRST + 2147216359 \r\n"),
              std::string::npos)
        << e.Description;
  }
}

TEST_F(Faultnet, PercentTextsInDescriptionsAreNotPlaceholders) {
  const AppError e = pftest::Raised([&] {
    ErrGuard(
        "M.P(A)", [] { throw AppError(ERR_GENERAL, "%Source%", "100% of %Time% and %nl%"); }, "50%");
  });
  EXPECT_EQ(e.Description, Header("M.P(A)", "-2147216306", "8004144E", "+ 5198", "+ 0", "= ERR_GENERAL", "%Source%",
                                  "100% of %Time% and %nl%") +
                               "  Call Stack: M.P(A='50%')\r\n");
}

TEST_F(Faultnet, MessageRangeErrorsPassThroughUntouched) {
  const AppError e = pftest::Raised([&] {
    ErrGuard("Outer.P", [] {
      ErrGuard(
          "Inner.P(X)", [] { F::Check(false, ERR_USER_CHECK, "Connection failed."); }, 1);
    });
  });
  EXPECT_EQ(e.Number, ERR_USER_CHECK);
  EXPECT_EQ(e.Source, "Faultnet.Check");
  EXPECT_EQ(e.Description, "Connection failed.");
  EXPECT_EQ(F::ErrReport(), "");
}

TEST_F(Faultnet, ArgumentFormsByKind) {
  std::vector<int> arr{1, 2};
  const std::string longText(41, 'a');
  const AppError e = pftest::Raised([&] {
    ErrGuardFlags("M.P(T,N,D,B,E,Nu,Arr,O,Om,Other,Dt,Long)", EF_PROGRAM, [] { throw AppError(ERR_GENERAL, "S", "D"); },
                  "t", 42, 1.5, true, ErrValue::Empty(), nullptr, arr, ErrValue::Object("Recordset"), ErrValue(),
                  ErrValue::Other(), ErrValue::Date("12/06/2026"), longText);
  });
  const std::string tail = e.Description.substr(e.Description.find("  Call Stack"));
  EXPECT_EQ(tail,
            "  Call Stack: M.P(T='t', N=42, D=1.5, B=True, E={Empty}, Nu={Null}, Arr={Array}, O={Recordset}, Om=, "
            "Other={?}, Dt='12/06/2026', Long={Text})\r\n"
            "    Value Of Long:\r\n"
            "      " +
                longText + "\r\n");
}

TEST_F(Faultnet, MultiLineAndXmlValuesAreWrittenAfterTheLine) {
  const AppError e = pftest::Raised([&] {
    ErrGuard(
        "M.P(Text,xml)", [] { throw AppError(ERR_GENERAL, "S", "D"); }, "one\r\ntwo", "<a><b x=\"1\"/></a>");
  });
  const std::string tail = e.Description.substr(e.Description.find("  Call Stack"));
  EXPECT_EQ(tail,
            "  Call Stack: M.P(Text={Text}, xml='<a><b x=\"1\"/></a>')\r\n"
            "    Value Of Text:\r\n"
            "      one\r\n"
            "      two\r\n");
}

// A whole generated class passed as an argument is cut in the report, with its length;
// a password in an argument or a description never reaches the report.
TEST_F(Faultnet, LongValuesAreCutAndPasswordsMasked) {
  const std::string text = std::string(290, 'a') + "\xC3\xA4" + std::string(700, 'b');
  try {
    ErrGuard("M.P(Txt,Conn)", [] { throw AppError(ERR_GENERAL, "S", "failed for Pwd=hunter2"); }, text,
             "DSN=x;Password=hunter2");
  } catch (const AppError& e) {
    const std::string tail = e.Description.substr(e.Description.find("  Call Stack"));
    EXPECT_EQ(tail,
              "  Call Stack: M.P(Txt={Text}, Conn='DSN=x;Password=***')\r\n"
              "    Value Of Txt:\r\n"
              "      " + std::string(290, 'a') + "\xC3\xA4" + std::string(9, 'b') + "\r\n"
              "      ... (991 characters in all)\r\n");
    EXPECT_EQ(e.Description.find("hunter2"), std::string::npos) << e.Description;
  }
}

TEST_F(Faultnet, LineNumberSystemErrorExtraAndReleasedLines) {
  F::Environment().SystemErrorText = [](int code) { return "text of " + std::to_string(code); };
  AppError err(ERR_GENERAL, "S", "D");
  err.Line = 120;
  err.SysError = 2;
  F::SetAdditionalLine("    Extra line");
  F::AddReleasedObject("rs");
  F::AddReleasedObject("cmd");
  const AppError e = pftest::Raised([&] { ErrGuard("M.P", [&] { throw err; }); });
  std::string callLine = "  Call Stack: M.P()";
  callLine.append(100 - callLine.size(), '-');
  const std::string tail = e.Description.substr(e.Description.find("  API Error"));
  EXPECT_EQ(tail, "  API Error: (2) text of 2\r\n" + callLine + "  at Line 120\r\n    Extra line\r\n" +
                      "    Released Objects: rs, cmd\r\n");
  F::Environment().SystemErrorText = nullptr;
}

TEST_F(Faultnet, LostErrorIsExplained) {
  const std::string report = F::ErrorIn("M.P", {}, EF_REPORT);
  EXPECT_EQ(F::Err().Number, ERR_GENERAL);
  EXPECT_NE(report.find("ErrorIn: Error information was lost. To fix: call ErrPreserve before doing anything in "
                        "error handler."),
            std::string::npos);
}

TEST_F(Faultnet, WithoutRaiseTheErrorStaysInTheErrorObject) {
  try {
    throw AppError(ERR_NOT_FOUND, "bwXMLBrowser", "Path x not found.");
  } catch (...) {
    F::ErrPreserve();
    const std::string report = F::ErrorIn("bwXMLBrowser.MoveTo(Path,ErrIfNotFound)", {"x", true}, EF_BROWSER);
    EXPECT_EQ(F::Err().Number, ERR_NOT_FOUND);
    EXPECT_EQ(F::Err().Source, "Faultnet.ErrorIn");
    EXPECT_EQ(F::Err().Description, report);
    EXPECT_FALSE(F::IsPreserved());
  }
}

TEST_F(Faultnet, ForeignExceptionsGetRunTimeNumbers) {
  {
    const AppError e = pftest::Raised([&] { ErrGuard("M.P", [] { throw std::out_of_range("index 7"); }); });
    EXPECT_NE(e.Description.find("  Number: 9 = &H9 "), std::string::npos);
  }
  {
    const AppError e = pftest::Raised([&] { ErrGuard("M.P", [] { throw std::runtime_error("boom"); }); });
    EXPECT_EQ(e.Number, ERR_GENERAL);
    EXPECT_EQ(e.Description.substr(0, 5), "boom ");
  }
}

// --- Check and message filling ---

TEST_F(Faultnet, CheckWithNumberZeroCollectsWarnings) {
  F::Check(false, 0, "A||B");
  F::Check(true, 0, "never");
  F::Check(false, 0, "C");
  EXPECT_EQ(F::Warnings(), "A\r\nB\r\nC");
}

TEST_F(Faultnet, CheckFillsPlaceholdersWithoutRescanning) {
  const AppError e = pftest::Raised([&] { F::Check(false, ERR_NOT_FOUND, "Path %1 not found.", "%2"); });
  EXPECT_EQ(e.Number, ERR_NOT_FOUND);
  EXPECT_EQ(e.Source, "Faultnet.Check");
  EXPECT_EQ(e.Description, "Path %2 not found.");
  // Without values the placeholders stay; with values, unmatched ones stay.
  EXPECT_THROW(F::Check(false, ERR_GENERAL, "%1"), AppError);
  EXPECT_EQ(F::FillMessage("%1 %2 %3 100%", {"a", ErrValue::Null()}), "a {Null} %3 100%");
}

TEST_F(Faultnet, TenOrMorePlaceholdersAreNotEatenByTheFirst) {
  ErrValues v;
  for (int i = 1; i <= 11; ++i) v.emplace_back("v" + std::to_string(i));
  EXPECT_EQ(F::FillMessage("%1,%10,%11,%12", v), "v1,v10,v11,v12");
}

TEST_F(Faultnet, MessageProviderTurnsKeysIntoTexts) {
  struct Provider : IMessageProvider {
    std::string GetMessage(const std::string& key) override { return key == "#NF" ? "Not found: %1||Retry" : key; }
  };
  F::SetMessageProvider(std::make_shared<Provider>());
  const AppError e = pftest::Raised([&] { F::Check(false, ERR_GENERAL, "#NF", "x"); });
  EXPECT_EQ(e.Description, "Not found: x\r\nRetry");
  F::SetMessageProvider(nullptr);
}

// --- Clean-up steps and the ADO section ---

namespace {
struct FakeConnection : IErrConnection, IErrDbObject {
  int state = 1;
  bool failRollback = false;
  int rollbacks = 0, closes = 0;
  std::string ErrTypeName() const override { return "Connection"; }
  std::string ErrVersion() const override { return "2.8"; }
  std::string ErrConnectionString() const override { return "DSN=orders"; }
  int ErrState() const override { return state; }
  std::vector<std::string> ErrErrorDescriptions() const override { return {"first", "second"}; }
  void ErrRollbackTrans() override {
    ++rollbacks;
    if (failRollback) throw AppError(1, "x", "no transaction");
  }
  void ErrClose() override {
    ++closes;
    state = 0;
  }
  IErrConnection* ErrActiveConnection() override { return this; }
};
}  // namespace

TEST_F(Faultnet, AdoSectionRollbackAndClose) {
  FakeConnection conn;
  conn.state = 1 | 4;
  conn.failRollback = true;
  try {
    throw AppError(ERR_GENERAL, "S", "D");
  } catch (...) {
    F::ErrPreserve();
    F::ErrorIn("M.P", {}, EF_REPORT | EF_ROLLBACK | EF_CLOSE, &conn);
  }
  const std::string report = F::ErrReport();
  EXPECT_NE(report.find("  Description: D\r\n"
                        "  ADO Info: \r\n"
                        "    ADO Version:   2.8\r\n"
                        "    DbObject:      Connection\r\n"
                        "    Conn. String: 'DSN=orders'\r\n"
                        "    Conn. State:   adStateOpen + adStateExecuting\r\n"
                        "    Error:         first\r\n"
                        "    Error:         second\r\n"
                        "  Call Stack: M.P()\r\n"
                        "    Transaction: Attempt to call RollbackTrans failed with error 'no transaction'\r\n"
                        "    Connection: Attempt to call Close succeeded\r\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(conn.rollbacks, 1);
  EXPECT_EQ(conn.closes, 1);
}

TEST_F(Faultnet, PreservedConnectionIsUsedOnceAndClosedConnectionIsNotRolledBack) {
  auto conn = std::make_shared<FakeConnection>();
  conn->state = 0;
  F::PreserveConnection(conn);
  try {
    throw AppError(ERR_GENERAL, "S", "D");
  } catch (...) {
    F::ErrPreserve();
    F::ErrorIn("M.P", {}, EF_REPORT | EF_ROLLBACK);
  }
  const std::string report = F::ErrReport();
  EXPECT_NE(report.find("    DbObject:      Connection (Connection object was preserved internally)\r\n"),
            std::string::npos);
  EXPECT_NE(report.find("    Conn. State:   adStateClosed\r\n"), std::string::npos);
  EXPECT_NE(report.find("    Transaction: Could not call RollbackTrans: Connection is closed \r\n"), std::string::npos);
  EXPECT_EQ(conn->rollbacks, 0);
  EXPECT_EQ(conn.use_count(), 1);  // released after ErrorIn
}

TEST_F(Faultnet, TransControlObjectIsAbortedEvenForMessages) {
  struct Trans : ITransControl {
    int aborts = 0;
    void SetAbort() override { ++aborts; }
  } trans;
  try {
    throw AppError(ERR_USER_CHECK, "S", "plain");
  } catch (...) {
    F::ErrPreserve();
    F::ErrorIn("M.P", {}, EF_REPORT, nullptr, nullptr, &trans);
  }
  EXPECT_EQ(trans.aborts, 1);
  EXPECT_EQ(F::ErrReport(), "");
}

TEST_F(Faultnet, EnvLineAndServerErrors) {
  struct Extractor : IErrExtractor {
    bool fail = false;
    std::string ErrTypeName() const override { return "bwEEDomDoc"; }
    std::string Extract(const void*) override {
      if (fail) throw AppError(1, "x", "cannot read");
      return "Line 3\r\nPos 7\r\n";
    }
  } ex;
  try {
    throw AppError(ERR_GENERAL, "S", "D");
  } catch (...) {
    F::ErrPreserve();
    F::ErrExtractServerErrors(nullptr, "DOMDocument", &ex, "Load");
    ex.fail = true;
    F::ErrExtractServerErrors(nullptr, "DOMDocument", &ex, "");
    ErrEnvValues env{{"User", "bob"}, {"Tries", 2}};
    F::ErrorIn("M.P", {}, EF_REPORT, nullptr, &env);
  }
  const std::string report = F::ErrReport();
  EXPECT_NE(report.find("  Call Stack: M.P()\r\n"
                        "    Env: User='bob', Tries=2\r\n"
                        "    COM Server Errors: Server=DOMDocument Extractor=bwEEDomDoc  [Load]\r\n"
                        "      Line 3\r\n"
                        "      Pos 7\r\n"
                        "    COM Server Errors: Server=DOMDocument Extractor=bwEEDomDoc\r\n"
                        "    ErrorIn failed to extract error information: cannot read\r\n"),
            std::string::npos)
      << report;
}

// --- Log sinks ---

TEST_F(Faultnet, LogToFileBesideProgramOrAtPath) {
  pftest::TempDir dir;
  AppPaths::SetProgramFolder(dir.path().string());
  EXPECT_FALSE(F::ErrLogToFile("Errors.txt"));  // nothing to log yet
  Outer();
  EXPECT_TRUE(F::ErrLogToFile("Errors.txt"));
  EXPECT_TRUE(F::ErrLogToFile("Errors.txt"));
  const std::string one = F::ErrReport() + "\r\n\r\n\r\n";
  EXPECT_EQ(pftest::ReadAll(dir.file("Errors.txt")), one + one);
  std::filesystem::create_directory(dir.path() / "logs");
  const std::string windowsPath = dir.path().string() + "\\logs\\err.log";
  EXPECT_TRUE(F::ErrLogToFile(dir.path().string() + "/logs/err.log"));
  EXPECT_TRUE(F::ErrLogToFile(windowsPath));
  EXPECT_EQ(pftest::ReadAll(dir.file("logs/err.log")), one + one);
  EXPECT_FALSE(F::ErrLogToFile(dir.path().string() + "/missing/folder/err.log"));
  AppPaths::SetProgramFolder("");
}

TEST_F(Faultnet, LogToDatabaseBuildsTheStatementAndReportsFailures) {
  EXPECT_EQ(F::DbLogStatement("spErrorLogInsert", "12", "it's"), "Exec spErrorLogInsert 12, 'it''s'");
  Outer();
  std::string seen;
  F::SetDbLogExecutor([&](const std::string& cs, const std::string& sql) { seen = cs + "|" + sql; });
  EXPECT_TRUE(F::ErrLogToDB("DSN=x", "5", "spLog"));
  EXPECT_EQ(seen.substr(0, 22), "DSN=x|Exec spLog 5, 'P");
  F::SetDbLogExecutor([](const std::string&, const std::string&) { throw AppError(1, "odbc", "server gone"); });
  const AppError e = pftest::Raised([&] { F::ErrLogToDB("DSN=x", "5", "spLog"); });
  EXPECT_EQ(e.Description, "Failed to save error report to database. \r\nConnectString = 'DSN=x'\r\nserver gone");
  F::SetDbLogExecutor(nullptr);
}

TEST_F(Faultnet, LogToEventLog) {
  std::string logged;
  F::Environment().EventLog = [&](const std::string& r) { logged = r; };
  EXPECT_FALSE(F::ErrLogToEventLog());
  Outer();
  EXPECT_TRUE(F::ErrLogToEventLog());
  EXPECT_EQ(logged, F::ErrReport());
  F::Environment().EventLog = nullptr;
}
