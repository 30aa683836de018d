// Working without the server: snapshot, generate --check and diff over every sample.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/ProgramInstall.h"

namespace pftest {
namespace {

namespace fs = std::filesystem;
using pftest::ReadAll;
using pftest::WriteAll;

const std::map<std::string, std::string> kEpoch = {{"SOURCE_DATE_EPOCH", "1765029785"}};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

struct SampleCase {
  const char* Script;   // under samples/
  const char* Profile;  // under samples/
  const char* ClassFile;
  // One edit of the catalogue script and the diff lines it must give, sorted.
  const char* EditFrom;
  const char* EditTo;
  std::vector<std::string> DiffLines;
};

const SampleCase kSamples[] = {
    {"mssql/OrderEntry.sql", "mssql/OrderEntry.PFG", "COrderEntryDB.cls",
     "('usp_GetCustomer', 1, '@CustomerID', 1, 3, 4, 10, 0, 80)",
     "('usp_GetCustomer', 1, '@CustomerID', 1, 3, 4, 10, 0, 16), ('usp_GetCustomer', 2, '@Region', 1, 202, 20, 0, 0, 64)",
     {"usp_GetCustomer: parameter @CustomerID changed: nullability True -> False",
      "usp_GetCustomer: parameter @Region added (breaking)"}},
    {"sybase/Orders.sql", "sybase/Orders.PFG", "CSybOrdersDB.cls", "('sp_next_key', 1, '@key_name', 1, 200, 30,",
     "('sp_next_key', 1, '@key_name', 1, 200, 60,", {"sp_next_key: parameter @key_name changed: size 30 -> 60"}},
    {"oracle/Sales.sql", "oracle/Sales.PFG", "CSalesDB.cls", "'P_SHIP_VIA', 3, 3, 0, 'NUMBER'",
     "'P_SHIP_VIA', 3, 3, 0, 'VARCHAR2'",
     {"ORDER_PKG.CREATE_ORDER: parameter p_Ship_Via changed: type NUMBER -> VARCHAR2, size 0 -> 4000 (breaking)"}},
    {"access/Orders.sql", "access/Orders.PFG", "COrdersMdb.cls", "('qryCustomerOrders', 0, 'CustomerID', 1, 3, 4,",
     "('qryCustomerOrders', 0, 'CustomerID', 1, 3, 4, 10, 0, 64), ('qryCustomerOrders', 1, 'Since', 1, 7, 8,",
     {"qryCustomerOrders: parameter Since added (breaking)"}},
};

// A working folder with a copy of the sample catalogue (cat.sql) and a profile that
// reads it and writes its files there.
struct Work {
  explicit Work(const ProgramInstall& cli, const SampleCase& s) : dir(cli.File(fs::path(s.Script).parent_path().string())) {
    fs::create_directories(dir);
    WriteAll(dir + "/cat.sql", ReadAll(Sample(s.Script)));
    WriteAll(dir + "/p.PFG", Replaced(ReadAll(Sample(s.Profile)), std::string("samples/") + s.Script, "cat.sql"));
  }
  std::string dir;
};

class CliCatalogueTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P(CliCatalogueTest, CaptureRegenerateCheckAndDiff) {
  const SampleCase& s = GetParam();
  ProgramInstall cli;
  Work w(cli, s);
  auto run = [&](const std::vector<std::string>& args, const std::map<std::string, std::string>& env = kEpoch) {
    return cli.Run(args, env, w.dir);
  };
  ProgramResult r = run({"generate", "--profile", "p.PFG", "--yes"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const std::string cls = w.dir + "/" + s.ClassFile;
  const std::string original = ReadAll(cls);

  // --check passes on fresh output, also with another clock: only the date line differs.
  r = run({"generate", "--profile", "p.PFG", "--check"}, {});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_TRUE(Has(r.Out, std::string(s.ClassFile) + ": up to date")) << r.Out;
  // It fails after one line is edited, naming the line, and writes nothing.
  const std::string edited = Replaced(original, "Public Function", "Public  Function");
  WriteAll(cls, edited);
  r = run({"generate", "--profile", "p.PFG", "--check"});
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_TRUE(Has(r.Out, std::string(s.ClassFile) + ": differs")) << r.Out;
  EXPECT_TRUE(Has(r.Out, "on disk:  'Public  Function")) << r.Out;
  EXPECT_EQ(ReadAll(cls), edited);
  // Line ends do not count: a checkout with LF lines, or one stray LF, is up to date.
  std::string lf = original;
  std::erase(lf, '\r');
  for (const std::string& text : {lf, Replaced(original, "\r\n", "\n")}) {
    WriteAll(cls, text);
    r = run({"generate", "--profile", "p.PFG", "--check"});
    EXPECT_EQ(r.ExitCode, 0) << r.Out;
  }
  // A file of one long line is shown cut short.
  WriteAll(cls, std::string(70000, 'x'));
  r = run({"generate", "--profile", "p.PFG", "--check"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Out, " ... (70000 characters)")) << r.Out.substr(0, 500);
  EXPECT_LT(r.Out.size(), 6000u);
  fs::remove(cls);
  r = run({"generate", "--profile", "p.PFG", "--check"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_FALSE(fs::exists(cls));

  // A capture of the catalogue, in either form, generates the same bytes in its place.
  for (const char* out : {"captured.sql", "captured.db"}) {
    SCOPED_TRACE(out);
    r = run({"snapshot", "--profile", "p.PFG", "-o", out});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    WriteAll(w.dir + "/cat.sql", ReadAll(w.dir + "/" + out));
    if (std::string(out).ends_with(".db")) {
      // The profile names cat.sql, read as a script: give the database its own name.
      WriteAll(w.dir + "/p.PFG", Replaced(ReadAll(w.dir + "/p.PFG"), "cat.sql", "captured.db"));
    }
    r = run({"generate", "--profile", "p.PFG", "--yes"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    // The database is named in the profile, and so in the class heading; the script
    // stands where the catalogue stood.
    if (std::string(out).ends_with(".db"))
      EXPECT_EQ(Replaced(ReadAll(cls), "captured.db", "cat.sql"), original);
    else
      EXPECT_EQ(ReadAll(cls), original);
    WriteAll(w.dir + "/cat.sql", ReadAll(Sample(s.Script)));
    WriteAll(w.dir + "/p.PFG", Replaced(ReadAll(Sample(s.Profile)), std::string("samples/") + s.Script, "cat.sql"));
  }
  const std::string info = ReadAll(w.dir + "/captured.sql");
  EXPECT_TRUE(Has(info, "('TakenAt', '2025-12-06T14:03:05Z')")) << info.substr(info.size() - 300);

  // The diff of the sample against itself is empty; against an edited copy it lists the edit.
  r = run({"diff", "cat.sql", "captured.sql", "--profile", "p.PFG"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "");
  {
    WriteAll(w.dir + "/new.sql", Replaced(ReadAll(Sample(s.Script)), s.EditFrom, s.EditTo));
    r = run({"diff", "cat.sql", "new.sql", "--profile", "p.PFG"});
    std::string want;
    bool breaking = false;
    for (const std::string& l : s.DiffLines) {
      want += l + "\n";
      breaking = breaking || l.ends_with("(breaking)");
    }
    EXPECT_EQ(r.Out, want) << r.Err;
    EXPECT_EQ(r.ExitCode, breaking ? 1 : 0) << r.Err;
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, CliCatalogueTest, ::testing::ValuesIn(kSamples));

}  // namespace
}  // namespace pftest
