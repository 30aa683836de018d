#include "base/NoCase.h"
#include "base/Os.h"
#include "platform/ado/SnapshotProvider.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <mutex>
#include <vector>

#include "base/NameTable.h"
#include "base/Utf8.h"
#include "platform/FileIO.h"
#include "platform/ado/Ado.h"

namespace pf::ado::SnapshotProvider {

namespace {

constexpr const char* kSource = "Procforge.Snapshot";

// SQL Server's schemas as a snapshot keeps them (table "schemas" and SnapshotInfo's
// DefaultSchema), which SCHEMA_NAME and SCHEMA_ID answer from.
struct SchemaTable {
  std::map<sqlite3_int64, std::string> Names;
  std::string DefaultName;
  std::optional<sqlite3_int64> DefaultId;
};

// The database, shared by the session and its result streams; null once closed. It is
// opened without SQLite's own per-call locking, which costs more than reading a row: each
// statement runs whole under `use` instead, as sessions of one snapshot may be on other threads.
struct Db {
  sqlite3* handle = nullptr;
  std::mutex use;
  std::chrono::steady_clock::time_point deadline{};
  bool timed = false;
  unsigned long long steps = 0;      // progress calls of the running statement
  sqlite3_stmt* describe = nullptr;  // the parameter query, prepared on first use
  std::unique_ptr<SchemaTable> schemas;  // SQL Server's, where the snapshot has them
  ~Db() {
    sqlite3_finalize(describe);
    if (handle) sqlite3_close_v2(handle);
  }
};

// Every statement on a snapshot is bounded: the tables are small, and a statement that
// runs this long does not end (a recursive query without a limit, a view of one). The
// progress handler runs every kStepsPerCall virtual-machine instructions. The largest
// statement on a catalogue of 20,000 procedures (140,000 parameters copied or read in one
// statement) takes about 2 million steps; the limit is 50 million, a few seconds.
constexpr int kStepsPerCall = 1000;
constexpr unsigned long long kMaxCalls = 50'000;
// Set by the progress handler when it stopped a statement at the step limit, for Fail on
// the same thread.
thread_local bool t_stepLimitHit = false;

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
  std::string text = what;
  if (db) {
    text += ": ";
    // The progress handler interrupts statements that run past the command timeout or the
    // step limit.
    if (sqlite3_errcode(db) != SQLITE_INTERRUPT)
      text += sqlite3_errmsg(db);
    else if (t_stepLimitHit)
      text += "it was stopped after " + std::to_string(kMaxCalls * kStepsPerCall / 1'000'000) +
              " million steps without an end (a recursive query without a limit?)";
    else
      text += "Query timeout expired";
  }
  t_stepLimitHit = false;
  ErrorRecord r{text, {}, db ? sqlite3_extended_errcode(db) : 0, kSource};
  throw ProviderError(kSource, std::vector<ErrorRecord>{r});
}

int ProgressHandler(void* p) {
  Db* db = static_cast<Db*>(p);
  if (++db->steps > kMaxCalls) {
    t_stepLimitHit = true;
    return 1;
  }
  return db->timed && std::chrono::steady_clock::now() > db->deadline ? 1 : 0;
}

void Arm(Db& db, int timeoutSeconds) {
  db.steps = 0;
  t_stepLimitHit = false;
  db.timed = timeoutSeconds > 0;
  if (db.timed) db.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
}

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

// "VARCHAR(40)" -> 40, "NUMERIC(10,2)" -> 10 and 2.
void DeclaredSizes(std::string_view decl, long& first, int& second) {
  first = 0;
  second = 0;
  const size_t open = decl.find('(');
  if (open == std::string_view::npos) return;
  const char* p = decl.data() + open + 1;
  const char* end = decl.data() + decl.size();
  while (p < end && *p == ' ') ++p;
  p = std::from_chars(p, end, first).ptr;
  while (p < end && (*p == ' ' || *p == ',')) ++p;
  std::from_chars(p, end, second);
}

std::string FormatReal(double d) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

std::string Hex(const void* data, int size) {
  static constexpr char kHex[] = "0123456789abcdef";
  const unsigned char* b = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve(static_cast<size_t>(size) * 2);
  for (int i = 0; i < size; ++i) {
    out += kHex[b[i] >> 4];
    out += kHex[b[i] & 0xF];
  }
  return out;
}

// Reads all rows of a prepared statement that has columns.
void ReadAll(sqlite3* db, sqlite3_stmt* stmt, ResultSet& out) {
  const int n = sqlite3_column_count(stmt);
  out.Columns.assign(static_cast<size_t>(n), ColumnInfo());
  out.Cells.clear();
  std::vector<int> firstStorage(static_cast<size_t>(n), SQLITE_NULL);
  std::vector<bool> wide(static_cast<size_t>(n), false);
  for (int i = 0; i < n; ++i) {
    ColumnInfo& c = out.Columns[static_cast<size_t>(i)];
    const char* name = sqlite3_column_name(stmt, i);
    c.Name = name ? name : "";
    const char* decl = sqlite3_column_decltype(stmt, i);
    c.Type = decl ? AdoTypeOfDeclared(decl) : adEmpty;
    if (decl) DeclaredSizes(decl, c.DefinedSize, c.NumericScale);
    if (c.Type == adNumeric) {
      c.Precision = c.DefinedSize > 0 ? static_cast<int>(c.DefinedSize) : 18;
      c.DefinedSize = 19;
    }
  }
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int i = 0; i < n; ++i) {
      const size_t k = static_cast<size_t>(i);
      const int storage = sqlite3_column_type(stmt, i);
      if (firstStorage[k] == SQLITE_NULL) firstStorage[k] = storage;
      const ColumnInfo& c = out.Columns[k];
      switch (storage) {
        case SQLITE_NULL:
          out.Cells.emplace_back(std::nullopt);
          break;
        case SQLITE_INTEGER: {
          const sqlite3_int64 v = sqlite3_column_int64(stmt, i);
          if (v > INT32_MAX || v < INT32_MIN) wide[k] = true;
          if (c.Type == adBoolean) out.Cells.emplace_back(v ? "True" : "False");
          else out.Cells.emplace_back(std::to_string(v));
          break;
        }
        case SQLITE_FLOAT:
          out.Cells.emplace_back(FormatReal(sqlite3_column_double(stmt, i)));
          break;
        case SQLITE_BLOB:
          out.Cells.emplace_back(Hex(sqlite3_column_blob(stmt, i), sqlite3_column_bytes(stmt, i)));
          break;
        default: {
          const unsigned char* t = sqlite3_column_text(stmt, i);
          out.Cells.emplace_back(std::string(reinterpret_cast<const char*>(t), sqlite3_column_bytes(stmt, i)));
        }
      }
    }
  }
  if (rc != SQLITE_DONE) Fail(db, "The query failed");
  // Columns without a declared type (expressions) take the type of their values.
  const size_t rows = out.RowCount();
  for (size_t k = 0; k < out.Columns.size(); ++k) {
    ColumnInfo& c = out.Columns[k];
    if (c.Type == adEmpty) {
      switch (firstStorage[k]) {
        case SQLITE_INTEGER: c.Type = wide[k] ? adBigInt : adInteger; break;
        case SQLITE_FLOAT: c.Type = adDouble; break;
        case SQLITE_BLOB: c.Type = adLongVarBinary; break;
        default: c.Type = adVarWChar;
      }
    } else if (c.Type == adInteger && wide[k]) {
      c.Type = adBigInt;
    }
    const bool text = c.Type == adVarWChar || c.Type == adWChar || c.Type == adVarChar || c.Type == adChar ||
                      c.Type == adLongVarWChar || c.Type == adLongVarChar;
    const bool binary = c.Type == adLongVarBinary || c.Type == adVarBinary || c.Type == adBinary;
    if ((text || binary) && c.DefinedSize <= 0) {
      // Without a declared length, the longest value (in characters) stands for it.
      long longest = 1;
      for (size_t r = 0; r < rows; ++r) {
        const std::optional<std::string>& v = out.Cells[r * out.Columns.size() + k];
        if (!v) continue;
        const long len = static_cast<long>(binary ? v->size() / 2 : Utf8::Length(*v));
        longest = std::max(longest, len);
      }
      c.DefinedSize = longest;
    }
    c.Long = c.Type == adLongVarWChar || c.Type == adLongVarChar || c.Type == adLongVarBinary;
  }
}

