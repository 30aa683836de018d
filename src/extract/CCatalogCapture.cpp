#include "extract/CCatalogCapture.h"

#include <cctype>
#include <ctime>
#include <filesystem>
#include <memory>

#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"
#include "errors/Secrets.h"
#include "extract/CProcParamsCache.h"
#include "extract/CSrvrAccess.h"
#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrPostgres.h"
#include "base/Clock.h"
#include "platform/FileIO.h"
#include "base/NoCase.h"
#include "base/Os.h"
#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/SnapshotProvider.h"

namespace pf {

namespace {

using namespace ado;

// Rows per INSERT statement: fewer statements to parse, still short lines.
constexpr size_t kRowsPerInsert = 200;
constexpr size_t kMaxDeclaredLength = 8000;

// Text inside quote characters q, with q doubled inside: SQL literals ('), SQL
// identifiers as the server names them (") and connection-string values (").
std::string Enclosed(std::string_view text, char q) {
  std::string out(1, q);
  for (char c : text) {
    out += c;
    if (c == q) out += q;
  }
  return out + q;
}

std::string Quoted(std::string_view text) { return Enclosed(text, '\''); }
std::string Ident(std::string_view name) { return Enclosed(name, '"'); }

bool IsNumber(std::string_view v) {
  size_t i = v.starts_with('-') ? 1 : 0;
  bool digits = false, point = false;
  for (; i < v.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(v[i]))) digits = true;
    else if (v[i] == '.' && !point) point = true;
    else return false;
  }
  return digits;
}

bool IsNumeric(int t) {
  switch (t) {
    case adSmallInt: case adInteger: case adBigInt: case adTinyInt: case adUnsignedTinyInt:
    case adUnsignedSmallInt: case adUnsignedInt: case adUnsignedBigInt: case adSingle: case adDouble:
    case adCurrency: case adNumeric: case adDecimal: case adVarNumeric:
      return true;
    default:
      return false;
  }
}

bool IsFixedText(int t) { return t == adChar || t == adWChar; }

// The declared SQLite type that reads back as the column's type.
std::string Declared(const ColumnInfo& c) {
  const std::string len = c.DefinedSize > 0 && static_cast<size_t>(c.DefinedSize) <= kMaxDeclaredLength
                              ? "(" + std::to_string(c.DefinedSize) + ")"
                              : std::string();
  switch (c.Type) {
    case adSmallInt: return "SMALLINT";
    case adInteger: case adUnsignedSmallInt: return "INTEGER";
    case adBigInt: case adUnsignedInt: case adUnsignedBigInt: return "BIGINT";
    case adTinyInt: case adUnsignedTinyInt: return "TINYINT";
    case adSingle: case adDouble: return "DOUBLE";
    case adCurrency: return "MONEY";
    case adNumeric: case adDecimal: case adVarNumeric:
      return "NUMERIC(" + std::to_string(c.Precision > 0 ? c.Precision : 18) + "," + std::to_string(c.NumericScale) + ")";
    case adBoolean: return "BOOLEAN";
    case adChar: return "CHAR" + len;
    case adWChar: return "NCHAR" + len;
    case adVarChar: return "VARCHAR" + len;
    case adVarWChar: return "NVARCHAR" + len;
    case adLongVarChar: case adLongVarWChar: return "TEXT";
    case adBinary: case adVarBinary: case adLongVarBinary: return "BLOB";
    case adDBTimeStamp: return "DATETIME";
    case adDBDate: return "DATE";
    case adDBTime: return "TIME";
    default: return "TEXT";
  }
}

std::string Literal(const ColumnInfo& c, const std::optional<std::string>& v) {
  if (!v) return "NULL";
  if (c.Type == adBoolean) return *v == "True" ? "1" : *v == "False" ? "0" : Quoted(*v);
  if (IsNumeric(c.Type) && IsNumber(*v)) return *v;
  if (c.Type == adBinary || c.Type == adVarBinary || c.Type == adLongVarBinary) return "X" + Quoted(*v);
  if (IsFixedText(c.Type)) {
    // Fixed-length text comes padded ('P ' for 'P'); the snapshot compares exactly.
    const size_t end = v->find_last_not_of(' ');
    return Quoted(end == std::string::npos ? std::string() : v->substr(0, end + 1));
  }
  return Quoted(*v);
}

