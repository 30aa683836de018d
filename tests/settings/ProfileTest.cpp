// The profile document: new profiles, files, start-up, section viewers, forced keys,
// predefined configurations and file headers.

#include <gmock/gmock.h>

#include <filesystem>
#include <iomanip>
#include <sstream>

#include "extract/CServer.h"
#include "shell/CIniFile.h"
#include "support/Golden.h"
#include "support/SettingsTestEnv.h"

using namespace pf;
using pftest::Raised;
using pftest::ReadAll;
using pftest::WriteAll;
using ::testing::AllOf, ::testing::ElementsAre, ::testing::EndsWith, ::testing::HasSubstr, ::testing::Not,
    ::testing::StartsWith;

using Profile = pftest::SettingsTest;

TEST_F(Profile, CharactersBeyondAsciiSurviveASaveAsReferences) {
  CSettings s;
  const std::string file = dir.file("Intl.PFG");
  s.ProfileFileName(file);
  const std::string cls = "/home/j\xC3\xBCrgen/\xE5\x8F\xB0\xF0\x9F\x98\x80.cls";
  s.xCode->Attr("ClassFile", Variant(cls));
  s.Save();
  const std::string text = ReadAll(file);
  EXPECT_NE(text.find("ClassFile=\"/home/j&#252;rgen/&#21488;&#128512;.cls\""), std::string::npos) << text;
  CSettings t;
  t.ProfileFileName(file);
  ASSERT_TRUE(t.ProfileLoad());
  EXPECT_EQ(t.xCode->strAttr("ClassFile"), cls);
}

// What XML cannot carry is never written, whatever way it came into the profile (the
// typed values are refused before, by their key's check), and a file that is not
// well-formed XML is not read: saving it back would write a file no other reader takes,
// or lose what the lenient parser dropped.
TEST_F(Profile, NothingThatIsNotWellFormedIsReadOrWritten) {
  const std::string file = dir.file("P.PFG");
  for (const char* bad : {"a\x01", "bad \xFF byte", "\xED\xA0\x80", "\xEF\xBF\xBF"}) {
    SCOPED_TRACE(bad);
    WriteAll(file, "<Settings/>");
    CSettings s;
    s.ProfileFileName(file);
    ASSERT_TRUE(s.ProfileLoad());
    s.xPackages->CreateChild("Package", true, false);
    s.xPackages->Attr("Name", Variant(bad));
    s.xPackages->Attr("Selected", Variant("True"));
    ui->Messages.clear();
    EXPECT_FALSE(s.Save());
    EXPECT_THAT(Shown(),
                ElementsAre(AllOf(HasSubstr("Error saving profile: The profile would not be well-formed XML: "),
                                  HasSubstr("(in the value of attribute Name of <Package>); " + file))));
    EXPECT_EQ(ReadAll(file), "<Settings/>");
  }
  WriteAll(file, "<Settings>\r\n  <Server SrvrType=\"1\" SrvrType=\"2\"/>\r\n</Settings>");
  CSettings s;
  s.ProfileFileName(file);
  std::string reason;
  EXPECT_FALSE(s.ProfileRead(reason));
  EXPECT_EQ(reason, "Not well-formed XML at line 2, column 24: the attribute SrvrType appears twice in <Server>");
}

TEST_F(Profile, LoadedFileKeepsItsOrderAndGainsMissingSectionsAtTheEnd) {
  CSettings s;
  WriteAll(dir.file("Odd.PFG"),
           "<Settings><Code ClassFile=\"C:\\out\\My.Db.cls\"/><Server SrvrType=\"1\"/></Settings>");
  s.ProfileFileName(dir.file("Odd.PFG"));
  ASSERT_TRUE(s.ProfileLoad());
  EXPECT_EQ(s.xSettings->xml(),
            "<Settings><Code ClassFile=\"C:\\out\\My.Db.cls\"/><Server SrvrType=\"1\"/><StoredProc/><AddnlFunc/>"
            "<ErrHndl/><IniOptions/><Misc/><Packages/></Settings>");
  // Absent keys are not filled with defaults.
  EXPECT_EQ(s.xStoredProc->strAttr("MethAddPfx"), "");
  EXPECT_FALSE(s.xStoredProc->boolAttr("AddSPMethods", "True"));
  EXPECT_EQ(s.ServerType(), 1);
  EXPECT_EQ(s.GetClassName(), "My");
}

