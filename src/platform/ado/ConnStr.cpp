#include "platform/ado/ConnStr.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <optional>

#include "base/Os.h"
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

// The host and port a TDS string names. SQL Server writes "host,port", the Sybase ASE
// provider "host:port" (and its own Server Port Address key); "tcp:" and "(local)" are
// SQL Server's. A named instance ("host\instance") keeps no port: FreeTDS asks the
// server's browser service for it. Without a port the server type's usual one is taken,
// because FreeTDS given a host without a port (Server=, not a freetds.conf section)
// fails with "invalid port number".
void SetTdsServer(const Pairs& in, Pairs& out, Target& t, bool sybase) {
  const std::string* server = sybase
                                  ? FindAny(in, {"Network Address", "Data Source", "Server Name", "Server", "Address"})
                                  : FindAny(in, {"Network Address", "Data Source", "Server", "Address", "Addr"});
  if (!server) return;
  std::string s(Trim(*server));
  if (NoCase::StartsWith(s, "tcp:")) s.erase(0, 4);
  std::string port;
  const size_t cut = sybase ? s.find_first_of(",:") : s.find(',');
  if (cut != std::string::npos) {
    port = std::string(Trim(std::string_view(s).substr(cut + 1)));
    s = std::string(Trim(std::string_view(s).substr(0, cut)));
  }
  if (NoCase::Equals(s, "(local)") || s == ".") s = "localhost";
  if (port.empty())
    if (const std::string* p = FindAny(in, {"Port", "Server Port Address"})) port = std::string(Trim(*p));
  const bool instance = s.find('\\') != std::string::npos;
  if (port.empty() && !instance) {
    port = sybase ? "5000" : "1433";
    t.PortAssumed = true;
  }
  Set(out, "Server", s);
  if (!port.empty()) Set(out, "Port", port);
  t.Host = s;
  t.Port = port;
}

#ifndef _WIN32
// Linux: OLE DB strings go to FreeTDS, MDBTools and the Oracle driver that is registered.

// Keys of an OLE DB string that only the ADO layer reads and that are fine to leave out of
// the driver's string: whether ADO keeps the password readable, and the TCP/IP network
// library (the only one there is here).
bool AdoOnly(const Pair& p) {
  return NoCase::Equals(p.Key, "Provider") || NoCase::Equals(p.Key, "Persist Security Info") ||
         (NoCase::Equals(p.Key, "Network Library") && NoCase::Equals(Trim(p.Value), "dbmssocn"));
}

// One note per key of `in` that the translation neither used nor left out on purpose.
void NoteUnused(const Pairs& in, std::initializer_list<std::string_view> used, std::string_view driver,
                std::vector<std::string>& notes) {
  for (const Pair& p : in) {
    if (AdoOnly(p)) continue;
    bool known = false;
    for (std::string_view k : used) known = known || NoCase::Equals(p.Key, k);
    if (!known)
      notes.push_back("The keyword '" + p.Key + "' is not passed on: the " + std::string(driver) +
                      " ODBC driver has no keyword for it.");
  }
}

// Truth values as OLE DB strings write them (SQL Server's Encrypt also takes "mandatory"
// and "strict" for yes, "optional" for no); std::nullopt for anything else.
std::optional<bool> Truth(const std::string* v) {
  if (!v) return std::nullopt;
  const std::string l = NoCase::Lower(Trim(*v));
  if (l == "true" || l == "yes" || l == "1" || l == "sspi" || l == "mandatory" || l == "strict") return true;
  if (l == "false" || l == "no" || l == "0" || l == "optional") return false;
  return std::nullopt;
}

