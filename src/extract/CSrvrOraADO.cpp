#include "extract/CSrvrOraADO.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "platform/ado/Recordset.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {

constexpr const char* kUnpackaged = "(Unpackaged)";
constexpr const char* kUnpackagedListSQL =
    "SELECT object_name, MIN(position) As MinP From user_arguments  WHERE package_name Is Null and overload is "
    "Null  GROUP BY object_name ORDER BY object_name";
constexpr const char* kPackageListSQL =
    "SELECT object_name, MIN(position) As MinP From user_arguments  WHERE package_name= '$Package$' and overload "
    "is Null  GROUP BY object_name ORDER BY object_name";
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

// Size of an argument whose dictionary row has no DATA_LENGTH.
long DefaultSize(const std::string& nativeType) {
  if (nativeType == "CHAR") return 1;
  if (nativeType == "VARCHAR" || nativeType == "VARCHAR2") return 4000;
  if (nativeType == "NVARCHAR" || nativeType == "NVARCHAR2") return 2000;
  if (nativeType == "RAW") return 32760;
  return 0;
}

}  // namespace

std::string CSrvrOraADO::xmlGetSPList(const std::string& Filter) {
  return ErrGuard("CSrvrOraADO.ISrvrExtractor_xmlGetSPList(Filter)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    bwXMLBrowser x;
    MExtractDocs::InitProcList(x, server);
    const std::string unpackaged = Upper(kUnpackaged);
    for (const std::string& entry : Split(Filter, ',')) {
      std::string K = Upper(entry);
      std::string sql;
      if (K == unpackaged) {
        K.clear();
        sql = kUnpackagedListSQL;
      } else {
        sql = Bind(kPackageListSQL, "$Package$", K);
      }
      server.ExecSQL(sql);
      for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
        x.CreateChild("Proc", true, false);
        x.Attr("Package", K.empty() ? std::string() : GetOrigCap(K));
        const std::string object = Value("OBJECT_NAME");
        x.Attr("Name", K.empty() ? object : K + "." + object);
        // Only a function's result stands at position 0.
        if (Value("MinP") == "0") x.Attr("IsFunction", "True");
        x.POP(0);
      }
    }
    return x.xml();
  }, Filter);
}

std::string CSrvrOraADO::xmlGetSPParameters(const std::string& SPName) {
  return ErrGuard("CSrvrOraADO.ISrvrExtractor_xmlGetSPParameters(SPName)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    const std::vector<std::string> parts = Split(SPName, '.');
    std::string P, N, sql;
    if (parts.size() == 2) {
      P = Upper(parts[0]);
      N = Upper(parts[1]);
      sql = Bind(kPackagedArgsSQL, "$Package$", P);
    } else {
      N = parts.empty() ? std::string() : Upper(parts[0]);
      sql = kStandaloneArgsSQL;
    }
    sql = Bind(std::move(sql), "$Proc$", N);

    LoadPackageDecl(P, N);
    server.ExecSQL(sql);

    const std::string procName = P.empty() ? GetOrigCap(N) : GetOrigCap(P) + "." + GetOrigCap(N);
    bwXMLBrowser x;
    x.Init("Parameters");
    x.Attr("Proc", procName);
    bool allSupported = true;
    for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
      const std::string DT = Value("DATA_TYPE");
      // A procedure without arguments reports one row without a type or a name; cursors
      // are left out. An argument whose type is missing stays, for the method constructor
      // to report.
      if ((DT.empty() && Value("ARGUMENT_NAME").empty()) || DT == "REF CURSOR") continue;
      x.POP(0);
      x.CreateChild("Param", true, false);
      const std::string argName = Value("ARGUMENT_NAME");
      x.Attr("Name", GetOrigCap(argName));
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
        const std::string length = Value("DATA_LENGTH");
        x.Attr("Size", length.empty() ? DefaultSize(DT) : WholeNumber(length));
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
    server.ExecSQL(Package.empty() ? Bind(kProcSourceSQL, "$ProcName$", ProcName)
                                   : Bind(kPackageSourceSQL, "$Package$", Package));
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

}  // namespace pf
