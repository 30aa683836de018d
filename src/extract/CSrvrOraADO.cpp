#include "extract/CSrvrOraADO.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "base/NoCase.h"
#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Recordset.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {

constexpr const char* kUnpackaged = "(Unpackaged)";
constexpr const char* kCharLength = "CHAR_LENGTH";
constexpr const char* kUnpackagedListSQL =
    "SELECT object_name, MIN(position) As MinP From user_arguments  WHERE package_name Is Null and overload is "
    "Null  GROUP BY object_name ORDER BY object_name";
constexpr const char* kPackageListSQL =
    "SELECT object_name, MIN(position) As MinP From user_arguments  WHERE package_name= '$Package$' and overload "
    "is Null  GROUP BY object_name ORDER BY object_name";
// Since 12.1.0.2 user_arguments has no row for a procedure without arguments, so the
// two lists above miss such procedures; user_procedures lists them (Oracle Database
// Reference, "USER_ARGUMENTS" and "ALL_PROCEDURES"). A function always has its result row
// at position 0, so these add procedures only. A dictionary without user_procedures (a
// snapshot of an older server) is read with the two queries above alone.
constexpr const char* kProceduresProbeSQL = "SELECT object_name FROM user_procedures WHERE 1 = 0";
constexpr const char* kUnpackagedProceduresSQL =
    "SELECT object_name FROM user_procedures WHERE object_type = 'PROCEDURE' ORDER BY object_name";
constexpr const char* kPackageProceduresSQL =
    "SELECT procedure_name AS object_name FROM user_procedures WHERE object_name = '$Package$' AND procedure_name "
    "IS NOT NULL AND overload IS NULL ORDER BY procedure_name";
constexpr const char* kPackagedArgsSQL =
    "SELECT * FROM user_arguments  WHERE OBJECT_NAME='$Proc$' AND package_name= '$Package$' and overload is Null  "
    "ORDER BY SEQUENCE ";
constexpr const char* kStandaloneArgsSQL =
    "SELECT * FROM user_arguments  WHERE OBJECT_NAME='$Proc$' AND package_name Is Null and overload is Null  "
    "ORDER BY SEQUENCE ";
constexpr const char* kPackageSourceSQL = "Select * from user_source where type='PACKAGE' And name= '$Package$'";
constexpr const char* kProcSourceSQL =
    "Select * from user_source where (name='$ProcName$') And  (type In ('FUNCTION', 'PROCEDURE'))";

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> out;
  if (s.empty()) return out;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    out.emplace_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return out;
    start = at + 1;
  }
}

// Replaces the placeholder with a name as an SQL string literal's content: apostrophes
// doubled, so that the name can neither end the literal nor change the query.
std::string Bind(std::string sql, std::string_view placeholder, std::string_view name) {
  std::string literal;
  literal.reserve(name.size());
  for (char c : name) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  const size_t at = sql.find(placeholder);
  if (at != std::string::npos) sql.replace(at, placeholder.size(), literal);
  return sql;
}

// True when the text reads as the number 0.
bool IsZero(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double d = std::strtod(begin, &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  return end != begin && end && *end == '\0' && d == 0;
}

// DATA_LENGTH as a whole number; 0 when it does not convert.
long WholeNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double d = std::strtod(begin, &end);
  if (end == begin || d > 2147483647.0 || d < -2147483648.0) return 0;
  return static_cast<long>(d < 0 ? d - 0.5 : d + 0.5);
}

// Since 18c a composite argument (record, collection, object) is one row at DATA_LEVEL 0,
// without rows for its fields (Oracle Database Reference, "ALL_ARGUMENTS"): its type
// says that it cannot be passed.
bool IsCompositeType(const std::string& dataType) {
  return dataType == "PL/SQL RECORD" || dataType == "PL/SQL TABLE" || dataType == "TABLE" || dataType == "VARRAY" ||
         dataType == "OBJECT" || dataType == "REF" || dataType == "PL/SQL COLLECTION";
}