// The SQL Server and Sybase providers' keywords in the FreeTDS driver's terms, as the
// FreeTDS user guide lists its connection attributes
// (https://www.freetds.org/userguide/OdbcConnAttr.html).
Pairs TranslateTds(const Pairs& in, Target& t, const char* tdsVersion, bool sybase) {
  Pairs out;
  Set(out, "Driver", "FreeTDS");
  SetTdsServer(in, out, t, sybase);
  CopyIf(in, out, {"Initial Catalog", "Database", "Catalog"}, "Database");
  CopyIf(in, out, {"User ID", "UID", "User"}, "UID");
  CopyIf(in, out, {"Password", "PWD"}, "PWD");
  if (IsTrue(FindAny(in, {"Integrated Security", "Trusted_Connection"}))) Set(out, "Trusted_Connection", "Yes");
  CopyIf(in, out, {"Application Name"}, "APP");
  CopyIf(in, out, {"Workstation ID"}, "WSID");
  CopyIf(in, out, {"Current Language", "Language"}, "Language");
  CopyIf(in, out, {"CharSet", "Charset", "Client Charset", "ClientCharset"}, "ClientCharset");
  // FreeTDS's Encryption: "require" fails unless the session is encrypted, "request"
  // encrypts when the server supports it, as the Microsoft providers do with encryption off.
  const std::string* encrypt = FindAny(in, {"Encrypt", "Use Encryption for Data", "Encryption"});
  if (const std::optional<bool> on = Truth(encrypt))
    Set(out, "Encryption", *on ? "require" : "request");
  else if (encrypt)
    Set(out, "Encryption", *encrypt);
  if (const std::optional<bool> trust = Truth(Find(in, "TrustServerCertificate")); trust && !*trust)
    t.Notes.push_back(
        "TrustServerCertificate=No is not passed on: the FreeTDS ODBC driver has no keyword for it; it checks "
        "the server's certificate only when freetds.conf names a 'ca file'.");
  const std::string* version = Find(in, "TDS_Version");
  Set(out, "TDS_Version", version ? *version : tdsVersion);
  NoteUnused(in,
             {"Data Source",
              "Server Name",
              "Server",
              "Address",
              "Addr",
              "Network Address",
              "Port",
              "Server Port Address",
              "Initial Catalog",
              "Database",
              "Catalog",
              "User ID",
              "UID",
              "User",
              "Password",
              "PWD",
              "Integrated Security",
              "Trusted_Connection",
              "Application Name",
              "Workstation ID",
              "Current Language",
              "Language",
              "CharSet",
              "Charset",
              "Client Charset",
              "ClientCharset",
              "Encrypt",
              "Use Encryption for Data",
              "Encryption",
              "TrustServerCertificate",
              "TDS_Version"},
             "FreeTDS", t.Notes);
  return out;
}

Pairs TranslateAccess(const Pairs& in, Target& t) {
  Pairs out;
  Set(out, "Driver", "MDBTools");
  if (const std::string* file = FindAny(in, {"Data Source", "DBQ"})) Set(out, "DBQ", ForwardSlashes(*file));
  // MDBTools' driver takes the file and nothing else (DBQ or Database); it reads a file
  // without asking for its database password.
  if (Find(in, "Jet OLEDB:Database Password"))
    t.Notes.push_back(
        "Jet OLEDB:Database Password is not passed on: the MDBTools ODBC driver has no keyword for a database "
        "password and opens the file without one.");
  NoteUnused(in, {"Data Source", "DBQ", "Jet OLEDB:Database Password"}, "MDBTools", t.Notes);
  return out;
}

Pairs TranslateOracle(const Pairs& in, Target& t, std::string (*findDriver)(std::string_view)) {
  const std::string driver = findDriver ? findDriver("Oracle") : std::string();
  if (driver.empty())
    throw ProviderError(kSource,
                        "The Oracle provider needs an Oracle ODBC driver, and no driver whose name begins with "
                        "\"Oracle\" is registered with the ODBC driver manager (see odbcinst -q -d). " +
                            PackageForDriver("Oracle"));
  Pairs out;
  Set(out, "Driver", driver);
  CopyIf(in, out, {"Data Source", "DBQ", "Server"}, "DBQ");
  // Operating-system authentication is the user name "/" without a password, for the
  // Oracle ODBC drivers as for Oracle's own tools.
  if (Truth(Find(in, "OSAuthent")).value_or(false)) {
    Set(out, "UID", "/");
    Set(out, "PWD", "");
  } else {
    CopyIf(in, out, {"User ID", "UID"}, "UID");
    CopyIf(in, out, {"Password", "PWD"}, "PWD");
  }
  NoteUnused(in, {"Data Source", "DBQ", "Server", "User ID", "UID", "Password", "PWD", "OSAuthent"}, "Oracle", t.Notes);
  return out;
}

#else
// Windows: OLE DB strings go to the ODBC drivers that Windows users install, the first of
// each list that the driver manager knows (a name is matched as the beginning of an
// installed driver's name). None installed: the message names the one to install.
std::string InstalledDriver(std::string (*findDriver)(std::string_view), std::initializer_list<std::string_view> names,
                            const std::string& provider, const std::string& install) {
  std::string wanted;
  for (std::string_view name : names) {
    if (const std::string found = findDriver ? findDriver(name) : std::string(); !found.empty()) return found;
    wanted += (wanted.empty() ? "\"" : ", \"") + std::string(name) + "\"";
  }
  throw ProviderError(kSource, "The " + provider + " provider needs one of the ODBC drivers " + wanted +
                                   ", and none is installed. " + install);
}

