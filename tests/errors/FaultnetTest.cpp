#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <thread>

#include "base/AppPaths.h"
#include "errors/ErrGuard.h"
#include "errors/Secrets.h"
#include "support/FakeConnection.h"
#include "support/Golden.h"
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

// An error reported on another thread (the wizard's generation run) is taken over by the
// thread that handles it: its report, not a stale one of this thread, is what gets logged.
TEST_F(Faultnet, AnErrorReportedOnAnotherThreadIsAdoptedWithItsReport) {
  try {
    Outer();  // a stale report on this thread
    ErrGuard("MGlobals.Main", [] { throw std::runtime_error("old"); });
  } catch (...) {
  }
  AppError raised(0, "", "");
  std::thread([&] { raised = pftest::Raised([] { ErrGuard("MGlobals.GenerateCode", [] { Middle(7); }); }); }).join();
  F::Adopt(raised);
  EXPECT_EQ(F::ErrReport(), raised.Description);
  EXPECT_NE(F::ErrReport().find("MGlobals.GenerateCode"), std::string::npos);
  EXPECT_EQ(F::Err().Number, ERR_GENERAL);
}

// --- Check and message filling ---

// Number zero collects warnings; placeholders are filled without rescanning what they took
// in, "%10" is not eaten by "%1", and a message provider turns keys into texts.
TEST_F(Faultnet, CheckCollectsWarningsAndFillsMessages) {
  F::Check(false, 0, "A||B");
  F::Check(true, 0, "never");
  F::Check(false, 0, "C");
  EXPECT_EQ(F::Warnings(), "A\r\nB\r\nC");
  const AppError e = pftest::Raised([&] { F::Check(false, ERR_NOT_FOUND, "Path %1 not found.", "%2"); });
  EXPECT_EQ(e.Number, ERR_NOT_FOUND);
  EXPECT_EQ(e.Source, "Faultnet.Check");
  EXPECT_EQ(e.Description, "Path %2 not found.");
  // Without values the placeholders stay; with values, unmatched ones stay.
  EXPECT_THROW(F::Check(false, ERR_GENERAL, "%1"), AppError);
  EXPECT_EQ(F::FillMessage("%1 %2 %3 100%", {"a", ErrValue::Null()}), "a {Null} %3 100%");
  ErrValues v;
  for (int i = 1; i <= 11; ++i) v.emplace_back("v" + std::to_string(i));
  EXPECT_EQ(F::FillMessage("%1,%10,%11,%12", v), "v1,v10,v11,v12");

  struct Provider : IMessageProvider {
    std::string GetMessage(const std::string& key) override { return key == "#NF" ? "Not found: %1||Retry" : key; }
  };
  F::SetMessageProvider(std::make_shared<Provider>());
  EXPECT_EQ(pftest::Raised([&] { F::Check(false, ERR_GENERAL, "#NF", "x"); }).Description, "Not found: x\r\nRetry");
  F::SetMessageProvider(nullptr);
}

// --- Clean-up steps and the ADO section ---

namespace {

using pftest::FakeConnection;

// The report of an error handled as a generated class handles it, with the clean-up steps
// that Flags ask for.
std::string Handled(int32_t Flags, IErrDbObject* Db = nullptr, const ErrEnvValues* Env = nullptr) {
  try {
    throw AppError(ERR_GENERAL, "S", "D");
  } catch (...) {
    F::ErrPreserve();
    F::ErrorIn("M.P", {}, Flags, Db, Env);
  }
  return F::ErrReport();
}

template <class B, class... A>
std::string ReportOf(const char* Method, B&& Body, const A&... Args) {
  return pftest::Raised([&] { ErrGuard(Method, Body, Args...); }).Description;
}

}  // namespace

