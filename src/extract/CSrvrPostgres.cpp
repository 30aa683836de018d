#include "extract/CSrvrPostgres.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <utility>

#include "base/NoCase.h"
#include "base/SourceText.h"
#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {

using ado::ResultSet;
using Query = std::function<ResultSet(const std::string&)>;

// The search path as the session has it: a list of schema names, "$user" standing for the
// schema of the login's name. A snapshot holds the path with "$user" resolved.
constexpr const char* kSearchPathSQL = "SELECT setting FROM pg_settings WHERE name = 'search_path'";
constexpr const char* kUserSQL = "SELECT CAST(current_user AS text) AS usename";
// Functions (f) and procedures (p) of the schemas the list names; aggregates and window
// functions are not called by name. Arrays and the like are read as their text.
constexpr const char* kRoutinesSQL =
    "SELECT n.nspname, CAST(p.pronamespace AS text) AS pronamespace, CAST(p.oid AS text) AS oid, p.proname, "
    "CAST(p.prokind AS text) AS prokind, CAST(p.proretset AS text) AS proretset, CAST(p.prorettype AS text) AS "
    "prorettype, CAST(p.proargtypes AS text) AS proargtypes, CAST(p.proallargtypes AS text) AS proallargtypes, "
    "CAST(p.proargmodes AS text) AS proargmodes, CAST(p.proargnames AS text) AS proargnames, "
    "CAST(p.pronargdefaults AS text) AS pronargdefaults FROM pg_proc p JOIN pg_namespace n ON n.oid = "
    "p.pronamespace WHERE p.prokind IN ('f', 'p') AND n.nspname IN ($Schemas$)";
// The routines an extension installed: they belong to it, as the server's own belong to the
// system schemas (pg_depend's "e" rows of pg_proc, whose catalogue oid is 1255).
constexpr const char* kExtensionSQL =
    "SELECT CAST(objid AS text) AS objid FROM pg_depend WHERE classid = 1255 AND deptype = 'e'";
constexpr const char* kTypesSQL =
    "SELECT CAST(t.oid AS text) AS oid, t.typname, n.nspname, CAST(t.typnamespace AS text) AS typnamespace, "
    "CAST(t.typtype AS text) AS typtype, CAST(t.typcategory AS text) AS typcategory, CAST(t.typbasetype AS text) AS "
    "typbasetype, CAST(t.typelem AS text) AS typelem FROM pg_type t JOIN pg_namespace n ON n.oid = t.typnamespace";

// Text with each double quote doubled, for a quoted name.
std::string ReplaceQuotes(std::string_view text) {
  std::string out;
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out;
}

std::string Quoted(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// Schemas whose routines are the server's own.
bool IsSystemSchema(std::string_view s) { return s == "information_schema" || s.starts_with("pg_"); }

// The schema names of a search_path setting ("$user", public, "My Schema"), in order.
std::vector<std::string> SplitSearchPath(std::string_view setting) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < setting.size()) {
    while (i < setting.size() && (setting[i] == ' ' || setting[i] == ',')) ++i;
    if (i >= setting.size()) break;
    std::string name;
    if (setting[i] == '"') {
      for (++i; i < setting.size(); ++i) {
        if (setting[i] == '"') {
          if (i + 1 < setting.size() && setting[i + 1] == '"') {
            name += '"';
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          name += setting[i];
        }
      }
    } else {
      // An unquoted name is folded to lower case, as the server folds it.
      for (; i < setting.size() && setting[i] != ','; ++i) name += setting[i];
      while (!name.empty() && name.back() == ' ') name.pop_back();
      name = NoCase::Lower(name);
      if (name == "$user") name = "\"$user\"";  // marks the placeholder, which is no quoted name
    }
    out.push_back(std::move(name));
  }
  return out;
}

// The elements of an array's text form: {a,b} or {"a b",""}; an oidvector's "23 25" too.
std::vector<std::string> ArrayElements(std::string_view text) {
  std::vector<std::string> out;
  if (text.empty()) return out;
  if (text.front() != '{') {
    size_t i = 0;
    while (i < text.size()) {
      const size_t end = std::min(text.find(' ', i), text.size());
      if (end > i) out.emplace_back(text.substr(i, end - i));
      i = end + 1;
    }
    return out;
  }
  size_t i = 1;
  while (i < text.size() && text[i] != '}') {
    std::string item;
    if (text[i] == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        item += text[i];
      }
      ++i;  // the closing quote
    } else {
      for (; i < text.size() && text[i] != ',' && text[i] != '}'; ++i) item += text[i];
    }
    out.push_back(std::move(item));
    if (i < text.size() && text[i] == ',') ++i;
  }
  return out;
}

