#include <gtest/gtest.h>
#include <sqlite3.h>

#include <future>
#include <tuple>

#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Stream.h"
#include "support/Golden.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::ado;

std::shared_ptr<Command> MakeCommand(const std::shared_ptr<Connection>& c, int type, const std::string& text);

namespace {

// A small SQL Server catalogue.
const std::string kCatalogue = pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/ado/catalogue.sql");
// A statement that does not end.
const std::string kRunaway = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT count(*) FROM n";

std::shared_ptr<Connection> OpenSnapshot(const std::string& file) {
  auto c = Connection::Create();
  c->Open("Provider=Procforge.Snapshot;Data Source=" + file);
  return c;
}

std::shared_ptr<Recordset> Query(const std::shared_ptr<Connection>& c, const std::string& sql) {
  auto rs = Recordset::Create();
  rs->Open(MakeCommand(c, adCmdText, sql));
  return rs;
}
std::string Count(const std::shared_ptr<Connection>& c) {
  return Query(c, "SELECT count(*) AS n FROM sysobjects")->Value("n");
}

std::string SavedXml(const Recordset& rs) {
  Stream s;
  s.Open();
  rs.Save(s, adPersistXML);
  s.SetPosition(0);
  return s.ReadText(adReadAll);
}

// Runs Sql on the SQLite database File, made when missing.
void ExecSqlite(const std::string& File, const std::string& Sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(File.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, Sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << Sql;
  sqlite3_close(db);
}

class SnapshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    script_ = dir_.file("mssql.sql");
    pftest::WriteAll(script_, kCatalogue);
    // The same catalogue as a SQLite database file.
    database_ = dir_.file("mssql.db");
    ExecSqlite(database_, kCatalogue);
  }
  pftest::TempDir dir_;
  std::string script_;
  std::string database_;
};

}  // namespace

TEST_F(SnapshotTest, UnknownFieldsAndBadQueriesFailWithTheirCause) {
  auto c = OpenSnapshot(script_);
  auto rs = Query(c, "SELECT name FROM sysobjects");
  EXPECT_EQ(pftest::ExpectFailure([&] { rs->Value("nosuch"); }, {"'nosuch'"}).Number,
            AdoErrorNumber(adErrItemNotFound));
  const AppError e = pftest::ExpectFailure([&] { Query(c, "SELECT * FROM nowhere"); }, {"no such table: nowhere"});
  EXPECT_EQ(e.Number, ProviderErrorNumber);
  ASSERT_EQ(c->Errors().size(), 1u);
  EXPECT_EQ(c->Errors()[0].Description, e.Description);
  // A runaway query ends at the command timeout, or at the step limit when the machine gets
  // there first.
  auto cmd = MakeCommand(c, adCmdText, kRunaway);
  cmd->CommandTimeout = 1;
  const AppError runaway = pftest::Raised([&] { cmd->Execute(); });
  EXPECT_TRUE(pftest::Has(runaway.Description, "Query timeout expired") ||
              pftest::Has(runaway.Description, "million steps"))
      << runaway.Description;
  // A snapshot is never written through a connection, in either form.
  for (const std::string& file : {script_, database_}) {
    auto w = OpenSnapshot(file);
    EXPECT_THROW(Query(w, "DELETE FROM sysobjects"), AppError);
    EXPECT_EQ(Count(w), "3");
  }
}

