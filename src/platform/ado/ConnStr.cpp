#include "platform/ado/ConnStr.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>

#include "base/ConnStrValue.h"
#include "base/NoCase.h"
#include "base/SourceText.h"
#include "platform/ado/Ado.h"
#include "platform/ado/DataLinkFile.h"
#include "platform/ado/Provider.h"

namespace pf::ado::ConnStr {

namespace {

constexpr const char* kSource = "ADODB.Connection";

constexpr auto Trim = srctext::TrimSpace;

// The value of the first key of `keys` that the pairs hold, or nullptr.
const std::string* FindAny(const Pairs& pairs, std::initializer_list<std::string_view> keys) {
  for (std::string_view k : keys)
    if (const std::string* v = Find(pairs, k)) return v;
  return nullptr;
}

void CopyIf(const Pairs& from, Pairs& to, std::initializer_list<std::string_view> keys, std::string_view target) {
  if (const std::string* v = FindAny(from, keys)) Set(to, target, *v);
}

std::string ForwardSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool IsTrue(const std::string* v) {
  if (!v) return false;
  const std::string l = NoCase::Lower(Trim(*v));
  return l == "sspi" || l == "true" || l == "yes";
}

// A "host,port" server becomes Server and Port, as the TDS driver wants them.
void SetTdsServer(const Pairs& in, Pairs& out, std::initializer_list<std::string_view> serverKeys) {
  const std::string* server = FindAny(in, serverKeys);
  if (!server) return;
  std::string s(Trim(*server));
  if (NoCase::StartsWith(s, "tcp:")) s.erase(0, 4);
  if (NoCase::Equals(s, "(local)") || s == ".") s = "localhost";
  if (const size_t comma = s.find(','); comma != std::string::npos) {
    Set(out, "Server", std::string(Trim(std::string_view(s).substr(0, comma))));
    Set(out, "Port", std::string(Trim(std::string_view(s).substr(comma + 1))));
  } else {
    Set(out, "Server", s);
  }
}

Pairs TranslateTds(const Pairs& in, const char* tdsVersion, bool sybase) {
  Pairs out;
  Set(out, "Driver", "FreeTDS");
  if (sybase) SetTdsServer(in, out, {"Data Source", "Server Name", "Server", "Address"});
  else SetTdsServer(in, out, {"Data Source", "Server", "Address", "Addr", "Network Address"});
  CopyIf(in, out, {"Port", "Server Port Address"}, "Port");
  CopyIf(in, out, {"Initial Catalog", "Database"}, "Database");
  CopyIf(in, out, {"User ID", "UID", "User"}, "UID");
  CopyIf(in, out, {"Password", "PWD"}, "PWD");
  if (IsTrue(FindAny(in, {"Integrated Security", "Trusted_Connection"}))) Set(out, "Trusted_Connection", "Yes");
  CopyIf(in, out, {"Application Name"}, "APP");
  CopyIf(in, out, {"Workstation ID"}, "WSID");
  const std::string* version = Find(in, "TDS_Version");
  Set(out, "TDS_Version", version ? *version : tdsVersion);
  return out;
}

Pairs TranslateAccess(const Pairs& in) {
  Pairs out;
  Set(out, "Driver", "MDBTools");
  if (const std::string* file = FindAny(in, {"Data Source", "DBQ"})) Set(out, "DBQ", ForwardSlashes(*file));
  return out;
}

Pairs TranslateOracle(const Pairs& in, std::string (*findDriver)(std::string_view)) {
  const std::string driver = findDriver ? findDriver("Oracle") : std::string();
  if (driver.empty())
    throw ProviderError(kSource,
                        "The Oracle provider needs an Oracle ODBC driver, and no driver whose name begins with "
                        "\"Oracle\" is registered with the ODBC driver manager (see odbcinst -q -d). " +
                            PackageForDriver("Oracle"));
  Pairs out;
  Set(out, "Driver", driver);
  CopyIf(in, out, {"Data Source", "DBQ", "Server"}, "DBQ");
  CopyIf(in, out, {"User ID", "UID"}, "UID");
  CopyIf(in, out, {"Password", "PWD"}, "PWD");
  return out;
}

// Plain ODBC strings, and the ODBC part of an MSDASQL string.
Pairs TranslateOdbc(const Pairs& in) {
  if (const std::string* inner = Find(in, "Extended Properties")) {
    Pairs out = Parse(*inner);
    if (!Find(out, "UID")) CopyIf(in, out, {"User ID"}, "UID");
    if (!Find(out, "PWD")) CopyIf(in, out, {"Password"}, "PWD");
    return out;
  }
  Pairs out;
  const bool named = FindAny(in, {"DSN", "Driver", "FILEDSN"}) != nullptr;
  for (const Pair& p : in) {
    if (NoCase::Equals(p.Key, "Provider") || NoCase::Equals(p.Key, "Persist Security Info")) continue;
    if (NoCase::Equals(p.Key, "Data Source") && !named) Set(out, "DSN", p.Value);
    else if (NoCase::Equals(p.Key, "User ID")) Set(out, "UID", p.Value);
    else if (NoCase::Equals(p.Key, "Password")) Set(out, "PWD", p.Value);
    else if (NoCase::Equals(p.Key, "Initial Catalog")) Set(out, "DATABASE", p.Value);
    else out.push_back(p);
  }
  return out;
}

}  // namespace

Pairs Parse(std::string_view s, std::vector<Span>* spans) {
  Pairs pairs;
  if (spans) spans->clear();
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ';' || std::isspace(static_cast<unsigned char>(s[i])))) ++i;
    if (i >= s.size()) break;
    const size_t begin = i;
    std::string key;
    bool hasValue = false;
    while (i < s.size()) {
      if (s[i] == '=') {
        if (i + 1 < s.size() && s[i + 1] == '=') {
          key += '=';
          i += 2;
          continue;
        }
        hasValue = true;
        ++i;
        break;
      }
      if (s[i] == ';') break;
      key += s[i++];
    }
    Pair p{std::string(Trim(key)), {}};
    if (hasValue) i = ConnStrValue::Read(s, i, &p.Value);
    if (p.Key.empty() && p.Value.empty()) continue;
    if (spans) {
      size_t end = i;
      while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
      spans->push_back({begin, end, hasValue});
    }
    pairs.push_back(std::move(p));
  }
  return pairs;
}