// A result set's column by name (case ignored); raises when the catalogue lacks it.
size_t Column(const ResultSet& rs, std::string_view name) {
  for (size_t k = 0; k < rs.Columns.size(); ++k)
    if (NoCase::Equals(rs.Columns[k].Name, name)) return k;
  Faultnet31::Check(false, ERR_USER_CHECK, "The catalogue query gives no column %1.", std::string(name));
  return 0;
}

std::string Cell(const ResultSet& rs, size_t row, size_t col) {
  return rs.Cells[row * rs.Columns.size() + col].value_or(std::string());
}

bool IsTrue(std::string_view v) { return v == "true" || v == "t" || v == "1" || v == "True"; }

// What the ODBC driver reports for a parameter of a built-in type, as ADO describes it.
struct AdoDescription {
  int Type = 0;
  long Size = 0;
  int Precision = 0;
  int Scale = 0;
  int Attributes = 0;
};

constexpr int kSigned = ado::adParamSigned, kLong = ado::adParamLong;
// Text of no fixed length, as the driver describes text.
constexpr AdoDescription kLongText{ado::adLongVarWChar, 8190, 0, 0, kLong};

// The built-in types a method passes, by name in pg_catalog: the driver's SQL type
// (psqlODBC's pgtypes.c, its default text handling), read as ADO reads it. A boolean is a
// Boolean, as the driver describes it with BoolsAsChar=0 (by default it describes it as
// text of 5 characters); a bound Boolean reaches the function as one either way. Other
// types (domains aside, which take their base type's) are not passed.
const std::map<std::string, AdoDescription, std::less<>>& BuiltinTypes() {
  static const std::map<std::string, AdoDescription, std::less<>> types = {
      {"bool", {ado::adBoolean, 2, 0, 0, 0}},
      {"int2", {ado::adSmallInt, 2, 5, 0, kSigned}},
      {"int4", {ado::adInteger, 4, 10, 0, kSigned}},
      {"int8", {ado::adBigInt, 8, 19, 0, kSigned}},
      {"oid", {ado::adInteger, 4, 10, 0, kSigned}},
      {"numeric", {ado::adNumeric, 19, 28, 6, kSigned}},
      {"float4", {ado::adSingle, 4, 7, 0, kSigned}},
      {"float8", {ado::adDouble, 8, 15, 0, kSigned}},
      {"money", {ado::adCurrency, 8, 19, 0, kSigned}},
      {"date", {ado::adDBDate, 6, 0, 0, 0}},
      {"time", {ado::adDBTime, 6, 0, 0, 0}},
      {"timestamp", {ado::adDBTimeStamp, 16, 26, 6, 0}},
      {"timestamptz", {ado::adDBTimeStamp, 16, 26, 6, 0}},
      {"text", kLongText},
      // The driver describes text of a length it does not know (a function's arguments have
      // none) as 255 characters, which the class would cut values to: it is long text here.
      {"varchar", kLongText},
      {"bpchar", kLongText},
      {"name", {ado::adVarWChar, 63, 0, 0, 0}},
      {"char", {ado::adWChar, 1, 0, 0, 0}},
      {"uuid", {ado::adGUID, 16, 0, 0, 0}},
      {"bytea", {ado::adLongVarBinary, 2147483647L, 0, 0, kLong}},
      {"refcursor", kLongText},
      // Types the driver does not know it describes as text.
      {"json", kLongText},
      {"jsonb", kLongText},
      {"xml", kLongText},
      {"timetz", kLongText},
      {"interval", {ado::adVarWChar, 24, 0, 0, 0}},
      {"inet", {ado::adVarWChar, 50, 0, 0, 0}},
  };
  return types;
}

// Pseudo-types whose routines no one calls: the server calls them itself.
bool IsHandlerType(std::string_view name) {
  return name == "trigger" || name == "event_trigger" || name == "internal" || name == "language_handler" ||
         name == "fdw_handler" || name == "index_am_handler" || name == "tsm_handler" || name == "table_am_handler";
}