// Size of an argument whose dictionary row has no DATA_LENGTH.
long DefaultSize(const std::string& nativeType) {
  if (nativeType == "CHAR") return 1;
  if (nativeType == "VARCHAR" || nativeType == "VARCHAR2") return 4000;
  if (nativeType == "NVARCHAR" || nativeType == "NVARCHAR2") return 2000;
  if (nativeType == "RAW") return 32760;
  return 0;
}

// The Size of an argument: a parameter's size is counted in characters for text, but
// DATA_LENGTH is in bytes, which differ for the national types (two or three bytes a
// character) and for text declared with character semantics. CHAR_LENGTH is the character
// limit of the string types and 0 for the others (Oracle Database Reference, "ALL_ARGUMENTS":
// DATA_LENGTH, CHAR_LENGTH, CHAR_USED), so it wins where it is positive.
long ArgumentSize(const std::string& nativeType, const std::string& dataLength, const std::string& charLength) {
  if (const long chars = WholeNumber(charLength); chars > 0) return chars;
  return dataLength.empty() ? DefaultSize(nativeType) : WholeNumber(dataLength);
}

// The list statements of a package K (upper case; "" for the procedures outside packages):
// procedures with arguments, and every procedure (for those without arguments).
std::string ListStatement(const std::string& K) {
  return K.empty() ? std::string(kUnpackagedListSQL) : Bind(kPackageListSQL, "$Package$", K);
}
std::string ProceduresStatement(const std::string& K) {
  return K.empty() ? std::string(kUnpackagedProceduresSQL) : Bind(kPackageProceduresSQL, "$Package$", K);
}

// The argument statement of "proc" or "package.proc", and its package P and name N (upper case).
std::string ArgsStatement(const std::string& SPName, std::string& P, std::string& N) {
  const std::vector<std::string> parts = Split(SPName, '.');
  std::string sql;
  if (parts.size() == 2) {
    P = Upper(parts[0]);
    N = Upper(parts[1]);
    sql = Bind(kPackagedArgsSQL, "$Package$", P);
  } else {
    P.clear();
    N = parts.empty() ? std::string() : Upper(parts[0]);
    sql = kStandaloneArgsSQL;
  }
  return Bind(std::move(sql), "$Proc$", N);
}

// The source text statement: the package declaration, or a stand-alone procedure's source.
std::string SourceStatement(const std::string& Package, const std::string& ProcName) {
  return Package.empty() ? Bind(kProcSourceSQL, "$ProcName$", ProcName) : Bind(kPackageSourceSQL, "$Package$", Package);
}

}  // namespace

