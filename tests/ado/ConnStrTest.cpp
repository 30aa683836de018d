#include <gtest/gtest.h>

#include "platform/ado/ConnStr.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Provider.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::ado;

namespace {
std::string NoOracle(std::string_view) { return {}; }
std::string SomeOracle(std::string_view) { return "Oracle 21 ODBC driver"; }

std::string OpenError(const std::string& cs) {
  auto c = Connection::Create();
  try {
    c->Open(cs);
  } catch (const AppError& e) {
    return e.Description;
  }
  return "(opened)";
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
  // Composing braces what needs it, and parsing it again gives the same values.
  const ConnStr::Pairs again = ConnStr::Parse(ConnStr::Compose(p));
  ASSERT_EQ(again.size(), p.size());
  for (size_t i = 0; i < p.size(); ++i) EXPECT_EQ(again[i].Value, p[i].Value) << i;
  // Values a reader would take for quoted, for part of the key, or would trim.
  const ConnStr::Pairs tricky{{"A", "\"q"}, {"B", "=v"}, {"C", " x "}, {"D", "'"}};
  const ConnStr::Pairs back = ConnStr::Parse(ConnStr::Compose(tricky));
  ASSERT_EQ(back.size(), tricky.size());
  for (size_t i = 0; i < tricky.size(); ++i) EXPECT_EQ(back[i].Value, tricky[i].Value) << i;
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

  for (const auto& [from, to] : std::vector<std::pair<const char*, const char*>>{
           {"Provider=Sybase.ASEOLEDBProvider.2;Server Name=syb;Port=5000;Initial Catalog=pubs2;User ID=u;Password=p",
            "Driver=FreeTDS;Server=syb;Port=5000;Database=pubs2;UID=u;PWD=p;TDS_Version=5.0"},
           {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Data\\nwind.mdb", "Driver=MDBTools;DBQ=C:/Data/nwind.mdb"},
           {"Provider=MSDASQL.1;Persist Security Info=False;User ID=scott;Extended Properties=\"DSN=Ora;SERVER=x\"",
            "DSN=Ora;SERVER=x;UID=scott"},
           {"Provider=OraOLEDB.Oracle;Data Source=XE;User ID=hr;Password=hr",
            "Driver=Oracle 21 ODBC driver;DBQ=XE;UID=hr;PWD=hr"},
           {"DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=5432", "DRIVER=PostgreSQL Unicode;Server=127.0.0.1;Port=5432"}})
    EXPECT_EQ(ConnStr::Translate(from, &SomeOracle).OdbcString, to);
  // A data source name leaves the driver to the driver manager.
  EXPECT_EQ(ConnStr::Translate("Provider=MSDASQL.1;Extended Properties=\"DSN=Ora\"").Driver, "");

  t = ConnStr::Translate("Provider=Procforge.Snapshot;Data Source=cat\\mssql.sql");
  EXPECT_EQ(t.kind, K::Snapshot);
  EXPECT_EQ(t.SnapshotFile, "cat/mssql.sql");
}

TEST(ConnStr, RefusesWhatItCannotServeWithReasons) {
  try {
    ConnStr::Translate("Provider=MSDAORA.1;Data Source=XE", &NoOracle);
    FAIL();
  } catch (const ProviderError& e) {
    EXPECT_NE(std::string(e.what()).find("Oracle ODBC driver"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("Instant Client"), std::string::npos);
  }
  try {
    ConnStr::Translate("Provider=Foo.Bar;Data Source=x");
    FAIL();
  } catch (const ProviderError& e) {
    EXPECT_NE(std::string(e.what()).find("Provider cannot be found"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("'Foo.Bar'"), std::string::npos);
  }
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
  std::string utf16 = "\xFF\xFE";
  const std::u16string wide = u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                              u"Provider=Procforge.Snapshot;Data Source=sn\u00E4p.db\r\n";
  for (char16_t c : wide) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  pftest::WriteAll(dir.file("w.udl"), utf16);
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