struct Catalogue {
  std::vector<std::string> Schemas;  // the schemas read, in order
  bool Named = false;                // named by the list filter, not the search path
  std::vector<CSrvrPostgres::Routine> Routines;
  std::map<std::string, CSrvrPostgres::PgType, std::less<>> Types;  // by oid
};

// The oids of the routines extensions own. A snapshot taken before they were captured has no
// pg_depend: its routines are read as they were taken.
std::set<std::string, std::less<>> ExtensionRoutines(const Query& query) {
  std::set<std::string, std::less<>> out;
  ResultSet rs;
  try {
    rs = query(kExtensionSQL);
  } catch (const AppError& e) {
    if (ado::IsConnectionLost(e)) throw;
    return out;
  }
  const size_t objid = Column(rs, "objid");
  for (size_t i = 0; i < rs.RowCount(); ++i) out.insert(Cell(rs, i, objid));
  return out;
}

std::string RoutinesStatement(const std::vector<std::string>& schemas) {
  std::string list;
  for (const std::string& s : schemas) list += (list.empty() ? "" : ", ") + Quoted(s);
  std::string sql = kRoutinesSQL;
  sql.replace(sql.find("$Schemas$"), 9, list.empty() ? std::string("NULL") : list);
  return sql;
}

// The schemas Filter names, else the search path's; "$user" resolved, system schemas and
// repeats left out.
std::vector<std::string> SearchPath(const Query& query, const std::string& Filter) {
  std::string setting = Filter;
  if (srctext::TrimBlanks(Filter).empty()) {
    const ResultSet path = query(kSearchPathSQL);
    setting = path.RowCount() > 0 ? Cell(path, 0, Column(path, "setting")) : std::string();
  }
  std::vector<std::string> out;
  for (std::string& s : SplitSearchPath(setting)) {
    if (s == "\"$user\"") {
      const ResultSet user = query(kUserSQL);
      s = user.RowCount() > 0 ? Cell(user, 0, Column(user, "usename")) : std::string();
    }
    if (s.empty() || IsSystemSchema(s) || std::find(out.begin(), out.end(), s) != out.end()) continue;
    out.push_back(std::move(s));
  }
  return out;
}

Catalogue Read(const Query& query, const std::string& Filter) {
  Catalogue c;
  c.Schemas = SearchPath(query, Filter);
  c.Named = !srctext::TrimBlanks(Filter).empty();
  const ResultSet r = query(RoutinesStatement(c.Schemas));
  const size_t schema = Column(r, "nspname"), nsp = Column(r, "pronamespace"), oid = Column(r, "oid"),
               name = Column(r, "proname"), kind = Column(r, "prokind"), set = Column(r, "proretset"),
               ret = Column(r, "prorettype"), types = Column(r, "proargtypes"), all = Column(r, "proallargtypes"),
               modes = Column(r, "proargmodes"), names = Column(r, "proargnames"),
               defaults = Column(r, "pronargdefaults");
  const auto extension = ExtensionRoutines(query);
  c.Routines.reserve(r.RowCount());
  for (size_t i = 0; i < r.RowCount(); ++i) {
    if (extension.count(Cell(r, i, oid))) continue;
    CSrvrPostgres::Routine& x = c.Routines.emplace_back();
    x.Schema = Cell(r, i, schema);
    x.NamespaceOid = Cell(r, i, nsp);
    x.Oid = Cell(r, i, oid);
    x.Name = Cell(r, i, name);
    x.Kind = Cell(r, i, kind);
    x.ReturnsSet = IsTrue(Cell(r, i, set));
    x.ReturnType = Cell(r, i, ret);
    x.ArgTypes = Cell(r, i, types);
    x.AllArgTypes = Cell(r, i, all);
    x.ArgModes = Cell(r, i, modes);
    x.ArgNames = Cell(r, i, names);
    x.ArgDefaults = Cell(r, i, defaults);
  }
  const ResultSet t = query(kTypesSQL);
  const size_t toid = Column(t, "oid"), tname = Column(t, "typname"), tschema = Column(t, "nspname"),
               tnsp = Column(t, "typnamespace"), ttype = Column(t, "typtype"), tcat = Column(t, "typcategory"),
               tbase = Column(t, "typbasetype"), telem = Column(t, "typelem");
  for (size_t i = 0; i < t.RowCount(); ++i) {
    CSrvrPostgres::PgType y{Cell(t, i, toid),  Cell(t, i, tname), Cell(t, i, tschema), Cell(t, i, tnsp),
                            Cell(t, i, ttype), Cell(t, i, tcat),  Cell(t, i, tbase),   Cell(t, i, telem)};
    std::string key = y.Oid;
    c.Types.emplace(std::move(key), std::move(y));
  }
  return c;
}