class SnapshotStream : public IResultStream {
 public:
  SnapshotStream(std::shared_ptr<Db> db, std::shared_ptr<const bool> sessionOpen, std::string sql, int timeout)
      : db_(std::move(db)), sessionOpen_(std::move(sessionOpen)), sql_(std::move(sql)), timeout_(timeout) {}

  bool Next(ResultSet& out) override {
    std::lock_guard<std::mutex> lock(db_->use);
    while (offset_ < sql_.size()) {
      if (!*sessionOpen_ || !db_->handle) throw ProviderError(kSource, "The connection is closed.");
      Statement s;
      const char* start = sql_.c_str() + offset_;
      const char* tail = nullptr;
      Arm(*db_, timeout_);
      // The length counts the terminating NUL: SQLite copies a text that does not end in one.
      if (sqlite3_prepare_v2(db_->handle, start, static_cast<int>(sql_.size() - offset_ + 1), &s.stmt, &tail) !=
          SQLITE_OK)
        Fail(db_->handle, "The statement cannot be prepared");
      offset_ = tail ? static_cast<size_t>(tail - sql_.c_str()) : sql_.size();
      if (!s.stmt) continue;  // blanks or a comment
      if (sqlite3_column_count(s.stmt) == 0) {
        const int rc = sqlite3_step(s.stmt);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) Fail(db_->handle, "The statement failed");
        continue;
      }
      ReadAll(db_->handle, s.stmt, out);
      return true;
    }
    return false;
  }

 private:
  std::shared_ptr<Db> db_;
  std::shared_ptr<const bool> sessionOpen_;  // the stream ends with its session
  std::string sql_;
  size_t offset_ = 0;
  int timeout_;
};