std::string Compose(const Pairs& pairs) {
  std::string out;
  for (const Pair& p : pairs) {
    if (!out.empty()) out += ';';
    for (char c : p.Key) {
      out += c;
      if (c == '=') out += '=';
    }
    out += '=';
    // Braced: values that hold a separator or a brace, or that a reader would take
    // for quoted, for part of the key, or trim (a leading quote or "=", outer blanks).
    const bool brace = p.Value.find_first_of(";{}") != std::string::npos ||
                       (!p.Value.empty() && (std::isspace(static_cast<unsigned char>(p.Value.front())) ||
                                             std::isspace(static_cast<unsigned char>(p.Value.back())) ||
                                             p.Value.front() == '"' || p.Value.front() == '\'' ||
                                             p.Value.front() == '='));
    if (!brace) {
      out += p.Value;
      continue;
    }
    out += '{';
    for (char c : p.Value) {
      out += c;
      if (c == '}') out += '}';
    }
    out += '}';
  }
  return out;
}

const std::string* Find(const Pairs& pairs, std::string_view key) {
  for (auto it = pairs.rbegin(); it != pairs.rend(); ++it)
    if (NoCase::Equals(it->Key, key)) return &it->Value;
  return nullptr;
}

void Set(Pairs& pairs, std::string_view key, std::string value) {
  Remove(pairs, key);
  pairs.push_back({std::string(key), std::move(value)});
}

void Remove(Pairs& pairs, std::string_view key) {
  std::erase_if(pairs, [&](const Pair& p) { return NoCase::Equals(p.Key, key); });
}

std::string ReadDataLinkFile(const std::string& path) {
  // The one reader of link files: a file that is not one (binary data, no "[oledb]"
  // line, a folder) is refused with a message naming it and the reason.
  const std::string file = ForwardSlashes(path);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec))
    throw ProviderError(kSource, "The data link file '" + path + "' does not exist.");
  std::string found = DataLinkFile::Read(file).ConnectionString;
  if (found.empty()) throw ProviderError(kSource, "The data link file '" + path + "' holds no connection string.");
  return found;
}

Family ProviderFamily(std::string_view providerValue) {
  const std::string_view p = Trim(providerValue);
  struct Prefix {
    std::string_view Name;
    Family F;
  };
  static constexpr Prefix kPrefixes[] = {
      {"MSDASQL", Family::Odbc},           {"SQLOLEDB", Family::SqlServer},
      {"SQLNCLI", Family::SqlServer},      {"MSOLEDBSQL", Family::SqlServer},
      {"Sybase.ASEOLEDBProvider", Family::Sybase}, {"ASEOLEDB", Family::Sybase},
      {"Microsoft.Jet.OLEDB", Family::Access}, {"Microsoft.ACE.OLEDB", Family::Access},
      {"MSDAORA", Family::Oracle},         {"OraOLEDB.Oracle", Family::Oracle}};
  if (p.empty()) return Family::Odbc;
  if (NoCase::Equals(p, "Procforge.Snapshot")) return Family::Snapshot;
  for (const Prefix& x : kPrefixes)
    if (NoCase::StartsWith(p, x.Name)) return x.F;
  return Family::Unknown;
}

