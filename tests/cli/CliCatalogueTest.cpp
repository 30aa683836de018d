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

TEST(CliCatalogue, BadSnapshotsAndOutputPaths) {
  ProgramInstall cli;
  Work w(cli, kSamples[0]);
  WriteAll(w.dir + "/notes.sql", "this is not SQL;\n");
  WriteAll(w.dir + "/empty.db", "");
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string message;
  };
  const Case cases[] = {
      {{"diff", "notes.sql", "cat.sql"}, 2, "'notes.sql' is not a catalogue snapshot"},
      {{"diff", "cat.sql", "missing.sql"}, 2, "'missing.sql' is not a catalogue snapshot"},
      {{"diff", "cat.sql", "empty.db"}, 2, "has no table sysobjects"},
      {{"diff", "cat.sql", Sample("oracle/Sales.sql")}, 2, "of server type 3 (Oracle), not of the profile's server type 1"},
      {{"snapshot", "-o", "no/such/folder/x.db"}, 1, "no/such/folder/x.db"},
      {{"snapshot", "-o", "p.PFG/x.sql"}, 1, "p.PFG/x.sql"},
      {{"snapshot"}, 2, "snapshot needs -o FILE"},
      {{"diff"}, 2, "diff needs the snapshot OLD"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    if (args.size() > 1) args.insert(args.end(), {"--profile", "p.PFG"});
    const ProgramResult r = cli.Run(args, kEpoch, w.dir);
    EXPECT_EQ(r.ExitCode, c.exit) << args[0] << " " << args[1] << ": " << r.Err;
    EXPECT_TRUE(Has(r.Err, c.message)) << r.Err;
  }
  // Nothing half-written where the capture could not go.
  EXPECT_FALSE(fs::exists(w.dir + "/no"));
  for (const auto& e : fs::directory_iterator(w.dir))
    EXPECT_FALSE(e.path().filename().string().starts_with("x.")) << e.path();
}

// An output that is not a regular file, or that is (under any name) a file the run reads,
// is refused before any work and left as it was; a link to a regular file is followed.
TEST(CliCatalogue, OutputTargets) {
  ProgramInstall cli;
  Work w(cli, kSamples[0]);
  const std::string profile = w.dir + "/p.PFG", snapshot = w.dir + "/cat.sql";
  WriteAll(w.dir + "/h.cls", "Sub A()\r\nEnd Sub\r\n");
  fs::create_symlink("/dev/null", w.dir + "/mynull");
  ASSERT_EQ(::mkfifo((w.dir + "/fifo").c_str(), 0600), 0);
  fs::create_symlink("p.PFG", w.dir + "/link.PFG");
  fs::create_symlink("h.cls", w.dir + "/h-link.cls");
  fs::create_directory(w.dir + "/folder");
  const auto same = [](const std::string& out, const std::string& in) {
    return out + " is the same file as " + in + ", which this run reads";
  };
  struct Case {
    std::vector<std::string> args;  // generate: the class file
    std::string message;
  };
  const Case cases[] = {
      {{"snapshot", "-o", "mynull"}, "mynull is a device, not a file."},
      {{"snapshot", "-o", "fifo"}, "fifo is a FIFO (named pipe), not a file."},
      {{"snapshot", "-o", "folder"}, "folder is a folder, not a file."},
      {{"snapshot", "-o", "p.PFG"}, same("p.PFG", profile)},
      {{"snapshot", "-o", "link.PFG"}, same("link.PFG", profile)},
      {{"snapshot", "-o", "cat.sql"}, same("cat.sql", "cat.sql")},
      {{"html", "h.cls", "-o", "h.cls"}, same("h.cls", "h.cls")},
      {{"html", "h.cls", "-o", "h-link.cls"}, same("h-link.cls", "h.cls")},
      {{"html", "h.cls", "-o", "mynull"}, "mynull is a device, not a file."},
      {{"html", "fifo"}, "fifo is a FIFO (named pipe), not a file."},
      {{"generate", "mynull"}, "mynull is a device, not a file."},
      {{"generate", "fifo"}, "fifo is a FIFO (named pipe), not a file."},
      {{"generate", "g.PFG"}, same("g.PFG", w.dir + "/g.PFG")},
      {{"generate", "cat.sql"}, same("cat.sql", "cat.sql")},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    if (args[0] == "generate") {
      fs::copy_file(profile, w.dir + "/g.PFG", fs::copy_options::overwrite_existing);
      ASSERT_EQ(cli.Run({"configure", "--profile", "g.PFG", "--set", "Code.ClassFile=" + args[1]}, kEpoch, w.dir)
                    .ExitCode, 0);
      args = {"generate", "--profile", "g.PFG", "--yes"};
    } else if (args[0] == "snapshot") {
      args.insert(args.end(), {"--profile", "p.PFG"});
    }
    const std::string before = ReadAll(profile) + ReadAll(snapshot) + ReadAll(w.dir + "/h.cls");
    const ProgramResult r = cli.Run(args, kEpoch, w.dir);
    EXPECT_EQ(r.ExitCode, 1) << c.message << ": " << r.Err;
    EXPECT_TRUE(Has(r.Err, c.message)) << r.Err;
    EXPECT_FALSE(Has(r.Err, "Internal app error")) << r.Err;
    EXPECT_EQ(ReadAll(profile) + ReadAll(snapshot) + ReadAll(w.dir + "/h.cls"), before) << c.message;
  }
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_TRUE(fs::is_fifo(w.dir + "/fifo"));
  // Through a link to a regular file, that file is written and the link kept.
  WriteAll(w.dir + "/h.htm", "old");
  fs::create_symlink("h.htm", w.dir + "/h-link.htm");
  ASSERT_EQ(cli.Run({"html", "h.cls", "-o", "h-link.htm"}, kEpoch, w.dir).ExitCode, 0);
  EXPECT_TRUE(fs::is_symlink(w.dir + "/h-link.htm"));
  EXPECT_TRUE(Has(ReadAll(w.dir + "/h.htm"), "A()"));
}

}  // namespace
}  // namespace pftest