TEST_F(SnapshotTest, BrokenSnapshotsAreReportedWithTheirPlace) {
  pftest::WriteAll(dir_.file("bad.sql"), "CREATE TABLE t (a);\n\nINSERT INTO nowhere VALUES (1);\n");
  pftest::ExpectFailure([&] { OpenSnapshot(dir_.file("bad.sql")); }, {"line 3", "no such table: nowhere"});
  pftest::WriteAll(dir_.file("junk.db"), std::string(4096, 'x'));
  EXPECT_THROW(OpenSnapshot(dir_.file("junk.db")), AppError);
  // A statement that does not end is stopped at the step limit, in a script and in a view
  // of a database, whatever the command timeout.
  pftest::WriteAll(dir_.file("loop.sql"), "CREATE TABLE t (a);\nINSERT INTO t " + kRunaway + ";\n");
  pftest::ExpectFailure([&] { OpenSnapshot(dir_.file("loop.sql")); }, {"line 2", "without an end"});
  ExecSqlite(database_, "CREATE VIEW loop AS " + kRunaway);
  auto cmd = MakeCommand(OpenSnapshot(database_), adCmdText, "SELECT * FROM loop");
  cmd->CommandTimeout = 0;
  pftest::ExpectFailure([&] { cmd->Execute(); }, {"without an end"});
}

// A database in WAL mode is read as it is: nothing is made beside it, so it also reads in a
// folder the user may not write.
TEST_F(SnapshotTest, WalDatabasesAreReadWithoutFilesBesideThem) {
  namespace fs = std::filesystem;
  const std::string folder = dir_.file("ro");
  fs::create_directories(folder);
  const std::string file = folder + "/wal.db";
  ExecSqlite(file, "PRAGMA journal_mode=WAL;" + kCatalogue);
  ASSERT_EQ(pftest::ReadAll(file)[18], 2);  // still marked as WAL
  const std::string before = pftest::ReadAll(file);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(Count(OpenSnapshot(file)), "3");
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_FALSE(fs::exists(file + "-wal"));
  EXPECT_FALSE(fs::exists(file + "-shm"));
  EXPECT_EQ(pftest::ReadAll(file), before);
}

// A snapshot script that would reach other files is refused, names itself and its statement,
// and leaves every other file as it was.
TEST_F(SnapshotTest, HostileScriptsTouchNoOtherFile) {
  const std::string victim = database_, made = dir_.file("made.db");
  const std::string before = pftest::ReadAll(victim);
  const std::pair<std::string, std::string> cases[] = {
      {"ATTACH DATABASE '" + made + "' AS x; CREATE TABLE x.t(a);", "uses ATTACH"},
      {"ATTACH '" + victim + "' AS v; DELETE FROM v.ProcedureParameters; DROP TABLE v.sysobjects;", "uses ATTACH"},
      {"VACUUM INTO '" + made + "';", "uses VACUUM INTO"},
      {"PRAGMA writable_schema = ON;", "uses PRAGMA writable_schema"},
      {"CREATE VIRTUAL TABLE v USING rtree(id, a, b);", "uses a virtual table"},
  };
  for (const auto& [statement, refused] : cases) {
    SCOPED_TRACE(statement);
    const std::string file = dir_.file("hostile.sql");
    pftest::WriteAll(file, "CREATE TABLE t (a);\n" + statement + "\n");
    pftest::ExpectFailure([&] { OpenSnapshot(file); }, {"'" + file + "' is refused: the statement at line 2 (" +
                                                        statement.substr(0, statement.find(';')) + ") " + refused});
    EXPECT_FALSE(std::filesystem::exists(made));
    EXPECT_EQ(pftest::ReadAll(victim), before);
  }
  // Harmless settings, as a dump of a database writes them, still run.
  pftest::WriteAll(dir_.file("dump.sql"), "PRAGMA foreign_keys=OFF;\n" + kCatalogue);
  EXPECT_EQ(Count(OpenSnapshot(dir_.file("dump.sql"))), "3");
}

