#include <gtest/gtest.h>

#include "platform/TextFiles.h"
#include "platform/ado/ConnStr.h"
#include "platform/ado/DataLinkFields.h"
#include "platform/ado/DataLinkFile.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::ado;
using Field = DataLinkFields::Field;

namespace {

std::string Oracle(std::string_view) { return "Oracle ODBC"; }

using pftest::kSampleConnStrings;
const auto& kSamples = kSampleConnStrings;

}  // namespace

// The edits of tests/data/ado/datalink-fields.txt: writing the value a field holds changes
// nothing, another value changes only its pair, and the result is a string the data-access
// layer accepts.
TEST(DataLinkFields, ReadsEveryProviderAndEditsOnlyTheFieldChanged) {
  for (const std::string& line : pftest::DataLines("ado/datalink-fields.txt")) {
    SCOPED_TRACE(line);
    const std::vector<std::string> f = pftest::Fields(line);
    const auto field = static_cast<Field>(std::stoi(f[2]));
    DataLinkFields m(kSamples[std::stoi(f[0])]);
    ASSERT_GE(m.ProviderIndex(), 0);
    EXPECT_EQ(DataLinkFields::Providers()[m.ProviderIndex()].Family, static_cast<ConnStr::Family>(std::stoi(f[1])));
    EXPECT_EQ(m.Get(field), f[3]);
    m.Set(field, f[3]);
    EXPECT_FALSE(m.Modified());
    m.Set(field, f[4]);
    EXPECT_EQ(m.Text(), f[5]);
    EXPECT_EQ(m.Get(field), f[4]);
    EXPECT_NO_THROW(ConnStr::Translate(m.Text(), &Oracle));
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
  const std::string text = "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" +
                           std::string(kSamples[1]) + "\r\n";
  const std::string bytes = TextFiles::Encode(text, "UTF-16LE");
  ASSERT_TRUE(bytes.starts_with("\xFF\xFE[\0o\0"));
  const std::string path = dir.file("orders.udl");
  pftest::WriteAll(path, bytes);

  DataLinkFile::Contents c = DataLinkFile::Read(path);
  EXPECT_EQ(c.ConnectionString, kSamples[1]);
  DataLinkFile::Write(path, c);
  EXPECT_EQ(pftest::ReadAll(path), bytes);
  // The data-access layer reads what was written.
  EXPECT_EQ(ConnStr::ReadDataLinkFile(path), kSamples[1]);

  // A new file (Browse creates it empty) gets the platform's header when written.
  const std::string fresh = dir.file("new.udl");
  pftest::WriteAll(fresh, "");
  c = DataLinkFile::Read(fresh);
  EXPECT_EQ(c.ConnectionString, "");
  c.ConnectionString = kSamples[7];
  DataLinkFile::Write(fresh, c);
  EXPECT_EQ(pftest::ReadAll(fresh), TextFiles::Encode("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" +
                                                         std::string(kSamples[7]) + "\r\n",
                                                     "UTF-16LE"));
}

TEST(DataLinkFile, RefusesWhatIsNotALinkFileAndLeavesItAlone) {
  pftest::TempDir dir;
  struct Row {
    const char* Name;
    std::string Bytes;
    const char* Reason;
  };
  const Row rows[] = {
      {"binary.udl", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), "binary data"},
      {"odd.udl", std::string("\xFF\xFE[\0o\0l", 7), "binary data"},
      {"header.udl", TextFiles::Encode("Provider=SQLOLEDB;Data Source=x\r\n", "UTF-16LE"), "first line is not [oledb]"},
      {"huge.udl", "[oledb]\r\n" + std::string(DataLinkFile::kMaxSize, 'x'), "larger than 1 MB"},
  };
  for (const Row& r : rows) {
    const std::string path = dir.file(r.Name);
    pftest::WriteAll(path, r.Bytes);
    const pf::AppError e = pftest::Raised([&] { DataLinkFile::Read(path); });
    EXPECT_EQ(e.Number, pf::ERR_USER_CHECK) << r.Name;
    EXPECT_NE(e.Description.find(r.Reason), std::string::npos) << e.Description;
    EXPECT_NE(e.Description.find(r.Name), std::string::npos) << e.Description;
    EXPECT_EQ(pftest::ReadAll(path), r.Bytes) << r.Name;
  }
  EXPECT_EQ(pftest::Raised([&] { DataLinkFile::Read(dir.path().string()); }).Number, pf::ERR_USER_CHECK);
  // An ANSI link file from an older tool opens, and is written back in the platform's format.
  const std::string ansi = dir.file("ansi.udl");
  pftest::WriteAll(ansi, "[oledb]\r\n; comment\r\nProvider=SQLOLEDB;Data Source=caf\xE9\r\n");
  EXPECT_EQ(DataLinkFile::Read(ansi).ConnectionString, "Provider=SQLOLEDB;Data Source=caf\xC3\xA9");
}