// A parameter from the columns Name, Direction, Type, Size, Precision, NumericScale and
// Attributes, the first at `first`.
// A procedure without parameters is one row of NULLs; a parameter whose name alone is
// NULL is still a parameter, with an empty name.
bool IsNoParameterRow(sqlite3_stmt* stmt, int first) {
  return sqlite3_column_type(stmt, first) == SQLITE_NULL && sqlite3_column_type(stmt, first + 1) == SQLITE_NULL &&
         sqlite3_column_type(stmt, first + 2) == SQLITE_NULL;
}

// The column of ProcedureParameters that names each parameter's type as the server does
// ("cursor", a table type's name), or NULL for a snapshot written without it.
std::string TypeNameColumn(sqlite3* db) {
  Statement probe;
  return sqlite3_prepare_v2(db, "SELECT TypeName FROM ProcedureParameters", -1, &probe.stmt, nullptr) == SQLITE_OK
             ? "TypeName"
             : "NULL";
}

// A parameter from the columns Name, Direction, Type, Size, Precision, NumericScale,
// Attributes and TypeName, beginning at `first`.
ParameterInfo Row(sqlite3_stmt* stmt, int first) {
  ParameterInfo p;
  if (const unsigned char* name = sqlite3_column_text(stmt, first)) p.Name = reinterpret_cast<const char*>(name);
  p.Direction = sqlite3_column_int(stmt, first + 1);
  p.Type = sqlite3_column_int(stmt, first + 2);
  p.Size = static_cast<long>(sqlite3_column_int64(stmt, first + 3));
  p.Precision = sqlite3_column_int(stmt, first + 4);
  p.NumericScale = sqlite3_column_int(stmt, first + 5);
  p.Attributes = sqlite3_column_int(stmt, first + 6);
  if (const unsigned char* type = sqlite3_column_text(stmt, first + 7))
    p.TypeName = reinterpret_cast<const char*>(type);
  return p;
}

// An Ordinal cell as ORDER BY Ordinal sorts it: NULL first, then numbers by value, then
// text and blobs byte by byte.
struct OrdinalKey {
  int Class = 0;  // 0 NULL, 1 number, 2 text, 3 blob
  bool IsInteger = false;
  int64_t Integer = 0;
  double Real = 0;
  std::string Bytes;

  explicit OrdinalKey(sqlite3_stmt* stmt, int col) {
    switch (sqlite3_column_type(stmt, col)) {
      case SQLITE_NULL:
        break;
      case SQLITE_INTEGER:
        Class = 1, IsInteger = true, Integer = sqlite3_column_int64(stmt, col);
        Real = static_cast<double>(Integer);
        break;
      case SQLITE_FLOAT:
        Class = 1, Real = sqlite3_column_double(stmt, col);
        break;
      default:
        Class = sqlite3_column_type(stmt, col) == SQLITE_TEXT ? 2 : 3;
        if (const void* b = sqlite3_column_blob(stmt, col))
          Bytes.assign(static_cast<const char*>(b), static_cast<size_t>(sqlite3_column_bytes(stmt, col)));
    }
  }
  bool operator<(const OrdinalKey& o) const {
    if (Class != o.Class) return Class < o.Class;
    if (Class == 1) return IsInteger && o.IsInteger ? Integer < o.Integer : Real < o.Real;
    return Bytes < o.Bytes;
  }
};