TEST_F(SnapshotTest, ParameterRefreshFollowsProcedureParameters) {
  auto c = OpenSnapshot(database_);
  auto cmd = MakeCommand(c, adCmdStoredProc, "SPGETORDERS");  // matched without regard to case
  cmd->Parameters().Refresh();
  ASSERT_EQ(cmd->Parameters().Count(), 3u);
  const Parameter &ret = cmd->Parameters().Item(0), &total = cmd->Parameters().Item("@total");
  EXPECT_EQ(std::tuple(ret.Name, ret.Direction, ret.Type, ret.Precision),
            std::tuple("@RETURN_VALUE", adParamReturnValue, adInteger, 10));
  EXPECT_EQ(cmd->Parameters().Item(1).Name, "@Customer");
  EXPECT_EQ(std::tuple(total.Direction, total.Type, total.NumericScale, total.Attributes & adParamNullable),
            std::tuple(adParamInputOutput, adCurrency, 4, adParamNullable));

  cmd->CommandText = "spNoParams";  // known, without any parameter
  cmd->Parameters().Refresh();
  EXPECT_EQ(cmd->Parameters().Count(), 0u);

  cmd->CommandText = "spUnknown";
  pftest::ExpectFailure([&] { cmd->Parameters().Refresh(); }, {"'spUnknown'"});
  cmd->CommandType = adCmdText;
  EXPECT_THROW(cmd->Parameters().Refresh(), AppError);
}

// The persistence format of a result set with odd names, markup characters and Nulls (which
// have no attribute), and of an empty one, against a golden file.
TEST_F(SnapshotTest, SavesTheXmlPersistenceFormat) {
  auto c = OpenSnapshot(script_);
  const std::string xml =
      SavedXml(*Query(c,
                      "SELECT name, id, crdate, 'a<b & \"c''' AS [odd name], NULL AS nada, 1.5 AS r "
                      "FROM sysobjects WHERE id < 103 ORDER BY id"));
  auto empty = Query(c, "SELECT name FROM sysobjects WHERE 0");
  EXPECT_TRUE(empty->Eof());
  EXPECT_EQ(empty->State(), adStateOpen);
  pftest::ExpectGolden("ado/recordset.xml", xml + "\n====\n" + SavedXml(*empty));
}

TEST(Stream, ReadsBackFromAPosition) {
  Stream s;
  EXPECT_THROW(s.ReadText(), AppError);
  s.Open();
  s.WriteText("hello world");
  EXPECT_EQ(s.ReadText(), "");
  s.SetPosition(6);
  EXPECT_EQ(s.ReadText(3), "wor");
  EXPECT_EQ(s.ReadText(adReadAll), "ld");
  EXPECT_THROW(s.SetPosition(99), AppError);
}

TEST_F(SnapshotTest, ReopenedSnapshotsFollowTheirFileAndSessionsStayApart) {
  // Connections to one snapshot share its loaded database; a changed file is loaded anew.
  {
    auto first = OpenSnapshot(script_);
    auto second = OpenSnapshot(script_);
    EXPECT_EQ(Count(second), "3");
    // A transaction left open by a closed connection does not reach the next one.
    first->BeginTrans();
    first->Close();
    auto third = OpenSnapshot(script_);
    EXPECT_NO_THROW(third->BeginTrans());
    third->RollbackTrans();
  }
  pftest::WriteAll(script_, std::string(kCatalogue) + "INSERT INTO sysobjects VALUES ('spNew', 104, 'P ', NULL);\n");
  EXPECT_EQ(Count(OpenSnapshot(script_)), "4");

  // Connections on two threads read the shared database at the same time.
  auto refreshMany = [&] {
    auto cmd = MakeCommand(OpenSnapshot(script_), adCmdStoredProc, "spGetOrders");
    size_t described = 0;
    for (int i = 0; i < 2000; ++i) {
      cmd->Parameters().Refresh();
      described += cmd->Parameters().Count();
    }
    return described;
  };
  auto other = std::async(std::launch::async, refreshMany);
  EXPECT_EQ(refreshMany(), 6000u);
  EXPECT_EQ(other.get(), 6000u);

  // Result sets not yet read end with their connection.
  auto c = OpenSnapshot(script_);
  auto rs = Query(c, "SELECT name FROM sysobjects; SELECT Key FROM SnapshotInfo;");
  c->Close();
  EXPECT_THROW(rs->NextRecordset(), AppError);
}