// A type's name as a signature shows it: int4, text, int4[], app.money_pair.
std::string TypeShown(const Catalogue& c, const std::string& oid) {
  const auto t = c.Types.find(oid);
  if (t == c.Types.end()) return oid;
  const CSrvrPostgres::PgType& y = t->second;
  if (y.Category == "A" && y.Name.starts_with("_")) return y.Name.substr(1) + "[]";
  return y.Schema == "pg_catalog" ? y.Name : y.Schema + "." + y.Name;
}

bool IsText(int adoType) {
  switch (adoType) {
    case ado::adChar:
    case ado::adWChar:
    case ado::adVarChar:
    case ado::adVarWChar:
    case ado::adLongVarChar:
    case ado::adLongVarWChar:
      return true;
    default:
      return false;
  }
}

// A routine as a method calls it, or why it cannot.
struct Shape {
  SPParamList List;
  std::string Problem;    // why no method can call it; empty when one can
  bool Silent = false;    // a routine the server calls itself: left out without a word
  std::string InputKey;   // the ADO types of the arguments a call passes, which pick the overload
  std::string Signature;  // the argument types, as the overload's name shows them
  std::string InOids;     // the oids of the input arguments: the server's signature
};

// The built-in type a parameter of type oid is passed as; nullptr with Why set when none.
const AdoDescription* Passed(const Catalogue& c, const std::string& oid, std::string& typeName, std::string& why) {
  const CSrvrPostgres::PgType* t = nullptr;
  std::string at = oid;
  for (int depth = 0; depth < 8; ++depth) {  // a domain takes its base type's description
    const auto found = c.Types.find(at);
    if (found == c.Types.end()) {
      why = "type " + oid + " is not in the catalogue";
      return nullptr;
    }
    t = &found->second;
    if (depth == 0) typeName = t->Name;
    if (t->Type != "d") break;
    at = t->BaseType;
  }
  if (t->Category == "A") {
    why = "an array (" + TypeShown(c, oid) + ")";
    return nullptr;
  }
  if (t->Type == "c") {
    why = "a composite type (" + TypeShown(c, oid) + ")";
    return nullptr;
  }
  if (t->Type == "e") {
    return &kLongText;  // an enum's value is its label
  }
  if (t->Schema == "pg_catalog") {
    const auto& builtin = BuiltinTypes();
    if (const auto b = builtin.find(t->Name); b != builtin.end()) return &b->second;
  }
  why = "of a type no parameter passes (" + TypeShown(c, oid) + ")";
  return nullptr;
}

SPParamRow Row(std::string name, int dir, const AdoDescription& d) {
  SPParamRow r;
  r.Name = std::move(name);
  r.Dir = std::to_string(dir);
  r.NumericScale = std::to_string(d.Scale);
  r.Precision = std::to_string(d.Precision);
  r.Size = std::to_string(d.Size);
  r.Type = std::to_string(d.Type);
  r.IsLongBinary = (d.Attributes & kLong) != 0;
  return r;
}