TEST_F(Profile, UnreadableFilesGiveANewProfileAndAreNeverOverwrittenUnseen) {
  for (const char* content : {"", "not xml at all", "<Settings><Server></Settings>", "<Procforge Profile=\"x\"/>"}) {
    SCOPED_TRACE(content);
    ui->Messages.clear();
    std::filesystem::remove(CSettings::DefaultProfileName());  // the last round saved it
    CSettings s;
    const std::string file = dir.file("Broken.PFG");
    WriteAll(file, content);
    s.ProfileFileName(file);
    EXPECT_FALSE(s.ProfileLoad());
    EXPECT_THAT(Shown(), ElementsAre(AllOf(StartsWith("Message: Error Loading Profile...\r\n" + file + ": "),
                                           EndsWith("A new profile " + CSettings::DefaultProfileName() +
                                                    " is open instead; the file is left as it is."))));
    EXPECT_EQ(s.ProfileFileName(), CSettings::DefaultProfileName());
    EXPECT_EQ(s.xStoredProc->strAttr("MethAddPfx"), "Exec");
    s.Save();
    EXPECT_EQ(ReadAll(file), content);
  }
}

TEST_F(Profile, AnUnreadableDefaultProfileIsKeptAsideBeforeItIsReplaced) {
  const std::string def = CSettings::DefaultProfileName();
  WriteAll(def, "<Settings><Server SrvrType=\"1\"");
  WriteAll(def + ".bak", "older backup");
  CSettings s;
  s.ProfileFileName(def);
  EXPECT_FALSE(s.ProfileLoad());
  // The new profile takes a free name, so that saving it leaves the unreadable file.
  const std::string fresh = std::filesystem::path(def).replace_filename("Default (2).PFG").string();
  EXPECT_EQ(s.ProfileFileName(), fresh);
  s.Save();
  EXPECT_EQ(ReadAll(def), "<Settings><Server SrvrType=\"1\"");
  EXPECT_TRUE(std::filesystem::exists(fresh));
  // Saved over it on purpose, it is kept aside first.
  s.ProfileFileName(def);
  s.Save();
  EXPECT_EQ(ReadAll(def + ".bak"), "older backup");
  EXPECT_EQ(ReadAll(def + ".bak1"), "<Settings><Server SrvrType=\"1\"");
  pftest::ExpectGolden("profiles/New.PFG", ReadAll(def));
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1], "Message: The profile " + def + " could not be read. It has been kept as " + def +
                            ".bak1 before the current profile is saved.");
  // Only once: the next save just writes.
  s.Save();
  EXPECT_FALSE(std::filesystem::exists(def + ".bak2"));
  EXPECT_EQ(Shown().size(), 2u);
}

TEST_F(Profile, SaveFailureIsShownOnOneLine) {
  CSettings s;
  s.ProfileFileName(dir.file("missing-folder/P.PFG"));
  s.Save();
  EXPECT_THAT(Shown(), ElementsAre(AllOf(StartsWith("Error: Error saving profile: "), HasSubstr("P.PFG"),
                                         Not(HasSubstr("\n")))));
}

// The state file names a profile that is gone: a new profile under the default name.
TEST_F(Profile, InitRestoresTheProfileNamedByTheStateFile) {
  const std::string file = dir.file("Mine.PFG");
  CIniFile ini;
  ini.Init();
  ini.SetProfile(file);
  ini.Save();
  CSettings s;
  s.Init();
  EXPECT_EQ(Shown(), std::vector<std::string>{"Error: Faild to load profile: " + file});
  EXPECT_EQ(s.ProfileFileName(), CSettings::DefaultProfileName());
  EXPECT_EQ(s.xStoredProc->strAttr("MethAddPfx"), "Exec");
}