Pairs TranslateSqlServerWindows(const Pairs& in, std::string (*findDriver)(std::string_view)) {
  Pairs out;
  Set(out, "Driver",
      InstalledDriver(findDriver, {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "SQL Server"},
                      "SQL Server", "Install Microsoft's \"ODBC Driver 18 for SQL Server\"."));
  // The Windows drivers take "host,port" and "(local)" as they are.
  CopyIf(in, out, {"Data Source", "Server", "Address", "Addr", "Network Address"}, "Server");
  CopyIf(in, out, {"Initial Catalog", "Database"}, "Database");
  // Integrated Security=SSPI: the user's Windows login, without a name or password.
  if (IsTrue(FindAny(in, {"Integrated Security", "Trusted_Connection"}))) {
    Set(out, "Trusted_Connection", "Yes");
  } else {
    CopyIf(in, out, {"User ID", "UID", "User"}, "UID");
    CopyIf(in, out, {"Password", "PWD"}, "PWD");
  }
  CopyIf(in, out, {"Application Name"}, "APP");
  CopyIf(in, out, {"Workstation ID"}, "WSID");
  if (const std::string* encrypt = FindAny(in, {"Use Encryption for Data", "Encrypt"}))
    Set(out, "Encrypt", IsTrue(encrypt) ? "Yes" : "No");
  CopyIf(in, out, {"Trust Server Certificate", "TrustServerCertificate"}, "TrustServerCertificate");
  return out;
}

Pairs TranslateSybaseWindows(const Pairs& in, std::string (*findDriver)(std::string_view)) {
  Pairs out;
  Set(out, "Driver",
      InstalledDriver(findDriver, {"Adaptive Server Enterprise", "Sybase ASE ODBC Driver"}, "Sybase ASE",
                      "Install the \"Adaptive Server Enterprise\" ODBC driver of the ASE client (SDK)."));
  const std::string* server = FindAny(in, {"Data Source", "Server Name", "Server", "Address"});
  if (server) {
    const std::string s(Trim(*server));
    const size_t sep = s.find_first_of(",:");
    Set(out, "Server", std::string(Trim(std::string_view(s).substr(0, sep))));
    if (sep != std::string::npos) Set(out, "Port", std::string(Trim(std::string_view(s).substr(sep + 1))));
  }
  CopyIf(in, out, {"Port", "Server Port Address"}, "Port");
  CopyIf(in, out, {"Initial Catalog", "Database"}, "Database");
  CopyIf(in, out, {"User ID", "UID", "User"}, "UID");
  CopyIf(in, out, {"Password", "PWD"}, "PWD");
  return out;
}

Pairs TranslateAccessWindows(const Pairs& in, std::string (*findDriver)(std::string_view)) {
  Pairs out;
  Set(out, "Driver",
      InstalledDriver(findDriver, {"Microsoft Access Driver (*.mdb, *.accdb)", "Microsoft Access Driver (*.mdb)"},
                      "Access", "Install Microsoft's \"Access Database Engine\" (its ODBC driver)."));
  CopyIf(in, out, {"Data Source", "DBQ"}, "DBQ");
  CopyIf(in, out, {"User ID", "UID"}, "UID");
  CopyIf(in, out, {"Password", "PWD"}, "PWD");
  if (const std::string* db = FindAny(in, {"Jet OLEDB:Database Password"})) Set(out, "PWD", *db);
  return out;
}

Pairs TranslateOracleWindows(const Pairs& in, std::string (*findDriver)(std::string_view)) {
  Pairs out;
  Set(out, "Driver",
      InstalledDriver(findDriver, {"Oracle"}, "Oracle",
                      "Install Oracle's ODBC driver (the ODBC package of Oracle's Instant Client)."));
  CopyIf(in, out, {"Data Source", "DBQ", "Server"}, "DBQ");
  CopyIf(in, out, {"User ID", "UID"}, "UID");
  CopyIf(in, out, {"Password", "PWD"}, "PWD");
  return out;
}
#endif  // _WIN32

#ifdef _WIN32
constexpr bool kBraceDriver = true;
#else
constexpr bool kBraceDriver = false;
#endif

bool IsPostgresDriver(std::string_view driver) {
  const std::string d = NoCase::Lower(driver);
  return d.find("postgres") != std::string::npos || d.find("psqlodbc") != std::string::npos;
}