// A name as a call writes it: in double quotes unless it is a plain lower-case identifier.
std::string CallName(const std::string& name) {
  bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
  for (char c : name) plain = plain && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
  if (plain) return name;
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

Shape ShapeOf(const Catalogue& c, const CSrvrPostgres::Routine& r) {
  Shape s;
  s.List.Proc = r.Name;
  const std::vector<std::string> all = ArrayElements(r.AllArgTypes.empty() ? r.ArgTypes : r.AllArgTypes);
  const std::vector<std::string> modes = ArrayElements(r.ArgModes);
  const std::vector<std::string> names = ArrayElements(r.ArgNames);
  const bool procedure = r.Kind == "p";
  // The server's signature: the types of the arguments a call passes in.
  for (size_t i = 0; i < all.size(); ++i) {
    const std::string mode = i < modes.size() ? modes[i] : "i";
    if (mode == "o" || mode == "t") continue;
    s.Signature += (s.Signature.empty() ? "" : ", ") + TypeShown(c, all[i]);
    s.InOids += all[i] + " ";
  }

  std::string retName, why;
  const AdoDescription* ret = nullptr;
  enum class Result { None, Value, Rows, Cursor, Outputs } result = Result::None;
  if (!procedure) {
    const auto rt = c.Types.find(r.ReturnType);
    retName = rt == c.Types.end() ? r.ReturnType : rt->second.Name;
    const bool pseudo = rt != c.Types.end() && rt->second.Type == "p";
    bool outputs = false, columns = false;  // output arguments; arguments that are result columns
    for (const std::string& m : modes) {
      outputs = outputs || m == "o" || m == "b";
      columns = columns || m == "o" || m == "b" || m == "t";
    }
    if (IsHandlerType(retName)) {
      s.Silent = true;
      return s;
    }
    if (retName == "refcursor") {
      result = Result::Cursor;
    } else if (r.ReturnsSet) {
      // Rows of record need their columns named by the call unless arguments name them.
      if (pseudo && !(retName == "record" && columns)) {
        s.Problem = "it returns a set of " + retName + " whose columns a call must name";
        return s;
      }
      result = Result::Rows;
    } else if (outputs) {
      result = Result::Outputs;
    } else if (retName == "void") {
      result = Result::None;
    } else if (rt != c.Types.end() && rt->second.Type == "c") {
      result = Result::Rows;  // one row of a composite type
    } else if (pseudo) {
      s.Problem = "it returns " + retName;
      return s;
    } else {
      std::string shown;
      ret = Passed(c, r.ReturnType, shown, why);
      if (!ret) {
        s.Problem = "its result is " + why;
        return s;
      }
      result = Result::Value;
    }
  }

  // The inputs that have defaults: the last pronargdefaults of the arguments a call passes in
  // (a procedure's output arguments among them).
  std::vector<bool> defaulted(all.size(), false);
  size_t defaults = static_cast<size_t>(std::max(0, std::atoi(r.ArgDefaults.c_str())));
  for (size_t i = all.size(); i-- > 0 && defaults > 0;) {
    const std::string mode = i < modes.size() ? modes[i] : "i";
    if (mode == "t" || (mode == "o" && !procedure)) continue;
    defaulted[i] = true;
    --defaults;
  }

  if (ret) s.List.Params.push_back(Row("RETURN_VALUE", ado::adParamReturnValue, *ret));
  size_t marks = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    const std::string mode = i < modes.size() ? modes[i] : "i";
    const std::string name = i < names.size() ? names[i] : std::string();
    if (mode == "t") continue;                            // a column of the result
    if (result == Result::Rows && mode == "o") continue;  // a column of each row
    int dir = mode == "b" ? ado::adParamInputOutput : mode == "o" ? ado::adParamOutput : ado::adParamInput;
    if (result == Result::Rows) dir = ado::adParamInput;  // its output is a column too
    std::string typeName;
    const AdoDescription* d = Passed(c, all[i], typeName, why);
    if (mode == "v") why = "variadic", d = nullptr;
    if (!d) {
      s.Problem = "its argument " + (name.empty() ? std::to_string(i + 1) : "\"" + name + "\"") + " is " + why;
      return s;
    }
    s.List.Params.push_back(Row(name, dir, *d));
    if (defaulted[i] && dir == ado::adParamInput && !name.empty())
      s.List.Params.back().OmitMark = CallName(name) + " => ?";
    ++marks;
    // Text of every kind reaches the server alike: its types do not pick an overload.
    if (dir != ado::adParamOutput)
      s.InputKey += (IsText(d->Type) ? std::string("text") : std::to_string(d->Type)) + ",";
  }
  std::string args;
  for (size_t i = 0; i < marks; ++i) args += i == 0 ? "?" : ", ?";
  // Schemas the profile names need not be on the search path of the class's connection.
  const std::string callee = (c.Named ? CallName(r.Schema) + "." : "") + CallName(r.Name) + "(" + args + ")";
  if (procedure)
    s.List.CallText = "CALL " + callee;
  else if (result == Result::Value)
    s.List.CallText = "{? = call " + callee + "}";
  else
    s.List.CallText = "{call " + callee + "}";
  s.List.NeedsTransaction = result == Result::Cursor;
  return s;
}

}  // namespace