// Whole reports, one case each, against a golden file: the header with the number's forms
// (relative to vbObjectError and the application range, with the name of a known error),
// "%" texts that are no placeholders, the call stack innermost first with every kind of
// argument, multi-line and long values written after their line (cut, with their length),
// passwords masked, the line number with its padding, system error, extra and released-object
// lines, a lost error explained, foreign exceptions with run-time numbers, the ADO section
// with rollback and close (failing or not, on a preserved connection), environment values
// and server errors.
TEST_F(Faultnet, ReportsOfEveryPart) {
  const std::string longText = std::string(290, 'a') + "\xC3\xA4" + std::string(700, 'b');
  const std::vector<int> arr{1, 2};
  std::vector<std::pair<std::string, std::function<std::string()>>> cases = {
      {"nested frames", [] { return Outer(); }},
      {"below the object-error base",
       [] { return ReportOf("M.P", [] { throw AppError(vbObjectError - 5, "Src", "below the base"); }); }},
      {"run-time error", [] { return ReportOf("M.Q", [] { throw AppError(53, "Src", "File not found"); }); }},
      {"percent texts",
       [] { return ReportOf("M.P(A)", [] { throw AppError(ERR_GENERAL, "%Source%", "100% of %Time% and %nl%"); }, "50%"); }},
      {"arguments of every kind",
       [&] {
         return pftest::Raised([&] {
                  ErrGuardFlags("M.P(T,N,D,B,E,Nu,Arr,O,Om,Other,Dt,Long)", EF_PROGRAM,
                                [] { throw AppError(ERR_GENERAL, "S", "D"); }, "t", 42, 1.5, true, ErrValue::Empty(),
                                nullptr, arr, ErrValue::Object("Recordset"), ErrValue(), ErrValue::Other(),
                                ErrValue::Date("12/06/2026"), std::string(41, 'a'));
                }).Description;
       }},
      {"multi-line and XML values",
       [] { return ReportOf("M.P(Text,xml)", [] { throw AppError(ERR_GENERAL, "S", "D"); }, "one\r\ntwo", "<a><b x=\"1\"/></a>"); }},
      {"long value cut, passwords masked",
       [&] {
         return ReportOf("M.P(Txt,Conn)", [] { throw AppError(ERR_GENERAL, "S", "failed for Pwd=hunter2"); }, longText,
                         "DSN=x;Password=hunter2");
       }},
      {"line number, system error, extra and released lines",
       [] {
         F::Environment().SystemErrorText = [](int code) { return "text of " + std::to_string(code); };
         AppError err(ERR_GENERAL, "S", "D");
         err.Line = 120;
         err.SysError = 2;
         F::SetAdditionalLine("    Extra line");
         F::AddReleasedObject("rs");
         F::AddReleasedObject("cmd");
         const std::string r = ReportOf("M.P", [&] { throw err; });
         F::Environment().SystemErrorText = nullptr;
         return r;
       }},
      {"lost error", [] { return F::ErrorIn("M.P", {}, EF_REPORT); }},
      {"out_of_range", [] { return ReportOf("M.P", [] { throw std::out_of_range("index 7"); }); }},
      {"runtime_error", [] { return ReportOf("M.P", [] { throw std::runtime_error("boom"); }); }},
      {"rollback fails, close succeeds",
       [] {
         FakeConnection conn;
         conn.state = 1 | 4;
         conn.failRollback = true;
         const std::string r = Handled(EF_REPORT | EF_ROLLBACK | EF_CLOSE, &conn);
         EXPECT_EQ(conn.rollbacks, 1);
         EXPECT_EQ(conn.closes, 1);
         return r;
       }},
      {"preserved closed connection is not rolled back",
       [] {
         auto conn = std::make_shared<FakeConnection>();
         conn->state = 0;
         F::PreserveConnection(conn);
         const std::string r = Handled(EF_REPORT | EF_ROLLBACK);
         EXPECT_EQ(conn->rollbacks, 0);
         EXPECT_EQ(conn.use_count(), 1);  // released after ErrorIn
         return r;
       }},
      {"environment and server errors",
       [] {
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
           const ErrEnvValues env{{"User", "bob"}, {"Tries", 2}};
           F::ErrorIn("M.P", {}, EF_REPORT, nullptr, &env);
         }
         return F::ErrReport();
       }},
  };
  std::string reports;
  for (const auto& [name, report] : cases) {
    SetUp();  // each case starts from a clean error library
    reports += "==== " + name + "\r\n" + report();
  }
  EXPECT_EQ(reports.find("hunter2"), std::string::npos);
  pftest::ExpectGolden("errors/reports.txt", reports);
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

// --- Log sinks ---

TEST_F(Faultnet, LogToDatabaseBuildsTheStatementAndReportsFailures) {
  EXPECT_EQ(F::DbLogStatement("spErrorLogInsert", "12", "it's"), "Exec spErrorLogInsert 12, 'it''s'");
  Outer();
  std::string seen;
  F::SetDbLogExecutor([&](const std::string& cs, const std::string& sql) { seen = cs + "|" + sql; });
  EXPECT_TRUE(F::ErrLogToDB("DSN=x", "5", "spLog"));
  EXPECT_EQ(seen.substr(0, 22), "DSN=x|Exec spLog 5, 'P");
  F::SetDbLogExecutor([](const std::string&, const std::string&) { throw AppError(1, "odbc", "server gone"); });
  const AppError e = pftest::Raised([&] { F::ErrLogToDB("DSN=x;PWD=s3cret", "5", "spLog"); });
  EXPECT_EQ(e.Description,
            "Failed to save error report to database. \r\nConnectString = 'DSN=x;PWD=***'\r\nserver gone");
  // The log written next (a file, the event log) says that the database log failed.
  const std::string report = F::ErrReport();
  EXPECT_EQ(report.substr(report.size() - e.Description.size() - 9), "  Log: " + e.Description + "\r\n");
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

// The cases of tests/data/errors/secrets.txt and unmask.txt; a masked text unmasks to its original.
TEST(Secrets, PasswordValuesAreMaskedWhereverTheyStandAndUnmaskedAfterEdits) {
  for (const std::string& line : pftest::DataLines("errors/secrets.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    ASSERT_EQ(f.size(), 3u) << line;
    EXPECT_EQ(pf::Secrets::Mask(f[0]), f[1]) << line;
    EXPECT_EQ(pf::Secrets::HoldsPassword(f[0]), f[2] == "yes") << line;
    EXPECT_EQ(pf::Secrets::Unmask(f[1], f[0]), f[0]) << line;
  }
  for (const std::string& line : pftest::DataLines("errors/unmask.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    ASSERT_EQ(f.size(), 3u) << line;
    EXPECT_EQ(pf::Secrets::Unmask(f[0], f[1]), f[2]) << line;
  }
}
