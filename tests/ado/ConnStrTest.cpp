#include <gtest/gtest.h>

#include <tuple>

#include "platform/TextFiles.h"
#include "platform/ado/ConnStr.h"
#include "platform/ado/Connection.h"
#include "platform/ado/DataLinkFields.h"
#include "platform/ado/DataLinkFile.h"
#include "platform/ado/Provider.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::ado;

namespace {
std::string NoOracle(std::string_view) { return {}; }
std::string SomeOracle(std::string_view) { return "Oracle 21 ODBC driver"; }
const std::string kLinkHeader = "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n";

std::string OpenError(const std::string& cs) {
  return pftest::Raised([&] { Connection::Create()->Open(cs); }).Description;
}
std::string RefusalOf(const std::string& cs) {
  try {
    ConnStr::Translate(cs, &NoOracle);
  } catch (const ProviderError& e) {
    return e.what();
  }
  return "(served)";
}
}  // namespace

TEST(ConnStr, ParsesQuotedBracedAndBareValues) {
  const ConnStr::Pairs p = ConnStr::Parse(
      " Provider = SQLOLEDB.1 ;Password=\"a;b\"\"c\";User ID='it''s';Extended Properties={DSN=x;UID=y}};z};"
      "Key==Name=v;;Flag");
  ASSERT_EQ(p.size(), 6u);
  EXPECT_EQ(p[0].Key, "Provider");
  EXPECT_EQ(p[0].Value, "SQLOLEDB.1");
  EXPECT_EQ(p[1].Value, "a;b\"c");
  EXPECT_EQ(p[2].Value, "it's");
  EXPECT_EQ(p[3].Value, "DSN=x;UID=y};z");
  EXPECT_EQ(p[4].Key, "Key=Name");
  EXPECT_EQ(p[5].Key, "Flag");
  EXPECT_EQ(*ConnStr::Find(p, "user id"), "it's");
  // Composing braces what needs it, and parsing it again gives the same values, also values
  // a reader would take for quoted, for part of the key, or would trim.
  for (const ConnStr::Pairs& pairs : {p, ConnStr::Pairs{{"A", "\"q"}, {"B", "=v"}, {"C", " x "}, {"D", "'"}}}) {
    const ConnStr::Pairs again = ConnStr::Parse(ConnStr::Compose(pairs));
    ASSERT_EQ(again.size(), pairs.size());
    for (size_t i = 0; i < pairs.size(); ++i) EXPECT_EQ(again[i].Value, pairs[i].Value) << i;
  }
}