// Every procedure's parameters, the procedures in name order (compared byte by byte) and
// each one's parameters in ordinal order. The rows are read in table order and put in
// order here, procedure by procedure: a sort of the whole table in the query costs more
// than reading it. Rows of equal ordinal stay as the table holds them.
//
// The rows go into one array first, each with the number of its procedure; each
// procedure's vector is then made once, at its size, in the order returned. So the
// catalogue lies in memory as it is read later, without the grown and freed vectors of
// a read procedure by procedure between its pieces.
std::vector<ProcedureDescription> ReadAllParameters(sqlite3* db) {
  Statement s;
  if (sqlite3_prepare_v2(db,
                         ("SELECT ProcedureName, Name, Direction, Type, Size, Precision, NumericScale, Attributes, " +
                          TypeNameColumn(db) + ", Ordinal FROM ProcedureParameters")
                             .c_str(),
                         -1, &s.stmt, nullptr) != SQLITE_OK)
    Fail(db, "The snapshot cannot describe procedures (table ProcedureParameters)");
  constexpr int kOrdinal = 9;
  struct ReadRow {
    size_t Proc;
    OrdinalKey Ordinal;
    ParameterInfo Info;
  };
  std::vector<ReadRow> rows;
  {
    // Counted first, so that the array is made once at its size instead of growing by
    // copies of itself (which, past the allocator's limit for its heap, would each be
    // memory of their own, touched afresh).
    Statement count;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM ProcedureParameters", -1, &count.stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(count.stmt) == SQLITE_ROW)
      rows.reserve(static_cast<size_t>(std::max<sqlite3_int64>(0, sqlite3_column_int64(count.stmt, 0))));
  }
  ExactNameMap<size_t> byName;          // name -> index in names; the table keeps the names
  std::vector<std::string_view> names;  // in the order first read
  std::vector<size_t> counts;           // rows per procedure, beside names
  // A procedure's rows usually follow one another: the row after the first of them is
  // matched against the last procedure before the name is looked up.
  size_t last = 0;
  int rc;
  while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
    const unsigned char* proc = sqlite3_column_text(s.stmt, 0);
    if (!proc) continue;  // a row that no refresh can find
    const std::string_view procName(reinterpret_cast<const char*>(proc),
                                    static_cast<size_t>(sqlite3_column_bytes(s.stmt, 0)));
    if (names.empty() || names[last] != procName) {
      const auto [entry, added] = byName.emplace_copy(procName, names.size());
      if (added) {
        names.push_back(entry->first);
        counts.push_back(0);
      }
      last = entry->second;
    }
    if (IsNoParameterRow(s.stmt, 1)) continue;
    rows.push_back({last, OrdinalKey(s.stmt, kOrdinal), Row(s.stmt, 1)});
    ++counts[last];
  }
  if (rc != SQLITE_DONE) Fail(db, "The procedure parameters cannot be read");

  // The rows of each procedure together, in table order (a counting sort by procedure).
  std::vector<size_t> first(names.size() + 1, 0);
  for (size_t i = 0; i < names.size(); ++i) first[i + 1] = first[i] + counts[i];
  std::vector<size_t> byProc(rows.size());
  {
    std::vector<size_t> next(first.begin(), first.end() - 1);
    for (size_t r = 0; r < rows.size(); ++r) byProc[next[rows[r].Proc]++] = r;
  }
  std::vector<size_t> order(names.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  // A snapshot usually lists the procedures in name order already.
  const auto nameOrder = [&](size_t a, size_t b) { return names[a] < names[b]; };
  if (!std::is_sorted(order.begin(), order.end(), nameOrder)) std::sort(order.begin(), order.end(), nameOrder);
  // Mostly the table holds a procedure's rows in order already: then no sort is needed.
  const auto byOrdinal = [&](size_t a, size_t b) { return rows[a].Ordinal < rows[b].Ordinal; };
  std::vector<ProcedureDescription> sorted(names.size());
  for (size_t k = 0; k < order.size(); ++k) {
    const size_t i = order[k];
    const auto from = byProc.begin() + static_cast<std::ptrdiff_t>(first[i]);
    const auto to = byProc.begin() + static_cast<std::ptrdiff_t>(first[i + 1]);
    if (!std::is_sorted(from, to, byOrdinal)) std::stable_sort(from, to, byOrdinal);
    ProcedureDescription& d = sorted[k];
    d.Name = names[i];
    d.Parameters.reserve(counts[i]);
    for (auto r = from; r != to; ++r) d.Parameters.push_back(std::move(rows[*r].Info));
  }
  return sorted;
}

class SnapshotSession : public IProviderSession {
 public:
  explicit SnapshotSession(std::shared_ptr<Db> db) : db_(std::move(db)) {}

  std::unique_ptr<IResultStream> Execute(const std::string& sql, int timeoutSeconds) override {
    Require();
    return std::make_unique<SnapshotStream>(db_, open_, sql, timeoutSeconds);
  }

  std::optional<std::vector<ProcedureDescription>> DescribeAllProcedures(int timeoutSeconds) override {
    Require();
    std::lock_guard<std::mutex> lock(db_->use);
    Arm(*db_, timeoutSeconds);
    return ReadAllParameters(db_->handle);
  }