// Every predefined configuration on every server type, as a golden file: a wrong value in
// the key table's configuration columns changes it.
TEST_F(Profile, StandardConfigurationsOnEveryServerType) {
  std::string profiles;
  for (int st = 0; st <= 3; ++st) {
    for (int conf = 0; conf <= 2; ++conf) {
      CSettings s;
      s.xServer->Attr("SrvrType", Variant(st));
      s.xServer->Attr("ConnPfg", Variant("DSN=orders"));
      s.xCode->Attr("ClassFile", Variant("keep.cls"));
      s.xStoredProc->Attr("TypeModel", Variant(1));
      s.SetStandardConf(conf);
      std::string xml = s.xSettings->xml();
      for (size_t at = xml.find("><"); at != std::string::npos; at = xml.find("><", at)) xml.insert(++at, "\n");
      profiles +=
          "==== server type " + std::to_string(st) + ", configuration " + std::to_string(conf) + "\n" + xml + "\n";
    }
  }
  pftest::ExpectGolden("profiles/standard-configurations.txt", profiles);
}

// A new profile whose server type changes gets the new type's filter and type rules, as a
// configuration applied on that type would give them; a group the user changed stays.
TEST_F(Profile, ServerDependentValuesFollowTheServerTypeUntilChanged) {
  struct Case {
    int from, to;
    const char* filterExc;  // MethFilterExc before the change; nullptr keeps the new profile's
    const char* wantUse;
    const char* wantFilter;
    const char* wantForceLong;
  };
  const Case cases[] = {
      {0, 1, nullptr, "True", "dt_*", "False"},    // the SQL Server system procedures left out
      {1, 2, nullptr, "False", "", "False"},       // and back again
      {0, 3, nullptr, "False", "", "True"},        // the Oracle type rules come in
      {0, 1, "tmp_*", "False", "tmp_*", "False"},  // the user's filter stays as it is
      {1, 1, nullptr, "True", "dt_*", "False"},    // no change, nothing to follow
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
    CSettings s;
    s.xServer->Attr("SrvrType", Variant(c.from));
    s.SetStandardConf(2);
    if (c.filterExc) s.xStoredProc->Attr("MethFilterExc", Variant(c.filterExc));
    s.xServer->Attr("SrvrType", Variant(c.to));
    s.FollowServerType(c.from);
    EXPECT_EQ(s.xStoredProc->strAttr("MethUseFilterExc"), c.wantUse);
    EXPECT_EQ(s.xStoredProc->strAttr("MethFilterExc"), c.wantFilter);
    EXPECT_EQ(s.xStoredProc->strAttr("OraForceLong"), c.wantForceLong);
  }
}

// The forcing rules, cases in tests/data/settings/validate.txt.
TEST_F(Profile, ValidateForcesKeysThatDependOnOthers) {
  const std::vector<std::string> lines = pftest::DataLines("settings/validate.txt");
  EXPECT_GE(lines.size(), 10u);
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    CSettings s;
    std::istringstream in(line);
    int st = 0;
    in >> st;
    s.xServer->Attr("SrvrType", Variant(st));
    bool after = false;
    for (std::string key, value; in >> std::ws && !in.eof();) {
      if (in.peek() == '-') {
        in >> key;
        after = true;
        s.Validate();
        continue;
      }
      std::getline(in, key, '=');
      in >> std::quoted(value);
      bwXMLBrowser& x = s.SectionViewer(key.substr(0, key.find('.')));
      const std::string name = key.substr(key.find('.') + 1);
      if (after) {
        EXPECT_EQ(x.strAttr(name), value) << key;
      } else {
        x.Attr(name, Variant(value));
      }
    }
  }
}

// Method and parameter names, the procedure filter, the package list and the option sums.
namespace {

class Naming : public pftest::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    s = std::make_unique<CSettings>();
  }
  void Type(int st) { s->xServer->Attr("SrvrType", Variant(st)); }
  void Key(const char* key, const char* value) { s->xStoredProc->Attr(key, Variant(value)); }
  std::unique_ptr<CSettings> s;
};

}  // namespace