std::string CSrvrPostgres::xmlGetSPList(const std::string& Filter) {
  return ErrGuard(
      "CSrvrPostgres.ISrvrExtractor_xmlGetSPList(Filter)",
      [&] {
        CServer& server = MExtractDocs::RequireServer(server_);
        const Catalogue c = Read(
            [&](const std::string& sql) {
              server.ExecSQL(sql);
              return server.Recordset()->Data();
            },
            Filter);
        filter_ = Filter;
        leftOut_.clear();
        lists_.clear();
        byName_.clear();

        // The routines by name, each name's in search path order, then by signature.
        std::map<std::string, size_t> schemaRank;
        for (size_t i = 0; i < c.Schemas.size(); ++i) schemaRank.emplace(c.Schemas[i], i);
        struct Entry {
          const Routine* R;
          Shape S;
          size_t Rank;
        };
        std::vector<Entry> entries;
        entries.reserve(c.Routines.size());
        for (const Routine& r : c.Routines) {
          const auto rank = schemaRank.find(r.Schema);
          if (rank == schemaRank.end() || !UsableName(r.Name)) continue;
          Shape s = ShapeOf(c, r);
          if (s.Silent) continue;
          entries.push_back({&r, std::move(s), rank->second});
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
          if (a.R->Name != b.R->Name) return a.R->Name < b.R->Name;
          if (a.Rank != b.Rank) return a.Rank < b.Rank;
          if (a.S.Signature != b.S.Signature) return a.S.Signature < b.S.Signature;
          return a.R->Oid < b.R->Oid;
        });

        const auto shown = [](const Entry& e) {
          return std::string(e.R->Kind == "p" ? "Procedure" : "Function") + " \"" + e.R->Schema + "." + e.R->Name +
                 "(" + e.S.Signature + ")\"";
        };
        bwXMLBrowser x;
        MExtractDocs::InitProcList(x, server);
        for (size_t first = 0; first < entries.size();) {
          size_t end = first;
          while (end < entries.size() && entries[end].R->Name == entries[first].R->Name) ++end;
          // Of one name: the callable ones, those hidden by an earlier schema's same signature
          // left out, then those whose calls pass the same types.
          std::vector<size_t> callable;
          std::map<std::string, size_t> bySignature;
          for (size_t i = first; i < end; ++i) {
            Entry& e = entries[i];
            if (!e.S.Problem.empty()) {
              leftOut_.push_back(shown(e) + " is left out: " + e.S.Problem + ".");
              continue;
            }
            const auto [it, added] = bySignature.emplace(e.S.InOids, i);
            if (!added) {
              leftOut_.push_back(shown(e) + " is left out: " + shown(entries[it->second]) +
                                 (c.Named ? ", earlier in the schemas read," : ", earlier on the search path,") +
                                 " takes the same arguments and hides it.");
              continue;
            }
            callable.push_back(i);
          }
          std::map<std::string, std::vector<size_t>> byInput;
          for (size_t i : callable) byInput[entries[i].S.InputKey].push_back(i);
          std::vector<size_t> listed;
          for (size_t i : callable) {
            const std::vector<size_t>& same = byInput[entries[i].S.InputKey];
            if (same.size() == 1) {
              listed.push_back(i);
              continue;
            }
            std::string others;
            for (size_t j : same)
              if (j != i) others += (others.empty() ? "" : ", ") + shown(entries[j]);
            leftOut_.push_back(shown(entries[i]) + " is left out: a call cannot tell it from " + others +
                               ", whose arguments are passed as the same types.");
          }
          for (size_t i : listed) {
            Entry& e = entries[i];
            // An overload is listed under its signature, so that each has a name of its own.
            const bool overloaded = listed.size() > 1;
            std::string name = overloaded ? e.R->Name + "(" + e.S.Signature + ")" : e.R->Name;
            x.CreateChild("Proc", true, false);
            x.Attr("Name", name);
            x.Attr("IsFunction", e.R->Kind == "p" ? "False" : "True");
            x.POP(0);
            byName_.emplace_copy(name, lists_.size());
            lists_.push_back(std::move(e.S.List));
          }
          first = end;
        }
        return x.xml();
      },
      Filter);
}

SPParamList CSrvrPostgres::GetSPParameters(const std::string& SPName) {
  return ErrGuard(
      "CSrvrPostgres.ISrvrExtractor_xmlGetSPParameters(SPName)",
      [&] {
        if (lists_.empty()) xmlGetSPList(filter_);
        const auto* found = byName_.find(SPName);
        Faultnet31::Check(found != nullptr, ERR_USER_CHECK,
                          "The function or procedure '%1' is not one of the search path's routines that a class "
                          "can call.",
                          SPName);
        return lists_[found->second];
      },
      SPName);
}