// The collation under which the server sorted a column: the snapshot sorts as the
// server did when the extractor's query orders by that column. Servers that ignore case
// (SQL Server's and Access's defaults) sort "spb" before "spC"; a binary sort does not,
// and a column the server did not sort in binary order is taken to ignore case.
std::string Collation(const ResultSet& rs, size_t col) {
  const size_t width = rs.Columns.size();
  bool binary = true;
  for (size_t r = 1; r < rs.RowCount(); ++r) {
    const std::string a = rs.Cells[(r - 1) * width + col].value_or(std::string());
    const std::string b = rs.Cells[r * width + col].value_or(std::string());
    binary = binary && !(b < a);
  }
  return binary ? std::string() : " COLLATE NOCASE";
}

// Appends CREATE TABLE and the INSERTs of one result set; `orderedBy` names the column
// the extractor's query sorts by (empty when none).
void AppendTable(std::string& out, const std::string& table, const ResultSet& rs, std::string_view orderedBy = {}) {
  out += "\nCREATE TABLE " + Ident(table) + " (";
  for (size_t i = 0; i < rs.Columns.size(); ++i)
    out += (i ? ", " : "") + Ident(rs.Columns[i].Name) + " " + Declared(rs.Columns[i]) +
           (!orderedBy.empty() && NoCase::Equals(rs.Columns[i].Name, orderedBy) ? Collation(rs, i) : std::string());
  out += ");\n";
  const size_t width = rs.Columns.size();
  for (size_t r = 0; r < rs.RowCount(); ++r) {
    out += r % kRowsPerInsert == 0 ? "INSERT INTO " + Ident(table) + " VALUES\n  (" : ",\n  (";
    for (size_t k = 0; k < width; ++k) {
      if (k) out += ", ";
      out += Literal(rs.Columns[k], rs.Cells[r * width + k]);
    }
    out += ')';
    if (r % kRowsPerInsert == kRowsPerInsert - 1 || r + 1 == rs.RowCount()) out += ";\n";
  }
}

// All rows of a query, in the order the server returns them.
ResultSet Rows(Connection& c, const std::string& sql) {
  std::shared_ptr<Recordset> rs = c.Execute(sql);
  return rs->Data();
}

std::string UpperAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string TakenAt() {
  const std::time_t now = Clock::Now();
  std::tm utc{};
  gmtime_r(&now, &utc);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return buf;
}

// SQL Server's schemas as the extractor reads them, and, where the server has schemas, the
// table "schemas" (schema_id, name, as sys.schemas names them) of those the procedures
// and functions belong to and the default one: a snapshot answers SCHEMA_NAME and
// SCHEMA_ID from it (and the default schema from SnapshotInfo), so that the extractor
// lists each procedure as it does on the server.
CSrvrMSSQL::Schemas CaptureSchemas(Connection& c, std::string& out) {
  std::optional<CSrvrMSSQL::Schemas> schemas =
      CSrvrMSSQL::ReadSchemas([&](const std::string& sql) { return Rows(c, sql); });
  if (!schemas) return {};  // a server without schemas: every name is bare
  ResultSet ids;
  try {
    ids = Rows(c,
               "SELECT uid AS schema_id, SCHEMA_NAME(uid) AS name FROM sysobjects WHERE type IN ('P', 'FN') "
               "UNION SELECT SCHEMA_ID(), SCHEMA_NAME() ORDER BY 1");
  } catch (const AppError& e) {
    if (ado::IsConnectionLost(e)) throw;
    return {};  // a server without schemas: every name is bare
  }
  AppendTable(out, "schemas", ids);
  return *schemas;
}

}  // namespace