  ProcedureDescription DescribeProcedure(const std::string& name, int timeoutSeconds) override {
    Require();
    std::lock_guard<std::mutex> lock(db_->use);
    Arm(*db_, timeoutSeconds);
    // Prepared once per database: an extractor describes every procedure in turn. The name
    // is matched without regard to case, but a spelling the snapshot holds exactly wins:
    // names that differ only in case are different procedures.
    if (!db_->describe &&
        sqlite3_prepare_v2(
            db_->handle,
            ("SELECT Name, Direction, Type, Size, Precision, NumericScale, Attributes, " + TypeNameColumn(db_->handle) +
             " FROM ProcedureParameters WHERE ProcedureName = ?1 COLLATE NOCASE AND ProcedureName = "
             "coalesce((SELECT ProcedureName FROM ProcedureParameters WHERE ProcedureName = ?1 COLLATE "
             "NOCASE AND ProcedureName = ?1 COLLATE BINARY LIMIT 1), ProcedureName) COLLATE BINARY "
             "ORDER BY Ordinal")
                .c_str(),
            -1, &db_->describe, nullptr) != SQLITE_OK)
      Fail(db_->handle, "The snapshot cannot describe procedures (table ProcedureParameters)");
    struct Rewind {
      sqlite3_stmt* stmt;
      ~Rewind() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
      }
    } s{db_->describe};
    sqlite3_bind_text(s.stmt, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    ProcedureDescription out;
    out.Name = name;
    bool known = false;
    int rc;
    while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
      known = true;
      if (IsNoParameterRow(s.stmt, 0)) continue;  // a procedure without parameters
      out.Parameters.push_back(Row(s.stmt, 0));
    }
    if (rc != SQLITE_DONE) Fail(db_->handle, "The procedure parameters cannot be read");
    if (!known)
      throw ProviderError(kSource, "The procedure '" + name +
                                       "' is not described in the snapshot (table ProcedureParameters).");
    return out;
  }

  ~SnapshotSession() override { Close(); }

  ProviderInfo Info() override { return {"Procforge.Snapshot", "", "SQLite", sqlite3_libversion()}; }

  void BeginTrans() override {
    Exec("BEGIN");
    inTransaction_ = true;
  }
  void CommitTrans() override {
    Exec("COMMIT");
    inTransaction_ = false;
  }
  void RollbackTrans() override {
    Exec("ROLLBACK");
    inTransaction_ = false;
  }

  // The database may be shared with other sessions of the same snapshot (see Open), so
  // closing ends this session's transaction and lets go of the database.
  void Close() override {
    if (!db_) return;
    if (inTransaction_ && db_->handle) {
      std::lock_guard<std::mutex> lock(db_->use);
      sqlite3_exec(db_->handle, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    inTransaction_ = false;
    *open_ = false;
    db_.reset();
  }

 private:
  void Require() {
    if (!db_ || !db_->handle) throw ProviderError(kSource, "The connection is closed.");
  }
  bool inTransaction_ = false;
  std::shared_ptr<bool> open_ = std::make_shared<bool>(true);
  void Exec(const char* sql) {
    Require();
    std::lock_guard<std::mutex> lock(db_->use);
    if (sqlite3_exec(db_->handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db_->handle, sql);
  }
  std::shared_ptr<Db> db_;
};

// What a snapshot may do: build and read its own in-memory catalogue, never reach another
// file. ATTACH is refused by the authorizer and the attach limit (which also stops VACUUM
// INTO, as it attaches its target); of the pragmas only settings that touch nothing outside
// the database run; defensive mode keeps the schema from being corrupted on purpose. The
// authorizer records the first refusal, so that a failure can say why.
struct Sandbox {
  std::string Refused;  // what was refused last, empty when nothing was
};

bool IsHarmlessPragma(std::string_view name) {
  static constexpr std::string_view kAllowed[] = {"foreign_keys", "defer_foreign_keys", "encoding",
                                                  "user_version", "application_id",     "query_only"};
  return std::any_of(std::begin(kAllowed), std::end(kAllowed),
                     [&](std::string_view a) { return NoCase::Equals(a, name); });
}

int Authorize(void* user, int action, const char* arg1, const char*, const char*, const char*) {
  std::string refused;
  switch (action) {
    case SQLITE_ATTACH:
      refused = "ATTACH";
      break;
    case SQLITE_DETACH:
      refused = "DETACH";
      break;
    case SQLITE_CREATE_VTABLE:
    case SQLITE_DROP_VTABLE:
      refused = "a virtual table";
      break;
    case SQLITE_PRAGMA:
      if (!arg1 || !IsHarmlessPragma(arg1)) refused = std::string("PRAGMA ") + (arg1 ? arg1 : "");
      break;
    default:
      return SQLITE_OK;
  }
  if (refused.empty()) return SQLITE_OK;
  if (user) static_cast<Sandbox*>(user)->Refused = std::move(refused);
  return SQLITE_DENY;
}

void Confine(sqlite3* db, Sandbox* sandbox) {
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_set_authorizer(db, &Authorize, sandbox);
}

// The statement that begins at `at`, on one line and cut short, for a message.
std::string Excerpt(const char* at, const char* end) {
  std::string out;
  for (const char* p = at; p < end && *p != ';' && out.size() < 80; ++p) {
    const bool blank = std::isspace(static_cast<unsigned char>(*p));
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : *p;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

bool IsScript(const std::string& file) {
  const std::string ext = Os::Utf8(Os::Path(file).extension());
  return NoCase::Equals(ext, ".sql");
}

// Runs a script statement by statement, so that a failure names its line. Steps, when
// given, is the progress handler's counter: each statement starts at 0.
void RunScript(sqlite3* db, const std::string& script, const std::string& file, unsigned long long* steps = nullptr);

void LoadScript(Db& db, const std::string& file) {
  std::ifstream in(Os::Path(file), std::ios::binary);
  if (!in) throw ProviderError(kSource, "The snapshot script '" + file + "' cannot be read.");
  RunScript(db.handle, std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), file,
            &db.steps);
}

void RunScript(sqlite3* db, const std::string& script, const std::string& file, unsigned long long* steps) {
  Sandbox sandbox;
  Confine(db, &sandbox);
  // The record of refusals lives only as long as this run; what the caller runs afterwards
  // is its own (Load confines the queries again).
  struct Release {
    sqlite3* db;
    ~Release() { sqlite3_set_authorizer(db, nullptr, nullptr); }
  } release{db};
  const char* p = script.c_str();
  const char* end = p + script.size();
  while (p < end) {
    Statement s;
    const char* tail = nullptr;
    // The length counts the terminating NUL: SQLite would otherwise copy the rest of the
    // script for every statement, which makes a long script quadratic.
    if (steps) *steps = 0;
    int rc = sqlite3_prepare_v2(db, p, static_cast<int>(end - p + 1), &s.stmt, &tail);
    if (rc == SQLITE_OK && s.stmt) {
      while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
      }
      if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) {
      const char* at = p;
      while (at < end && std::isspace(static_cast<unsigned char>(*at))) ++at;
      const long line = 1 + std::count(script.c_str(), at, '\n');
      const bool attachLimit = std::string_view(sqlite3_errmsg(db)).starts_with("too many attached databases");
      if (!sandbox.Refused.empty() || attachLimit) {
        const std::string statement = Excerpt(at, end);
        const bool vacuum = NoCase::StartsWith(statement, "VACUUM");
        const std::string what = vacuum ? "VACUUM INTO" : sandbox.Refused.empty() ? "ATTACH" : sandbox.Refused;
        throw ProviderError(kSource, "The snapshot script '" + file + "' is refused: the statement at line " +
                                         std::to_string(line) + " (" + statement + ") uses " + what +
                                         ", which could change other files; a snapshot only creates and fills "
                                         "its own tables.");
      }
      Fail(db, "The snapshot script '" + file + "' fails in the statement at line " + std::to_string(line));
    }
    if (!tail || tail == p) break;
    p = tail;
  }
}

}  // namespace

int AdoTypeOfDeclared(std::string_view declaredType) {
  const std::string d = NoCase::Lower(declaredType);
  auto has = [&](const char* s) { return d.find(s) != std::string::npos; };
  auto starts = [&](const char* s) { return d.rfind(s, 0) == 0; };
  if (has("bigint")) return adBigInt;
  if (has("smallint")) return adSmallInt;
  if (has("tinyint")) return adUnsignedTinyInt;
  if (has("int")) return adInteger;
  if (starts("nchar") || starts("national char")) return has("var") ? adVarWChar : adWChar;
  if (starts("nvarchar")) return adVarWChar;
  if (starts("ntext")) return adLongVarWChar;
  if (starts("varchar") || starts("varying")) return adVarChar;
  if (starts("char")) return adChar;
  if (has("char") || has("text") || has("clob")) return adVarWChar;
  if (has("blob") || has("binary") || has("image")) return adLongVarBinary;
  if (has("real") || has("floa") || has("doub")) return adDouble;
  if (has("bool") || d == "bit") return adBoolean;
  if (has("money") || has("currency")) return adCurrency;
  if (has("datetime") || has("timestamp")) return adDBTimeStamp;
  if (has("date")) return adDBDate;
  if (has("time")) return adDBTime;
  if (has("numeric") || has("decimal") || has("number")) return adNumeric;
  return adVarWChar;
}

namespace {

// A database file is copied into memory: it is only read, and every query then runs
// without the file locks and change checks of a shared file. The copy is made from the
// file's bytes, not by opening the file: SQLite opens a database in WAL mode only with
// its -shm and -wal files, which it creates beside the file (and cannot in a folder
// the user may not write), and which would stay behind. In the copy the header's mode
// bytes say "rollback journal", so that SQLite reads the image as the plain database it
// is. Only a database with a -wal file that holds changes not yet in the database is
// opened through SQLite (read-only), as those changes are part of it.
void CopyDatabase(sqlite3* into, const std::string& file) {
  std::error_code ec;
  if (std::filesystem::file_size(file + "-wal", ec) > 0 && !ec) {
    Db src;
    if (sqlite3_open_v2(file.c_str(), &src.handle, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
      Fail(src.handle, "The snapshot '" + file + "' cannot be opened");
    sqlite3_backup* copy = sqlite3_backup_init(into, "main", src.handle, "main");
    if (!copy) Fail(into, "The snapshot '" + file + "' cannot be read");
    sqlite3_backup_step(copy, -1);
    if (sqlite3_backup_finish(copy) != SQLITE_OK) Fail(into, "The snapshot '" + file + "' cannot be read");
    return;
  }
  std::string bytes = FileIO::ReadBytes(file);
  // https://www.sqlite.org/fileformat2.html: bytes 18 and 19 are the write and read
  // versions, 1 for rollback journal, 2 for WAL.
  constexpr std::string_view kMagic("SQLite format 3\0", 16);
  if (bytes.size() >= 100 && std::string_view(bytes).starts_with(kMagic)) {
    if (bytes[18] == 2) bytes[18] = 1;
    if (bytes[19] == 2) bytes[19] = 1;
  }
  const auto size = static_cast<sqlite3_int64>(bytes.size());
  auto* image = static_cast<unsigned char*>(sqlite3_malloc64(bytes.empty() ? 1 : bytes.size()));
  if (!image) throw ProviderError(kSource, "The snapshot '" + file + "' is too large to be read.");
  std::copy(bytes.begin(), bytes.end(), image);
  if (sqlite3_deserialize(into, "main", image, size, size,
                          SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) != SQLITE_OK ||
      sqlite3_exec(into, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
    Fail(into, "The snapshot '" + file + "' cannot be read");
}

// The extractors look up one procedure at a time (a refresh, an Oracle procedure's arguments
// and source). A snapshot written by hand declares no keys, and every lookup would then read
// the whole table: where the query plan says so, the in-memory copy gets an index. A table
// or column that is missing gets none; the lookup reports that itself.
void AddLookupIndexes(sqlite3* db) {
  struct Lookup {
    const char* Query;
    const char* Index;
  };
  static constexpr Lookup kLookups[] = {
      {"SELECT Ordinal FROM ProcedureParameters WHERE ProcedureName = '' COLLATE NOCASE ORDER BY Ordinal",
       "CREATE INDEX pf_lookup_ProcedureParameters ON ProcedureParameters (ProcedureName COLLATE NOCASE, Ordinal)"},
      {"SELECT 1 FROM user_arguments WHERE OBJECT_NAME = ''",
       "CREATE INDEX pf_lookup_user_arguments ON user_arguments (OBJECT_NAME)"},
      {"SELECT 1 FROM user_source WHERE NAME = ''", "CREATE INDEX pf_lookup_user_source ON user_source (NAME)"},
  };
  for (const Lookup& l : kLookups) {
    Statement plan;
    if (sqlite3_prepare_v2(db, (std::string("EXPLAIN QUERY PLAN ") + l.Query).c_str(), -1, &plan.stmt, nullptr) !=
        SQLITE_OK)
      continue;
    bool scans = false;
    while (sqlite3_step(plan.stmt) == SQLITE_ROW) {
      const unsigned char* detail = sqlite3_column_text(plan.stmt, 3);
      scans = scans || (detail && std::string_view(reinterpret_cast<const char*>(detail)).starts_with("SCAN"));
    }
    if (scans) sqlite3_exec(db, l.Index, nullptr, nullptr, nullptr);
  }
}

// SCHEMA_NAME([schema_id]) and SCHEMA_ID([schema_name]) as SQL Server answers them: the
// default schema's without an argument, NULL for an unknown one; names compare without
// regard to case, as the server's default collation does.
void SchemaName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const SchemaTable& t = *static_cast<const SchemaTable*>(sqlite3_user_data(ctx));
  const std::string* name = &t.DefaultName;
  if (argc == 1) {
    const auto it =
        sqlite3_value_type(argv[0]) == SQLITE_NULL ? t.Names.end() : t.Names.find(sqlite3_value_int64(argv[0]));
    name = it == t.Names.end() ? nullptr : &it->second;
  }
  if (name)
    sqlite3_result_text(ctx, name->c_str(), static_cast<int>(name->size()), SQLITE_TRANSIENT);
  else
    sqlite3_result_null(ctx);
}

void SchemaId(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const SchemaTable& t = *static_cast<const SchemaTable*>(sqlite3_user_data(ctx));
  const sqlite3_int64* id = t.DefaultId ? &*t.DefaultId : nullptr;
  if (argc == 1) {
    id = nullptr;
    if (const unsigned char* text = sqlite3_value_text(argv[0]))
      for (const auto& entry : t.Names)
        if (NoCase::Equals(entry.second, reinterpret_cast<const char*>(text))) id = &entry.first;
  }
  if (id)
    sqlite3_result_int64(ctx, *id);
  else
    sqlite3_result_null(ctx);
}

// A snapshot of a SQL Server catalogue that has the table "schemas" (schema_id, name)
// answers SCHEMA_NAME and SCHEMA_ID from it, the default schema being SnapshotInfo's
// DefaultSchema (dbo, the server's own default, when it names none): the extractor's schema
// query then reads the snapshot as it reads the server. Without that table the functions
// do not exist, the query fails, and every procedure is taken for the default schema's.
void AddSchemaFunctions(Db& db) {
  Statement rows;
  if (sqlite3_prepare_v2(db.handle, "SELECT schema_id, name FROM schemas", -1, &rows.stmt, nullptr) != SQLITE_OK)
    return;
  auto t = std::make_unique<SchemaTable>();
  while (sqlite3_step(rows.stmt) == SQLITE_ROW)
    if (const unsigned char* name = sqlite3_column_text(rows.stmt, 1);
        name && sqlite3_column_type(rows.stmt, 0) != SQLITE_NULL)
      t->Names.emplace(sqlite3_column_int64(rows.stmt, 0), reinterpret_cast<const char*>(name));
  Statement info;
  t->DefaultName = "dbo";
  if (sqlite3_prepare_v2(db.handle, "SELECT Value FROM SnapshotInfo WHERE Key = 'DefaultSchema'", -1, &info.stmt,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(info.stmt) == SQLITE_ROW)
    if (const unsigned char* name = sqlite3_column_text(info.stmt, 0))
      t->DefaultName = reinterpret_cast<const char*>(name);
  for (const auto& [id, name] : t->Names)
    if (NoCase::Equals(name, t->DefaultName)) t->DefaultId = id;
  for (const auto& [name, f] : {std::pair{"SCHEMA_NAME", &SchemaName}, std::pair{"SCHEMA_ID", &SchemaId}})
    for (const int args : {0, 1})
      sqlite3_create_function_v2(db.handle, name, args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, t.get(), f, nullptr,
                                 nullptr, nullptr);
  db.schemas = std::move(t);
}

std::shared_ptr<Db> Load(const std::string& file) {
  auto db = std::make_shared<Db>();
  if (sqlite3_open_v2(":memory:", &db->handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK)
    Fail(db->handle, "The snapshot '" + file + "' cannot be opened");
  sqlite3_progress_handler(db->handle, kStepsPerCall, &ProgressHandler, db.get());
  if (IsScript(file)) {
    LoadScript(*db, file);
  } else {
    CopyDatabase(db->handle, file);
  }
  AddLookupIndexes(db->handle);
  AddSchemaFunctions(*db);
  // The queries run on it afterwards are confined as the script was.
  Confine(db->handle, nullptr);
  // The extractors only read; a snapshot is never changed through a connection.
  sqlite3_exec(db->handle, "PRAGMA query_only = ON", nullptr, nullptr, nullptr);
  return db;
}

// Opened snapshots are pooled, as the platform's providers pool sessions: extractors open
// a connection of their own for every procedure, and loading a snapshot script each time
// would make reading a catalogue quadratic. An entry is reused while its file keeps its
// size and modification time and it was used within the idle limit; the database is
// read-only, so sessions can share it.
struct PoolEntry {
  std::filesystem::path File;
  std::filesystem::file_time_type Modified{};
  std::uintmax_t Size = 0;
  std::chrono::steady_clock::time_point LastUsed{};
  std::shared_ptr<Db> Database;
};

constexpr size_t kPoolSize = 4;
constexpr auto kPoolIdleLimit = std::chrono::seconds(60);

std::shared_ptr<Db> Pooled(const std::string& file) {
  static std::mutex mutex;
  static std::vector<PoolEntry> pool;  // most recently used last
  std::error_code ec;
  const std::filesystem::path path = Os::Path(file);
  const std::filesystem::path key = std::filesystem::absolute(path, ec).lexically_normal();
  const auto modified = std::filesystem::last_write_time(path, ec);
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  const auto now = std::chrono::steady_clock::now();

  std::lock_guard<std::mutex> lock(mutex);
  std::erase_if(pool, [&](const PoolEntry& e) { return now - e.LastUsed > kPoolIdleLimit; });
  auto it = std::find_if(pool.begin(), pool.end(), [&](const PoolEntry& e) { return e.File == key; });
  if (it != pool.end()) {
    if (!ec && it->Modified == modified && it->Size == size) {
      PoolEntry e = std::move(*it);
      pool.erase(it);
      e.LastUsed = now;
      pool.push_back(std::move(e));
      return pool.back().Database;
    }
    pool.erase(it);
  }
  std::shared_ptr<Db> db = Load(file);
  if (!ec) {
    if (pool.size() >= kPoolSize) pool.erase(pool.begin());
    pool.push_back({key, modified, size, now, db});
  }
  return db;
}

}  // namespace

std::string DatabaseImage(const std::string& script) {
  Db db;
  if (sqlite3_open_v2(":memory:", &db.handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
    Fail(db.handle, "A snapshot database cannot be created");
  RunScript(db.handle, script, "(captured catalogue)");
  sqlite3_int64 size = 0;
  unsigned char* bytes = sqlite3_serialize(db.handle, "main", &size, 0);
  if (!bytes) Fail(db.handle, "The snapshot database cannot be written out");
  std::string out(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
  sqlite3_free(bytes);
  return out;
}

std::unique_ptr<IProviderSession> Open(const std::string& file) {
  const FileIO::FileKind kind = FileIO::KindOf(file);
  if (kind == FileIO::FileKind::Missing)
    throw ProviderError(kSource, "The snapshot file '" + file + "' does not exist.");
  if (kind != FileIO::FileKind::Regular)
    throw ProviderError(kSource, "The snapshot file '" + file + "' is " + FileIO::KindText(kind) + ", not a file.");
  return std::make_unique<SnapshotSession>(Pooled(file));
}

}  // namespace pf::ado::SnapshotProvider