TEST(ConnStr, TranslatesOleDbProvidersToDrivers) {
  using K = ConnStr::Target::Kind;
  ConnStr::Target t = ConnStr::Translate(
      "Provider=SQLOLEDB.1;Data Source=db1,1433;Initial Catalog=Sales;User ID=sa;Password=pw;"
      "Persist Security Info=True;Connect Timeout=7");
  EXPECT_EQ(t.kind, K::Odbc);
  EXPECT_EQ(t.OdbcString, "Driver=FreeTDS;Server=db1;Port=1433;Database=Sales;UID=sa;PWD=pw;TDS_Version=7.4");
  EXPECT_EQ(t.Driver, "FreeTDS");
  EXPECT_EQ(t.LoginTimeout, 7);

  for (const std::string& line : pftest::DataLines("ado/translations.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    EXPECT_EQ(ConnStr::Translate(f[0], &SomeOracle).OdbcString, f[1]) << line;
    EXPECT_EQ(ConnStr::Translate(f[0], &SomeOracle).Pooling, f[2] == "yes") << line;
  }
  EXPECT_THROW(ConnStr::Translate("DSN=x;OLE DB Services=all"), ProviderError);
  // A data source name leaves the driver to the driver manager.
  EXPECT_EQ(ConnStr::Translate("Provider=MSDASQL.1;Extended Properties=\"DSN=Ora\"").Driver, "");

  t = ConnStr::Translate("Provider=Procforge.Snapshot;Data Source=cat\\mssql.sql");
  EXPECT_EQ(t.kind, K::Snapshot);
  EXPECT_EQ(t.SnapshotFile, "cat/mssql.sql");
}

// What a string asks for that the driver has no keyword for is said, once per keyword; what
// the layer reads itself, or maps, is not.
TEST(ConnStr, NotesWhatTheDriverCannotBeTold) {
  for (const std::string& line : pftest::DataLines("ado/driver-notes.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    const ConnStr::Target t = ConnStr::Translate(f[0], &SomeOracle);
    ASSERT_EQ(t.Notes.size(), f.size() - 1) << f[0];
    for (size_t i = 0; i < t.Notes.size(); ++i) {
      EXPECT_TRUE(pftest::Has(t.Notes[i], f[i + 1]) && pftest::Has(t.Notes[i], "not passed on")) << t.Notes[i];
      EXPECT_FALSE(pftest::Has(t.Notes[i], "pw")) << t.Notes[i];
    }
  }
  // Where it leads, for messages: the port taken when the string names none (assumed: 1 yes, 0 no, -1 not asked).
  for (const auto& [cs, target, assumed] :
       {std::tuple{"Provider=SQLOLEDB;Data Source=sql01", "sql01:1433", 1},
        {"Provider=Sybase.ASEOLEDBProvider;Data Source=syb01:5000", "syb01:5000", 0},
        {"Provider=SQLOLEDB;Data Source=SQL01\\SQLEXPRESS", "SQL01\\SQLEXPRESS:", -1}}) {
    const ConnStr::Target t = ConnStr::Translate(cs);
    EXPECT_EQ(t.Host + ":" + t.Port, target);
    if (assumed >= 0) {
      EXPECT_EQ(t.PortAssumed, assumed == 1) << cs;
    }
  }
}

TEST(ConnStr, RefusesWhatItCannotServeWithReasons) {
  const std::string oracle = RefusalOf("Provider=MSDAORA.1;Data Source=XE"),
                    foo = RefusalOf("Provider=Foo.Bar;Data Source=x");
  EXPECT_TRUE(pftest::Has(oracle, "Oracle ODBC driver") && pftest::Has(oracle, "Instant Client")) << oracle;
  EXPECT_TRUE(pftest::Has(foo, "Provider cannot be found") && pftest::Has(foo, "'Foo.Bar'")) << foo;
  EXPECT_THROW(ConnStr::Translate("Provider=Procforge.Snapshot"), ProviderError);
  EXPECT_THROW(ConnStr::Translate("Provider=SQLOLEDB;Connect Timeout=soon"), ProviderError);

  // Through a connection: a driver that is not installed is named with its package.
  const std::string msg = OpenError("Driver={NoSuchDriver 9};Server=x");
  EXPECT_NE(msg.find("'NoSuchDriver 9' is not installed"), std::string::npos) << msg;
  EXPECT_NE(OpenError("Provider=Procforge.Snapshot;Data Source=/nonexistent/x.db").find("/nonexistent/x.db"),
            std::string::npos);
  // A driver that refuses without a diagnostic record still gets a reason.
  EXPECT_NE(OpenError("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\nowhere\\x.mdb")
                .find("The database file 'C:/nowhere/x.mdb' does not exist."),
            std::string::npos);
}

TEST(ConnStr, ReadsDataLinkFilesInUtf16AndAnsi) {
  pftest::TempDir dir;
  // UTF-16 LE with byte-order mark, as the platform writes data links.
  pftest::WriteAll(
      dir.file("w.udl"),
      TextFiles::Encode(kLinkHeader + "Provider=Procforge.Snapshot;Data Source=sn\xC3\xA4p.db\r\n", "UTF-16LE"));
  pftest::WriteAll(dir.file("a.udl"), "[oledb]\r\n; comment\r\nProvider=Procforge.Snapshot;Data Source=sn\xE4p.db\r\n");
  for (const char* name : {"w.udl", "a.udl"}) {
    const ConnStr::Target t = ConnStr::Translate("File Name=" + dir.file(name));
    EXPECT_EQ(t.kind, ConnStr::Target::Kind::Snapshot) << name;
    EXPECT_EQ(t.SnapshotFile, "sn\xC3\xA4p.db") << name;
  }
  // Keys beside File Name win over the link's.
  EXPECT_EQ(ConnStr::Translate("File Name=" + dir.file("a.udl") + ";Data Source=other.db").SnapshotFile, "other.db");
  pftest::WriteAll(dir.file("empty.udl"), "[oledb]\r\n; nothing\r\n");
  EXPECT_THROW(ConnStr::Translate("File Name=" + dir.file("empty.udl")), ProviderError);
  EXPECT_THROW(ConnStr::Translate("File Name=" + dir.file("missing.udl")), ProviderError);
}

using Field = DataLinkFields::Field;

// The edits of tests/data/ado/datalink-fields.txt: writing the value a field holds changes
// nothing, another value changes only its pair, and the result is a string the data-access
// layer accepts.
TEST(DataLinkFields, ReadsEveryProviderAndEditsOnlyTheFieldChanged) {
  for (const std::string& line : pftest::DataLines("ado/datalink-fields.txt")) {
    SCOPED_TRACE(line);
    const std::vector<std::string> f = pftest::Fields(line);
    const auto field = static_cast<Field>(std::stoi(f[2]));
    DataLinkFields m(pftest::SampleConnStrings()[std::stoi(f[0])]);
    ASSERT_GE(m.ProviderIndex(), 0);
    EXPECT_EQ(DataLinkFields::Providers()[m.ProviderIndex()].Family, static_cast<ConnStr::Family>(std::stoi(f[1])));
    EXPECT_EQ(m.Get(field), f[3]);
    m.Set(field, f[3]);
    EXPECT_FALSE(m.Modified());
    m.Set(field, f[4]);
    EXPECT_EQ(m.Text(), f[5]);
    EXPECT_EQ(m.Get(field), f[4]);
    EXPECT_NO_THROW(ConnStr::Translate(m.Text(), &SomeOracle));
  }
}

TEST(DataLinkFields, NewStringsTakeTheProvidersKeysAndUnknownStringsStayRaw) {
  DataLinkFields m;
  EXPECT_EQ(m.ProviderIndex(), -1);
  m.SetProvider(1);  // Sybase
  m.Set(Field::Server, "syb");
  m.Set(Field::Database, "pubs2");
  m.Set(Field::User, "sa");
  EXPECT_EQ(m.Text(), "Provider=Sybase.ASEOLEDBProvider.2;Server Name=syb;Initial Catalog=pubs2;User ID=sa");
  // Switching the provider keeps the fields both need, under the new provider's keys.
  m.SetProvider(0);
  EXPECT_EQ(m.Text(), "Provider=SQLOLEDB.1;Data Source=syb;Initial Catalog=pubs2;User ID=sa");
  EXPECT_EQ(m.Get(Field::Server), "syb");
  EXPECT_TRUE(m.Modified());

  // Plain ODBC strings get ODBC key names.
  DataLinkFields odbc("DSN=orders");
  odbc.Set(Field::User, "u");
  odbc.Set(Field::Password, "p");
  EXPECT_EQ(odbc.Text(), "DSN=orders;UID=u;PWD=p");

  // Not a key=value list, or a provider not known: the raw entry, and nothing rewrites it.
  for (const char* raw : {"just some text", "Provider=NoSuch.Provider;Data Source=x"}) {
    DataLinkFields r(raw);
    EXPECT_EQ(r.ProviderIndex(), DataLinkFields::RawIndex()) << raw;
    r.SetProvider(DataLinkFields::RawIndex());
    EXPECT_EQ(r.Text(), raw);
  }
}

TEST(DataLinkFile, ReadsAndWritesThePlatformFormatByteForByte) {
  pftest::TempDir dir;
  // As the platform's editor writes it: UTF-16 LE, byte-order mark, header, comment, string.
  const std::string text = kLinkHeader + pftest::SampleConnStrings()[1] + "\r\n";
  const std::string bytes = TextFiles::Encode(text, "UTF-16LE");
  ASSERT_TRUE(bytes.starts_with("\xFF\xFE[\0o\0"));
  const std::string path = dir.file("orders.udl");
  pftest::WriteAll(path, bytes);

  DataLinkFile::Contents c = DataLinkFile::Read(path);
  EXPECT_EQ(c.ConnectionString, pftest::SampleConnStrings()[1]);
  DataLinkFile::Write(path, c);
  EXPECT_EQ(pftest::ReadAll(path), bytes);
  // The data-access layer reads what was written.
  EXPECT_EQ(ConnStr::ReadDataLinkFile(path), pftest::SampleConnStrings()[1]);

  // A new file (Browse creates it empty) gets the platform's header when written.
  const std::string fresh = dir.file("new.udl");
  pftest::WriteAll(fresh, "");
  c = DataLinkFile::Read(fresh);
  EXPECT_EQ(c.ConnectionString, "");
  c.ConnectionString = pftest::SampleConnStrings()[7];
  DataLinkFile::Write(fresh, c);
  EXPECT_EQ(pftest::ReadAll(fresh),
            TextFiles::Encode(kLinkHeader + pftest::SampleConnStrings()[7] + "\r\n", "UTF-16LE"));
}

TEST(DataLinkFile, RefusesWhatIsNotALinkFileAndLeavesItAlone) {
  pftest::TempDir dir;
  const std::tuple<const char*, std::string, const char*> rows[] = {
      {"binary.udl",
       std::string("\x7F"
                   "ELF\x02\x01\x01\0\0\0",
                   10),
       "binary data"},
      {"odd.udl", std::string("\xFF\xFE[\0o\0l", 7), "binary data"},
      {"header.udl", TextFiles::Encode("Provider=SQLOLEDB;Data Source=x\r\n", "UTF-16LE"), "first line is not [oledb]"},
      {"huge.udl", "[oledb]\r\n" + std::string(DataLinkFile::kMaxSize, 'x'), "larger than 1 MB"},
  };
  for (const auto& [name, bytes, reason] : rows) {
    const std::string path = dir.file(name);
    pftest::WriteAll(path, bytes);
    EXPECT_EQ(pftest::ExpectFailure([&] { DataLinkFile::Read(path); }, {reason, name}).Number, pf::ERR_USER_CHECK);
    EXPECT_EQ(pftest::ReadAll(path), bytes) << name;
  }
  EXPECT_EQ(pftest::Raised([&] { DataLinkFile::Read(dir.path().string()); }).Number, pf::ERR_USER_CHECK);
  // An ANSI link file from an older tool opens, and is written back in the platform's format.
  const std::string ansi = dir.file("ansi.udl");
  pftest::WriteAll(ansi, "[oledb]\r\n; comment\r\nProvider=SQLOLEDB;Data Source=caf\xE9\r\n");
  EXPECT_EQ(DataLinkFile::Read(ansi).ConnectionString, "Provider=SQLOLEDB;Data Source=caf\xC3\xA9");
}