std::string CCatalogCapture::Capture(int ServerType, const std::string& ConnectionString, const std::string& Packages) {
  Skipped.clear();
  ListedWithoutParameters.clear();
  auto progress = [&](const std::string& text) {
    if (OnProgress) OnProgress(text);
  };
  Faultnet31::Check(ServerType >= 0 && ServerType <= 4, ERR_USER_CHECK,
                    "The server type %1 has no catalogue to capture (0 Access, 1 SQL Server, 2 Sybase, 3 Oracle, "
                    "4 PostgreSQL).",
                    ServerType);
  progress("Connecting...");
  auto c = Connection::Create();
  c->Open(ConnectionString);

  std::string out = "-- Catalogue snapshot taken by Procforge.\nBEGIN TRANSACTION;\n";
  std::vector<std::string> procs;  // the names the extractor lists, whose parameters it refreshes
  CSrvrMSSQL::Schemas schemas;     // SQL Server's, as the extractor reads them
  // Access through MDBTools: the queries of procs, in their order, with their parameters.
  std::optional<std::vector<ProcedureDescription>> mdb;
  progress("Reading the catalogue...");
  if (ServerType == 1 || ServerType == 2) {
    const ResultSet rs = Rows(*c, ServerType == 1 ? "SELECT * FROM sysobjects  WHERE type IN ('P', 'FN')  ORDER BY [name]"
                                                  : "SELECT * FROM sysobjects  WHERE type = 'P'  ORDER BY name");
    AppendTable(out, "sysobjects", rs, "name");
    size_t nameCol = rs.Columns.size(), idCol = rs.Columns.size();
    for (size_t k = 0; k < rs.Columns.size(); ++k)
      if (NoCase::Equals(rs.Columns[k].Name, "name")) nameCol = k;
      else if (NoCase::Equals(rs.Columns[k].Name, "id"))
        idCol = k;
    Faultnet31::Check(nameCol < rs.Columns.size(), ERR_USER_CHECK, "The catalogue table sysobjects has no column name.");
    if (ServerType == 1) schemas = CaptureSchemas(*c, out);
    for (size_t r = 0; r < rs.RowCount(); ++r) {
      const std::string name = rs.Cells[r * rs.Columns.size() + nameCol].value_or(std::string());
      const std::string id =
          idCol < rs.Columns.size() ? rs.Cells[r * rs.Columns.size() + idCol].value_or(std::string()) : std::string();
      procs.push_back(ServerType == 1 ? schemas.ListedName(name, id) : name);
    }
    if (ServerType == 2) {
      // The parameter rows whose status2 gives the directions ASE's description lacks.
      try {
        AppendTable(out, "syscolumns",
                    Rows(*c,
                         "SELECT c.id, c.colid, c.name, c.status2 FROM syscolumns c, sysobjects o WHERE c.id = o.id "
                         "AND o.type = 'P' ORDER BY c.id, c.colid"));
      } catch (const AppError& e) {
        if (ado::IsConnectionLost(e)) throw;  // else a catalogue without syscolumns
      }
    }
  } else if (ServerType == 4) {
    // The routines and their types, which describe the parameters themselves.
    for (const auto& [table, rows] : CSrvrPostgres::CaptureTables(*c, Packages)) AppendTable(out, table, rows);
  } else if (ServerType == 0) {
    ResultSet rs;
    if ((mdb = CSrvrAccess::MdbQueries(*c))) {
      // The saved queries as the list query reads them from the snapshot, their declared
      // parameters as a refresh reports them.
      rs.Columns = {{"Name", adVarWChar, 255, 0, 0, true, false}, {"Type", adSmallInt, 2, 5, 0, true, false}};
      for (const ProcedureDescription& q : *mdb) {
        rs.Cells.emplace_back(q.Name);
        rs.Cells.emplace_back("5");
      }
    } else {
      rs = Rows(*c, "SELECT Name, Type From MSysObjects where type=5 AND Not (Name Like '~%') Order by Name ");
    }
    AppendTable(out, "MSysObjects", rs, "Name");
    for (size_t r = 0; r < rs.RowCount(); ++r) procs.push_back(rs.Cells[r * rs.Columns.size()].value_or(std::string()));
  } else {
    // The selected packages; "(Unpackaged)" stands for the procedures outside packages.
    std::string in;
    bool unpackaged = false;
    size_t start = 0;
    while (start <= Packages.size()) {
      size_t end = Packages.find(',', start);
      if (end == std::string::npos) end = Packages.size();
      const std::string name = UpperAscii(Packages.substr(start, end - start));
      if (name == UpperAscii("(Unpackaged)")) unpackaged = true;
      else if (!name.empty()) in += (in.empty() ? "" : ", ") + Quoted(name);
      start = end + 1;
    }
    const std::string packaged = in.empty() ? std::string("1 = 0") : "PACKAGE_NAME IN (" + in + ")";
    const std::string args = unpackaged ? "(" + packaged + " OR PACKAGE_NAME IS NULL)" : packaged;
    AppendTable(out, "user_arguments",
                Rows(*c, "SELECT * FROM user_arguments WHERE " + args + " ORDER BY PACKAGE_NAME, OBJECT_NAME, SEQUENCE"));
    const std::string specs = in.empty() ? std::string("1 = 0") : "(TYPE = 'PACKAGE' AND NAME IN (" + in + "))";
    const std::string source = unpackaged ? "(" + specs + " OR TYPE IN ('FUNCTION', 'PROCEDURE'))" : specs;
    AppendTable(out, "user_source", Rows(*c, "SELECT * FROM user_source WHERE " + source + " ORDER BY NAME, TYPE, LINE"));
    AppendTable(out, "user_objects",
                Rows(*c, "SELECT * FROM user_objects WHERE OBJECT_TYPE = 'PACKAGE' ORDER BY OBJECT_NAME"));
    // Since 12.1.0.2 only user_procedures names the procedures without arguments.
    const std::string procedures = in.empty() ? std::string("1 = 0") : "OBJECT_NAME IN (" + in + ")";
    const std::string listed = unpackaged ? "(" + procedures + " OR OBJECT_TYPE = 'PROCEDURE')" : procedures;
    std::optional<ResultSet> rows;
    try {
      rows = Rows(*c, "SELECT * FROM user_procedures WHERE " + listed + " ORDER BY OBJECT_NAME, PROCEDURE_NAME");
    } catch (const AppError& e) {
      if (ado::IsConnectionLost(e)) throw;  // else a dictionary without user_procedures
    }
    if (rows) AppendTable(out, "user_procedures", *rows);
  }

  if (ServerType != 3 && ServerType != 4) {
    out +=
        "\nCREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER,\n"
        "  Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER, TypeName TEXT);\n";
    CProcParamsCache all;
    if (!mdb) all.Expect(procs.size(), ConnectionString, schemas.Default);
    auto cmd = Command::Create();
    cmd->SetActiveConnection(c);
    cmd->CommandType = adCmdStoredProc;
    size_t rows = 0;
    auto row = [&](const std::string& values) {
      if (rows % kRowsPerInsert == 0) out += rows ? ";\nINSERT INTO ProcedureParameters VALUES\n  (" : "INSERT INTO ProcedureParameters VALUES\n  (";
      else out += ",\n  (";
      ++rows;
      out += values;
      out += ')';
    };
    for (size_t k = 0; k < procs.size(); ++k) {
      const std::string& name = procs[k];
      progress("Processing " + name);
      std::vector<ParameterInfo> fresh;
      const std::vector<ParameterInfo>* params = mdb ? &(*mdb)[k].Parameters : all.Find(name);
      if (!params) {
        try {
          cmd->CommandText = name;
          cmd->Parameters().Refresh();
          for (const Parameter& p : cmd->Parameters())
            fresh.push_back(
                {p.Name, p.Direction, p.Type, p.Size, p.Precision, p.NumericScale, p.Attributes, p.TypeName});
          params = &fresh;
        } catch (const AppError& e) {
          if (ado::IsConnectionLost(e)) throw;
          // Access lists a query whose parameters cannot be refreshed all the same.
          (ServerType == 0 ? ListedWithoutParameters : Skipped).push_back(name);
          continue;
        }
      }
      if (params->empty()) row(Quoted(name) + ", 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL");
      for (size_t i = 0; i < params->size(); ++i) {
        const ParameterInfo& p = (*params)[i];
        row(Quoted(name) + ", " + std::to_string(i) + ", " + Quoted(p.Name) + ", " + std::to_string(p.Direction) +
            ", " + std::to_string(p.Type) + ", " + std::to_string(p.Size) + ", " + std::to_string(p.Precision) + ", " +
            std::to_string(p.NumericScale) + ", " + std::to_string(p.Attributes) + ", " +
            (p.TypeName.empty() ? std::string("NULL") : Quoted(p.TypeName)));
      }
    }
    if (rows > 0) out += ";\n";
  }

  c->Close();
  out += "\nCREATE TABLE SnapshotInfo (Key TEXT, Value TEXT);\nINSERT INTO SnapshotInfo VALUES\n  ('ServerType', " +
         Quoted(std::to_string(ServerType)) + "),\n  ('Source', " + Quoted(Secrets::Mask(ConnectionString)) +
         "),\n  ('TakenAt', " + Quoted(TakenAt()) + ")";
  if (!schemas.Default.empty()) out += ",\n  ('DefaultSchema', " + Quoted(schemas.Default) + ")";
  out += ";\nCOMMIT;\n";
  return out;
}