// The steps of tests/data/settings/names.txt.
TEST_F(Naming, MethodAndParameterNamesAndTheFilter) {
  for (const std::string& line : pftest::DataLines("settings/names.txt")) {
    SCOPED_TRACE(line);
    const std::vector<std::string> f = pftest::Fields(line);
    const std::string& step = f[0];
    if (step == "new") {
      s = std::make_unique<CSettings>();
      Type(std::stoi(f[1]));
    } else if (step == "key") {
      Key(f[1].c_str(), f[2].c_str());
    } else if (step == "conf") {
      s->SetStandardConf(std::stoi(f[1]));
    } else if (step == "package") {
      pftest::AddPackage(*s, f[1], f[2], f[3]);
    } else if (step == "method") {
      EXPECT_EQ(s->SPNameToVBNameX(f[1]), f[2]);
    } else if (step == "param") {
      EXPECT_EQ(s->ParamNameToVBNameX(f[1], f[2]), f[3]);
    } else if (step == "filter") {
      EXPECT_EQ(s->CheckSPNameFilter(f[1]), f[2] == "yes");
    } else if (step == "find") {
      std::string pfx = "-";
      EXPECT_EQ(s->FindPackage(f[1], pfx), f[2] != "-");
      EXPECT_EQ(pfx, f[2]);
    } else {
      ADD_FAILURE() << "unknown step";
    }
  }
}

TEST_F(Naming, OptionSums) {
  bwXMLBrowser& io = *s->xIniOptions;
  for (const char* k : {"ErrReraise", "StrLenTrim", "NullForEmptyStr", "NullForZeroDate"}) io.Attr(k, Variant("False"));

  // Every flag reads as a Boolean: exactly "True" adds its name, any other text does not.
  const std::pair<const char*, bool> cases[] = {{"True", true}, {"true", false}, {"TRUE", false}, {" True", false},
                                                {"1", false},   {"-1", false},   {"nan", false},  {"inf", false},
                                                {"0x1", false}, {"Yes", false}};
  for (const auto& [stored, counts] : cases) {
    io.Attr("AsyncWait", Variant(stored));
    EXPECT_EQ(s->DefaultOptionsSum(), counts ? "PFGO_ASYNC_WAIT" : "0") << stored;
  }
  io.Attr("AsyncWait", Variant("False"));

  // The execute options are read as Booleans: exactly "True".
  io.Attr("AsyncExec", Variant("True"));
  io.Attr("AsyncFetch", Variant("1"));
  io.Attr("AsyncFetchNonBlocking", Variant("True"));
  EXPECT_EQ(s->DefaultADOExecOptionsSum(), "adAsyncExecute + adAsyncFetchNonBlocking");
}

// The server object, extractors, the checks before a run and the server's package list,
// against catalogue snapshots.
namespace {

class Server : public pftest::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    catalogue = OracleCatalogue("ora.sql",
                                "INSERT INTO user_objects VALUES ('PKG_B', 'PACKAGE'), ('ORDERS', 'TABLE'),\n"
                                "  ('PKG_A', 'PACKAGE'), ('O''HARA', 'PACKAGE');\n");
    s = std::make_unique<CSettings>();
    s->xServer->Attr("SrvrType", Variant(3));
    Connect(catalogue);
  }
  // An Oracle catalogue snapshot with the tables the server object asks for.
  std::string OracleCatalogue(const std::string& name, const std::string& rows) {
    const std::string file = dir.file(name);
    WriteAll(file,
             "CREATE TABLE user_objects (OBJECT_NAME TEXT, OBJECT_TYPE TEXT);\n"
             "CREATE TABLE user_arguments (OBJECT_NAME TEXT);\nCREATE TABLE user_source (NAME TEXT);\n" +
                 rows);
    return file;
  }
  void Connect(const std::string& file) {
    s->xServer->Attr("ConnPfg", Variant("Provider=Procforge.Snapshot;Data Source=" + file));
  }
  std::string CheckMessage() {
    return Raised([&] { s->CheckCanStartGeneratingCode(); }).Description;
  }

  std::string catalogue;
  std::unique_ptr<CSettings> s;
};

}  // namespace

