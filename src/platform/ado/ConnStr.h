#pragma once
// Connection strings: parsing the OLE DB and ODBC forms, reading data link files,
// and translating what a connection string asks for into what this platform runs:
// an ODBC connection string (live servers) or a catalogue snapshot file.

#include <string>
#include <string_view>
#include <vector>

namespace pf::ado::ConnStr {

struct Pair {
  std::string Key;
  std::string Value;
};
using Pairs = std::vector<Pair>;

// Where one pair stands in the parsed text: from its key to the end of its value,
// separators and surrounding blanks excluded. `HasValue` is false for a piece without "=".
struct Span {
  size_t Begin = 0;
  size_t End = 0;
  bool HasValue = false;
};

// Splits "key=value;..." into pairs in order. Values may be quoted with "..." or
// '...' (a doubled quote stands for one) or braced {...} (a doubled } stands for
// one). Keys are trimmed; "==" inside a key stands for "=". Never fails: a piece
// without "=" becomes a key with an empty value. With `spans`, receives one span per
// pair, so that an editor can change one pair and leave the rest of the text as it was.
Pairs Parse(std::string_view text, std::vector<Span>* spans = nullptr);
// Writes pairs in the ODBC form, bracing values that need it.
std::string Compose(const Pairs& pairs);
// The value of the last pair whose key equals `key` ignoring case, or nullptr.
const std::string* Find(const Pairs& pairs, std::string_view key);
// Sets (replacing every earlier pair of that key) or appends a pair.
void Set(Pairs& pairs, std::string_view key, std::string value);
void Remove(Pairs& pairs, std::string_view key);

// The connection string held by a data link (.udl) file: UTF-16 with a byte-order
// mark or ANSI text; the first line that is neither a comment (";") nor a section
// header ("[oledb]"). Throws ProviderError when the file cannot be read or holds none.
std::string ReadDataLinkFile(const std::string& path);

// The kinds of provider this platform runs, told apart by the Provider key's value
// (version suffixes such as ".1" allowed). An empty value is ODBC, ADO's default.
enum class Family { Odbc, SqlServer, Sybase, Access, Oracle, Snapshot, Unknown };
Family ProviderFamily(std::string_view provider);

// What a connection string resolves to.
struct Target {
  enum class Kind { Odbc, Snapshot };
  Kind kind = Kind::Odbc;
  std::string OdbcString;    // Kind::Odbc: the string handed to the driver manager
  std::string Driver;        // the ODBC driver named, empty for data sources (DSN)
  std::string SnapshotFile;  // Kind::Snapshot: the file to open
  int LoginTimeout = -1;     // a timeout the string itself sets, -1 for none
  // Where a SQL Server or Sybase string leads, for messages: the host (an instance form
  // "host\\instance" included) and the port, which is empty when an instance look-up or a
  // data source decides it. PortAssumed: the string named no port and the server type's
  // usual one was taken (1433 SQL Server, 5000 Sybase).
  std::string Host;
  std::string Port;
  bool PortAssumed = false;
  // What the string asks for that the driver has no keyword for, one sentence each; the
  // connection test lists them as warnings, so that nothing is dropped without a word.
  std::vector<std::string> Notes;
  // Closed connections go back to the idle pool unless the string turns pooling off
  // ("OLE DB Services" without its lowest bit, e.g. -2, or "Pooling=False").
  bool Pooling = true;
};

// Translates an OLE DB or ODBC connection string. `findDriver` returns the name of
// an installed ODBC driver that starts with the given prefix (ignoring case), or an
// empty text; it is asked for the Oracle driver, whose name depends on the install. On
// Windows every OLE DB provider goes to an installed Windows ODBC driver found this way
// (SQL Server: "ODBC Driver 18 for SQL Server", 17, or "SQL Server"; Access: the Access
// driver; Oracle's; ASE's "Adaptive Server Enterprise"), and a missing one fails naming it.
// Throws ProviderError for an unknown provider or a string that names nothing.
Target Translate(std::string_view connectionString, std::string (*findDriver)(std::string_view prefix) = nullptr);

// Whether the ODBC driver a string names is FreeTDS: by a registered name that says so, or
// by the path of its library (libtdsodbc.so).
bool IsFreeTds(std::string_view driver);

// The Debian package (on Windows: the installer) that brings an ODBC driver of that name, or
// a note where none does; empty when the driver is not one this program knows.
std::string PackageForDriver(std::string_view driver);

}  // namespace pf::ado::ConnStr