Target Translate(std::string_view connectionString, std::string (*findDriver)(std::string_view)) {
  Pairs in = Parse(connectionString);
  if (const std::string* link = Find(in, "File Name")) {
    Pairs merged = Parse(ReadDataLinkFile(*link));
    for (const Pair& p : in)
      if (!NoCase::Equals(p.Key, "File Name")) Set(merged, p.Key, p.Value);
    in = std::move(merged);
  }

  Target t;
  if (const std::string* timeout = FindAny(in, {"Connect Timeout", "Connection Timeout"})) {
    try {
      t.LoginTimeout = std::stoi(*timeout);
    } catch (...) {
      throw ProviderError(kSource, "The connect timeout '" + *timeout + "' is not a number of seconds.");
    }
    Remove(in, "Connect Timeout");
    Remove(in, "Connection Timeout");
  }

  if (const std::string* services = Find(in, "OLE DB Services")) {
    try {
      t.Pooling = (std::stoi(*services) & 1) != 0;
    } catch (...) {
      throw ProviderError(kSource, "The OLE DB Services value '" + *services + "' is not a number.");
    }
    Remove(in, "OLE DB Services");
  }
  if (const std::string* pooling = Find(in, "Pooling")) {
    const std::string v = NoCase::Lower(Trim(*pooling));
    t.Pooling = !(v == "false" || v == "no" || v == "0");
    Remove(in, "Pooling");
  }

  const std::string* providerValue = Find(in, "Provider");
  const std::string provider = providerValue ? std::string(Trim(*providerValue)) : std::string();
  Pairs out;
  switch (ProviderFamily(provider)) {
    case Family::Snapshot: {
      const std::string* file = FindAny(in, {"Data Source", "DBQ"});
      if (!file || Trim(*file).empty())
        throw ProviderError(kSource, "The snapshot provider needs the snapshot file: Data Source=<file>.");
      t.kind = Target::Kind::Snapshot;
      t.SnapshotFile = ForwardSlashes(std::string(Trim(*file)));
      return t;
    }
    case Family::Odbc: out = TranslateOdbc(in); break;
    case Family::SqlServer: out = TranslateTds(in, "7.4", false); break;
    case Family::Sybase: out = TranslateTds(in, "5.0", true); break;
    case Family::Access: out = TranslateAccess(in); break;
    case Family::Oracle: out = TranslateOracle(in, findDriver); break;
    case Family::Unknown:
      throw ProviderError(kSource, "Provider cannot be found. It may not be properly installed. The provider '" +
                                       provider +
                                       "' is not known here; known are SQLOLEDB, SQLNCLI and MSOLEDBSQL (SQL Server), "
                                       "Sybase.ASEOLEDBProvider (Sybase), Microsoft.Jet.OLEDB and Microsoft.ACE.OLEDB "
                                       "(Access), MSDAORA and OraOLEDB.Oracle (Oracle), MSDASQL (ODBC) and "
                                       "Procforge.Snapshot (catalogue snapshots).");
  }
  if (out.empty()) throw ProviderError(kSource, "The connection string is empty.");
  if (const std::string* driver = Find(out, "Driver")) t.Driver = *driver;
  t.OdbcString = Compose(out);
  return t;
}

std::string PackageForDriver(std::string_view driver) {
  const std::string d = NoCase::Lower(driver);
  if (d.find("freetds") != std::string::npos || d.find("tdsodbc") != std::string::npos)
    return "The Debian package tdsodbc brings it.";
  if (d.find("mdbtools") != std::string::npos || d.find("mdbodbc") != std::string::npos)
    return "The Debian package odbc-mdbtools brings it.";
  if (d.find("postgres") != std::string::npos || d.find("psqlodbc") != std::string::npos)
    return "The Debian package odbc-postgresql brings it.";
  if (d.find("sqlite") != std::string::npos) return "The Debian package libsqliteodbc brings it.";
  if (d.find("oracle") != std::string::npos)
    return "Oracle's Instant Client ODBC package brings it; it is not part of Debian and is installed from Oracle.";
  return {};
}

}  // namespace pf::ado::ConnStr