TEST_F(Server, ServerObjectIsCreatedOnceAndFollowsTheConnectionString) {
  auto first = s->Server();
  EXPECT_EQ(first->ConnectionString(), "Provider=Procforge.Snapshot;Data Source=" + catalogue);
  Connect("other.sql");
  EXPECT_EQ(s->Server(), first);
  EXPECT_EQ(first->ConnectionString(), "Provider=Procforge.Snapshot;Data Source=other.sql");
  // A connection opened for one catalogue does not answer for the next one.
  const std::string other = OracleCatalogue("other2.sql", "");
  Connect(catalogue);
  s->Server()->ExecSQL("SELECT count(*) AS n FROM user_objects");
  EXPECT_EQ(s->Server()->Value("n"), "4");
  Connect(other);
  s->Server()->ExecSQL("SELECT count(*) AS n FROM user_objects");
  EXPECT_EQ(s->Server()->Value("n"), "0");
  s->ReleaseServer();
  EXPECT_NE(s->Server(), first);
  s->DisconnectServer();  // nothing open: still quiet

  std::string err = "kept";
  EXPECT_TRUE(s->TestConnection("Provider=Procforge.Snapshot;Data Source=" + catalogue, err));
  EXPECT_EQ(err, "kept");
  EXPECT_FALSE(s->TestConnection("Provider=Procforge.Snapshot;Data Source=" + dir.file("none.db"), err));
  EXPECT_NE(err, "kept");
}

TEST_F(Server, PackageNamesAProfileCannotKeepAreLeftOut) {
  Connect(OracleCatalogue("odd.sql",
                          "INSERT INTO user_objects VALUES ('PKG_A', 'PACKAGE'), ('PKG' || char(27) || "
                          "'X', 'PACKAGE'), (CAST(X'504B4700' AS TEXT), 'PACKAGE');\n"));
  s->PackagesRefresh();
  EXPECT_THAT(Shown(), ElementsAre("Message: Package \"PKG\\x1BX\" is left out of the list: its name holds U+001B "
                                   "(character 4), which XML does not allow.\r\nPackage \"PKG\\x00\" is left out of "
                                   "the list: its name holds a NUL character."));
  EXPECT_TRUE(pftest::Has(s->xSettings->xml(), "<Package Name=\"PKG_A\"/>"));
}

TEST_F(Server, ChecksBeforeARunStopAtTheFirstProblem) {
  bwXMLBrowser& code = *s->xCode;
  // A snapshot without the server type's catalogue, before a run and at the first query.
  const std::string empty = dir.file("empty.db");
  WriteAll(empty, "");
  Connect(empty);
  const std::string notOracle =
      "'" + empty + "' is not a catalogue snapshot of server type 3 (Oracle): it has no table user_arguments.";
  EXPECT_EQ(CheckMessage(), notOracle);
  EXPECT_EQ(Raised([&] { s->Server()->ExecSQL("SELECT 1"); }).Description, notOracle);
  Connect(catalogue);

  EXPECT_EQ(CheckMessage(), "Please specify output class file name");
  const std::string cls = dir.file("Orders.cls");
  code.Attr("ClassFile", Variant(cls));
  s->CheckCanStartGeneratingCode();
  EXPECT_FALSE(std::filesystem::exists(cls));  // checked for writing, not created
  WriteAll(cls, "old class");
  code.Attr("ConfirmOverWrite", Variant("True"));
  Answer(false);
  EXPECT_EQ(CheckMessage(), "Operation Cancelled.");
  code.Attr("ConfirmOverWrite", Variant("False"));

  code.Attr("IncCode", Variant("True"));
  EXPECT_EQ(CheckMessage(), "Please specify include/override file");
  const std::string inc = dir.file("Include.txt");
  code.Attr("IncFileName", Variant(inc));
  EXPECT_EQ(CheckMessage(), "Cannot open include/override file: File not found (" + inc + ")\r\n" + inc);
  WriteAll(inc, std::string("MZ\x90\0\x03", 5));
  EXPECT_EQ(CheckMessage(), "The include/override file " + inc + " holds binary data, not Visual Basic source.");
  WriteAll(inc, "' nothing\r\n");
  s->CheckCanStartGeneratingCode();
}