void CCatalogCapture::Write(const std::string& Script, const std::string& Path) {
  ErrGuard(
      "CCatalogCapture.Write(Path)",
      [&] {
        const bool script = NoCase::Equals(Os::Utf8(Os::Path(Path).extension()), ".sql");
        FileIO::WriteAtomic(Path, script ? Script : SnapshotProvider::DatabaseImage(Script));
      },
      Path);
}

std::string CCatalogCapture::SnapshotConnection(const std::string& File) {
  const bool plain = File.find_first_of(";\"'{} ") == std::string::npos;
  return "Provider=Procforge.Snapshot;Data Source=" + (plain ? File : Enclosed(File, '"'));
}

int CCatalogCapture::SnapshotServerType(const std::string& File) {
  try {
    std::shared_ptr<Connection> c = Connection::Create();
    c->Open(SnapshotConnection(File));
    const ResultSet info = Rows(*c, "SELECT Value FROM SnapshotInfo WHERE Key = 'ServerType'");
    if (info.RowCount() > 0 && info.Cells[0]) {
      const std::string& v = *info.Cells[0];
      if (v.size() == 1 && v[0] >= '0' && v[0] <= '4') return v[0] - '0';
    }
  } catch (const AppError&) {
  }
  return -1;
}

std::string CCatalogCapture::SnapshotProblem(const std::string& File, int ServerType) {
  static const char* const kTypeNames[] = {"Access", "SQL Server", "Sybase", "Oracle", "PostgreSQL"};
  auto typeName = [](int t) {
    return t >= 0 && t <= 4 ? std::to_string(t) + " (" + kTypeNames[t] + ")" : std::to_string(t);
  };
  std::shared_ptr<Connection> c = Connection::Create();
  try {
    c->Open(SnapshotConnection(File));
  } catch (const AppError& e) {
    return "'" + File + "' is not a catalogue snapshot: " + e.Description.substr(0, e.Description.find_first_of("\r\n"));
  }
  try {
    const ResultSet info = Rows(*c, "SELECT Value FROM SnapshotInfo WHERE Key = 'ServerType'");
    if (info.RowCount() > 0 && info.Cells[0] && *info.Cells[0] != std::to_string(ServerType)) {
      const std::string& v = *info.Cells[0];
      const bool known = v.size() == 1 && v[0] >= '0' && v[0] <= '4';
      return "'" + File + "' is a snapshot of server type " + (known ? typeName(v[0] - '0') : v) +
             ", not of the profile's server type " + typeName(ServerType) + ".";
    }
  } catch (const AppError&) {
    // SnapshotInfo is optional: the catalogue tables decide.
  }
  std::vector<const char*> tables;
  switch (ServerType) {
    case 0: tables = {"MSysObjects", "ProcedureParameters"}; break;
    case 1: case 2: tables = {"sysobjects", "ProcedureParameters"}; break;
    case 3: tables = {"user_arguments", "user_source"}; break;
    case 4:
      tables = {"pg_proc", "pg_type"};
      break;
    default: return "The server type " + typeName(ServerType) + " has no catalogue snapshots.";
  }
  for (const char* table : tables) {
    try {
      Rows(*c, std::string("SELECT * FROM ") + table + " WHERE 0");
    } catch (const AppError&) {
      return "'" + File + "' is not a catalogue snapshot of server type " + typeName(ServerType) +
             ": it has no table " + table + ".";
    }
  }
  return {};
}

}  // namespace pf