std::string CSrvrOraADO::xmlGetSPList(const std::string& Filter) {
  return ErrGuard("CSrvrOraADO.ISrvrExtractor_xmlGetSPList(Filter)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    bwXMLBrowser x;
    MExtractDocs::InitProcList(x, server);
    leftOut_.clear();
    const std::string unpackaged = Upper(kUnpackaged);
    const std::vector<std::string> entries = Split(Filter, ',');
    bool hasProcedures = false;
    if (!entries.empty()) {
      try {
        server.ExecSQL(kProceduresProbeSQL);
        hasProcedures = true;
      } catch (const AppError& e) {
        if (ado::IsConnectionLost(e)) throw;
      }
    }
    struct Listed {
      std::string Object;
      bool IsFunction;
    };
    std::vector<Listed> listed;
    size_t count = 0;
    for (const std::string& entry : entries) {
      std::string K = Upper(entry);
      const bool standalone = K == unpackaged;
      if (standalone) K.clear();
      listed.clear();
      server.ExecSQL(ListStatement(K));
      // Only a function's result stands at position 0.
      for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext())
        listed.push_back({Value("OBJECT_NAME"), Value("MinP") == "0"});
      if (hasProcedures) {
        const size_t known = listed.size();
        server.ExecSQL(ProceduresStatement(K));
        for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
          std::string object = Value("OBJECT_NAME");
          const auto end = listed.begin() + static_cast<std::ptrdiff_t>(known);
          const auto at = std::lower_bound(listed.begin(), end, object,
                                           [](const Listed& l, const std::string& n) { return l.Object < n; });
          if (at == end || at->Object != object) listed.push_back({std::move(object), false});
        }
        // Both lists are in name order; the procedures without arguments go to their place.
        std::inplace_merge(listed.begin(), listed.begin() + static_cast<std::ptrdiff_t>(known), listed.end(),
                           [](const Listed& a, const Listed& b) { return a.Object < b.Object; });
      }
      for (const Listed& l : listed) {
        if (!UsableName(l.Object)) continue;
        x.CreateChild("Proc", true, false);
        x.Attr("Package", K.empty() ? std::string() : GetOrigCap(K));
        x.Attr("Name", K.empty() ? l.Object : K + "." + l.Object);
        if (l.IsFunction) x.Attr("IsFunction", "True");
        x.POP(0);
      }
      count += listed.size();
    }
    if (!entries.empty() && count == 0)
      leftOut_.push_back(
          "The catalogue lists no procedure or function for \"" + Filter +
          "\": the program reads the USER_ views, which show only the objects the login owns. A login that is not the "
          "owner of the schema sees none of its procedures: connect as the schema's owner.");
    return x.xml();
  }, Filter);
}

std::string CSrvrOraADO::xmlGetSPParameters(const std::string& SPName) {
  return ErrGuard("CSrvrOraADO.ISrvrExtractor_xmlGetSPParameters(SPName)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    std::string P, N;
    const std::string sql = ArgsStatement(SPName, P, N);
    LoadPackageDecl(P, N);
    server.ExecSQL(sql);

    const std::string procName = P.empty() ? GetOrigCap(N) : GetOrigCap(P) + "." + GetOrigCap(N);
    bwXMLBrowser x;
    x.Init("Parameters");
    x.Attr("Proc", procName);
    bool allSupported = true;
    auto rs = server.Recordset();
    // The dictionary of 9i and later has CHAR_LENGTH; a snapshot may leave it out.
    const std::vector<ado::ColumnInfo>& columns = rs->Columns();
    const bool charLengths = std::any_of(columns.begin(), columns.end(),
                                         [](const ado::ColumnInfo& c) { return NoCase::Equals(c.Name, kCharLength); });
    for (; !rs->Eof(); rs->MoveNext()) {
      const std::string DT = Value("DATA_TYPE");
      // A procedure without arguments reports one row without a type or a name; cursors
      // are left out. An argument whose type is missing stays, for the method constructor
      // to report.
      if ((DT.empty() && Value("ARGUMENT_NAME").empty()) || DT == "REF CURSOR") continue;
      x.POP(0);
      x.CreateChild("Param", true, false);
      const std::string argName = Value("ARGUMENT_NAME");
      x.Attr("Name", GetOrigCap(argName));
      if (Value("DATA_LEVEL") == "0" && IsCompositeType(DT)) allSupported = false;
      if (Value("DATA_LEVEL") != "0") {
        // A field of a composite argument.
        x.Attr("DataTypeNotSupported", "True");
        allSupported = false;
      } else {
        if (IsZero(Value("POSITION")) && argName.empty()) {
          x.Attr("IsRetVal", "True");
          x.Attr("Name", "RETURN_VALUE");
          x.Attr("Dir", 4);
        } else {
          x.Attr("Name", GetOrigCap(argName));
          x.Attr("Dir", DirFromInOut(Value("IN_OUT")));
        }
        x.Attr("NativeType", DT);
        x.Attr("NativeTypeName", Value("TYPE_NAME"));
        x.Attr("NumericScale", Value("DATA_SCALE"));
        x.Attr("Precision", Value("DATA_PRECISION"));
        x.Attr("Size", ArgumentSize(DT, Value("DATA_LENGTH"), charLengths ? Value(kCharLength) : std::string()));
      }
      x.POP(0);
    }
    x.POP(0);
    x.Attr("NotSupported", allSupported ? "False" : "True");
    return x.xml();
  }, SPName);
}