// psqlODBC's options for what a class calls: a function that returns a cursor gives the
// cursor's rows (FetchRefcursors; psqlODBC's documentation, "Configuration Options"). A string
// that names a host and no port gets the server's usual one, 5432.
void SetPostgresOptions(Pairs& out, Target& t) {
  if (!FindAny(out, {"DSN", "FILEDSN"})) {
    const std::string* port = Find(out, "Port");
    t.PortAssumed = port == nullptr;
    t.Port = port ? std::string(Trim(*port)) : std::string("5432");
    if (!port) Set(out, "Port", t.Port);
    if (const std::string* host = FindAny(out, {"Server", "Servername"})) t.Host = std::string(Trim(*host));
  }
  if (!Find(out, "FetchRefcursors")) Set(out, "FetchRefcursors", "1");
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
    if (NoCase::Equals(p.Key, "Data Source") && !named)
      Set(out, "DSN", p.Value);
    else if (NoCase::Equals(p.Key, "User ID"))
      Set(out, "UID", p.Value);
    else if (NoCase::Equals(p.Key, "Password"))
      Set(out, "PWD", p.Value);
    else if (NoCase::Equals(p.Key, "Initial Catalog"))
      Set(out, "DATABASE", p.Value);
    else
      out.push_back(p);
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
    // The Windows driver manager wants a driver's name braced where it holds "(", "," or "*"
    // ("Microsoft Access Driver (*.mdb, *.accdb)"): a driver's name is braced there always.
    const bool brace =
        (kBraceDriver && NoCase::Equals(p.Key, "Driver")) || p.Value.find_first_of(";{}") != std::string::npos ||
        (!p.Value.empty() && (std::isspace(static_cast<unsigned char>(p.Value.front())) ||
                              std::isspace(static_cast<unsigned char>(p.Value.back())) || p.Value.front() == '"' ||
                              p.Value.front() == '\'' || p.Value.front() == '='));
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
  if (!std::filesystem::exists(Os::Path(file), ec))
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
  static constexpr Prefix kPrefixes[] = {{"MSDASQL", Family::Odbc},
                                         {"SQLOLEDB", Family::SqlServer},
                                         {"SQLNCLI", Family::SqlServer},
                                         {"MSOLEDBSQL", Family::SqlServer},
                                         {"Sybase.ASEOLEDBProvider", Family::Sybase},
                                         {"ASEOLEDB", Family::Sybase},
                                         {"Microsoft.Jet.OLEDB", Family::Access},
                                         {"Microsoft.ACE.OLEDB", Family::Access},
                                         {"MSDAORA", Family::Oracle},
                                         {"OraOLEDB.Oracle", Family::Oracle}};
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
  const Family family = ProviderFamily(provider);
  switch (family) {
    case Family::Snapshot: {
      const std::string* file = FindAny(in, {"Data Source", "DBQ"});
      if (!file || Trim(*file).empty())
        throw ProviderError(kSource, "The snapshot provider needs the snapshot file: Data Source=<file>.");
      t.kind = Target::Kind::Snapshot;
      t.SnapshotFile = ForwardSlashes(std::string(Trim(*file)));
      return t;
    }
    case Family::Odbc:
      out = TranslateOdbc(in);
      break;
#ifdef _WIN32
    case Family::SqlServer:
      out = TranslateSqlServerWindows(in, findDriver);
      break;
    case Family::Sybase:
      out = TranslateSybaseWindows(in, findDriver);
      break;
    case Family::Access:
      out = TranslateAccessWindows(in, findDriver);
      break;
    case Family::Oracle:
      out = TranslateOracleWindows(in, findDriver);
      break;
#else
    case Family::SqlServer:
      out = TranslateTds(in, t, "7.4", false);
      break;
    case Family::Sybase:
      out = TranslateTds(in, t, "5.0", true);
      break;
    case Family::Access:
      out = TranslateAccess(in, t);
      break;
    case Family::Oracle:
      out = TranslateOracle(in, t, findDriver);
      break;
#endif
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
  // An ODBC string for FreeTDS that names a host (not a data source or a freetds.conf
  // section) and no port gets the usual port of its protocol, as the providers' strings do.
  if (family == Family::Odbc && IsFreeTds(t.Driver) && !FindAny(out, {"DSN", "Servername"}) && !Find(out, "Port")) {
    const std::string* version = Find(out, "TDS_Version");
    SetTdsServer(Pairs(out), out, t, version && NoCase::StartsWith(Trim(*version), "5"));
  }
  if (family == Family::Odbc && IsPostgresDriver(t.Driver)) SetPostgresOptions(out, t);
  t.OdbcString = Compose(out);
  return t;
}

bool IsFreeTds(std::string_view driver) {
  const std::string d = NoCase::Lower(driver);
  return d.find("freetds") != std::string::npos || d.find("tdsodbc") != std::string::npos;
}

std::string PackageForDriver(std::string_view driver) {
  const std::string d = NoCase::Lower(driver);
#ifdef _WIN32
  // Windows has no package manager for drivers: each comes with its maker's installer.
  if (d.find("sql server") != std::string::npos) return "Microsoft's \"ODBC Driver 18 for SQL Server\" installs it.";
  if (d.find("access") != std::string::npos) return "Microsoft's \"Access Database Engine\" installs it.";
  if (d.find("oracle") != std::string::npos) return "The ODBC package of Oracle's Instant Client installs it.";
  if (d.find("adaptive server") != std::string::npos) return "The ASE client (SDK) installs it.";
  if (d.find("postgres") != std::string::npos) return "The psqlODBC installer of the PostgreSQL project installs it.";
  return {};
#endif
  if (IsFreeTds(driver)) return "The Debian package tdsodbc brings it.";
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