std::string CSrvrPostgres::xmlGetSPParameters(const std::string& SPName) {
  return MExtractDocs::RefreshedParamsXml(GetSPParameters(SPName));
}

std::vector<CatalogueStatement> CSrvrPostgres::CatalogueStatements(const std::string& Filter,
                                                                   const std::string&) const {
  std::vector<std::string> schemas;
  if (server_) {
    try {
      schemas = SearchPath(
          [&](const std::string& sql) {
            server_->ExecSQL(sql);
            return server_->Recordset()->Data();
          },
          Filter);
    } catch (const AppError&) {
      // The report shows the failure of the search path's own statement.
    }
  }
  return {{"search path", kSearchPathSQL, ""}, {"routines", RoutinesStatement(schemas), ""}, {"types", kTypesSQL, ""}};
}

std::vector<std::pair<std::string, ado::ResultSet>> CSrvrPostgres::CaptureTables(ado::Connection& Conn,
                                                                                 const std::string& Schemas) {
  const Catalogue c = Read([&](const std::string& sql) { return Conn.Execute(sql)->Data(); }, Schemas);
  const auto table = [](std::initializer_list<const char*> columns) {
    ResultSet rs;
    for (const char* name : columns) rs.Columns.push_back({name, ado::adVarWChar, 0, 0, 0, true, false});
    return rs;
  };
  const auto add = [](ResultSet& rs, std::initializer_list<std::string> values) {
    for (const std::string& v : values) rs.Cells.emplace_back(v);
  };
  const auto orNull = [](const std::string& v) { return v.empty() ? std::optional<std::string>() : v; };

  // The search path with "$user" resolved, as the session that captured it had it.
  std::string path;
  for (const std::string& s : c.Schemas) path += (path.empty() ? "\"" : ", \"") + ReplaceQuotes(s) + "\"";
  ResultSet settings = table({"name", "setting"});
  add(settings, {"search_path", path});

  // The types the routines use, with the base types of their domains, and their schemas.
  std::map<std::string, const PgType*> types;
  std::map<std::string, std::string> schemas;  // oid -> name
  const auto use = [&](const std::string& oid) {
    std::string at = oid;
    for (int depth = 0; depth < 8; ++depth) {
      const auto t = c.Types.find(at);
      if (t == c.Types.end() || !types.emplace(at, &t->second).second) return;
      schemas.emplace(t->second.NamespaceOid, t->second.Schema);
      if (t->second.Type != "d") return;
      at = t->second.BaseType;
    }
  };
  ResultSet procs = table({"oid", "proname", "pronamespace", "prokind", "proretset", "prorettype", "proargtypes",
                           "proallargtypes", "proargmodes", "proargnames", "pronargdefaults"});
  for (const Routine& r : c.Routines) {
    schemas.emplace(r.NamespaceOid, r.Schema);
    use(r.ReturnType);
    for (const std::string& oid : ArrayElements(r.AllArgTypes.empty() ? r.ArgTypes : r.AllArgTypes)) use(oid);
    add(procs, {r.Oid, r.Name, r.NamespaceOid, r.Kind, r.ReturnsSet ? "true" : "false", r.ReturnType, r.ArgTypes});
    procs.Cells.push_back(orNull(r.AllArgTypes));
    procs.Cells.push_back(orNull(r.ArgModes));
    procs.Cells.push_back(orNull(r.ArgNames));
    procs.Cells.emplace_back(r.ArgDefaults);
  }
  // The routines read leave out those of extensions: the table says there are none.
  ResultSet depend = table({"classid", "objid", "deptype"});
  ResultSet namespaces = table({"oid", "nspname"});
  for (const auto& [oid, name] : schemas) add(namespaces, {oid, name});
  ResultSet typeRows = table({"oid", "typname", "typnamespace", "typtype", "typcategory", "typbasetype", "typelem"});
  for (const auto& [oid, t] : types)
    add(typeRows, {t->Oid, t->Name, t->NamespaceOid, t->Type, t->Category, t->BaseType, t->Element});
  return {{"pg_settings", std::move(settings)},
          {"pg_namespace", std::move(namespaces)},
          {"pg_proc", std::move(procs)},
          {"pg_depend", std::move(depend)},
          {"pg_type", std::move(typeRows)}};
}

}  // namespace pf