std::string CSrvrOraADO::GetOrigCap(const std::string& OraName) {
  return ErrGuard("CSrvrOraADO.GetOrigCap(OraName)", [&] {
    const size_t at = upperSource_.find(" " + Upper(OraName) + " ");
    if (at == std::string::npos) return OraName;
    return source_.substr(at + 1, OraName.size());
  }, OraName);
}

void CSrvrOraADO::LoadPackageDecl(const std::string& Package, const std::string& ProcName) {
  // Report name kept as it was: error reports and their readers rely on it.
  ErrGuard("COraOOServer.LoadPackageDecl(Package)", [&] {
    // The cache holds one package declaration or one stand-alone procedure's source; a
    // stand-alone procedure never reuses a package's text, even when the names agree.
    if (loaded_ && Package == loadedPackage_ && (!Package.empty() || ProcName == loadedProc_)) return;
    CServer& server = MExtractDocs::RequireServer(server_);
    loaded_ = false;
    source_.clear();
    upperSource_.clear();
    server.ExecSQL(SourceStatement(Package, ProcName));
    auto rs = server.Recordset();
    if (rs->Eof())
      ado::ThrowAdoError(ado::adErrNoCurrentRecord, "ADODB.Recordset",
                         "(no source text in user_source for " + (Package.empty() ? ProcName : Package) + ")");
    const auto rows = rs->GetRows({"TEXT"});
    std::string text;
    for (size_t i = 0; i < rows[0].size(); ++i) {
      if (i) text += ' ';
      if (rows[0][i]) text += *rows[0][i];
    }
    // Line ends, parentheses and semicolons become blanks, so names stand between blanks.
    std::string flat;
    flat.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        flat += ' ';
        ++i;
      } else {
        flat += (c == '\n' || c == '(' || c == ')' || c == ';') ? ' ' : c;
      }
    }
    source_ = std::move(flat);
    upperSource_ = Upper(source_);
    loadedPackage_ = Package;
    loadedProc_ = ProcName;
    loaded_ = true;
  }, Package);
}

std::string CSrvrOraADO::Value(const std::string& FieldName) {
  return ErrGuard("CSrvrOraADO.Value(FieldName)", [&] { return server_->Value(FieldName); }, FieldName);
}

int CSrvrOraADO::DirFromInOut(const std::string& InOut) {
  if (InOut == "IN") return 1;
  if (InOut == "OUT") return 2;
  if (InOut == "IN/OUT") return 3;
  return 0;
}

std::vector<CatalogueStatement> CSrvrOraADO::CatalogueStatements(const std::string& Filter,
                                                                 const std::string& SampleProc) const {
  std::vector<CatalogueStatement> out;
  const std::vector<std::string> entries = Split(Filter, ',');
  if (!entries.empty()) out.push_back({"whether user_procedures can be read", kProceduresProbeSQL, ""});
  for (const std::string& entry : entries) {
    std::string K = Upper(entry);
    if (K == Upper(kUnpackaged)) K.clear();
    const std::string what = K.empty() ? std::string(kUnpackaged) : K;
    out.push_back({"procedure list of " + what, ListStatement(K), ""});
    out.push_back({"procedures without arguments of " + what, ProceduresStatement(K), ""});
  }
  if (!SampleProc.empty()) {
    std::string P, N;
    std::string args = ArgsStatement(SampleProc, P, N);
    out.push_back({"source text for " + SampleProc, SourceStatement(P, N), SampleProc});
    out.push_back({"arguments of " + SampleProc, std::move(args), SampleProc});
  }
  return out;
}

}  // namespace pf
