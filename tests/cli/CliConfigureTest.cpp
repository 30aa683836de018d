// configure: creating and changing profiles, and refusing what would lose or corrupt one.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/ProgramInstall.h"

namespace pftest {
namespace {

namespace fs = std::filesystem;
using pftest::ReadAll;
using pftest::WriteAll;

// The state file is written as UTF-16; its paths are plain ASCII here.
std::string StateFileText(const ProgramInstall& cli) {
  std::string text;
  for (char c : ReadAll(cli.ProgramFile("Procforge.ini")))
    if (c > 0 && c < 0x7F) text += c;
  return text;
}

TEST(CliConfigure, NewProfileThenChangesRoundTrip) {
  ProgramInstall cli;
  const std::string pfg = cli.File("Sales.PFG");
  ProgramResult r = cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=3", "--set",
                         "Server.ConnPfg=Provider=OraOLEDB.Oracle;Data Source=SALES", "--set",
                         "Code.ClassFile=CSales.cls"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, pfg + "\n");
  std::string text = ReadAll(pfg);
  EXPECT_TRUE(Has(text, "SrvrType=\"3\"")) << text;
  EXPECT_TRUE(Has(text, "ClassFile=\"CSales.cls\""));
  // The configuration was applied once the server type was known: its Oracle values and
  // the default connection string follow the Server keys.
  EXPECT_TRUE(Has(text, "OraForceLongPttns=\"int*\"")) << text;
  EXPECT_TRUE(Has(text, "ConnDftString=\"Provider=OraOLEDB.Oracle;Data Source=SALES\"")) << text;
  // The saved profile becomes the current one.
  EXPECT_TRUE(Has(StateFileText(cli), "Profile=\"" + pfg + "\""));

  // Loading it again keeps what is not set, and dependent keys are forced on the way.
  r = cli.Run({"configure", "--profile", pfg, "--set", "StoredProc.MethAddPfx=Run", "--set",
               "StoredProc.MethConvToWCap=True", "--set", "StoredProc.MethFirstCap=True", "--set",
               "StoredProc.MethFilterInc=a=b"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  text = ReadAll(pfg);
  EXPECT_TRUE(Has(text, "MethAddPfx=\"Run\""));
  EXPECT_TRUE(Has(text, "MethFirstCap=\"False\""));
  EXPECT_TRUE(Has(text, "MethFilterInc=\"a=b\"")) << "only the first = separates the value";
  EXPECT_TRUE(Has(text, "SrvrType=\"3\""));
  EXPECT_TRUE(Has(text, "ClassFile=\"CSales.cls\""));

  // A configuration on an existing profile; keys given with it win over it.
  r = cli.Run({"configure", "--profile", pfg, "--config", "0", "--set", "AddnlFunc.Trans=2"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  text = ReadAll(pfg);
  EXPECT_TRUE(Has(text, "COMPlus=\"True\"")) << text;
  EXPECT_TRUE(Has(text, "ConnSrcType=\"1\""));
  EXPECT_TRUE(Has(text, "Trans=\"2\""));
  EXPECT_FALSE(fs::exists(cli.ProgramFile("Errors.txt")));
}

TEST(CliConfigure, WrongKeysAndSectionsFailAndLeaveTheProfileAsItWas) {
  ProgramInstall cli;
  const std::string pfg = cli.File("OrderEntry.PFG");
  fs::copy_file(Sample("mssql/OrderEntry.PFG"), pfg);
  const std::string before = ReadAll(pfg);

  ProgramResult r = cli.Run({"configure", "--profile", pfg, "--set", "StoredProc.MethAddPfx=Run", "--set",
                         "StoredProc.ClassFile=x.cls"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "Name [ClassFile] is not in list of allowed attribute names for element StoredProc."))
      << r.Err;
  // A wrong key is the user's mistake: no internal error, nothing in the error log.
  EXPECT_FALSE(Has(r.Err, "Internal app error"));
  EXPECT_FALSE(fs::exists(cli.ProgramFile("Errors.txt")));

  r = cli.Run({"configure", "--profile", pfg, "--set", "Packages.Name=X"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "Unknown section [Packages]")) << r.Err;

  r = cli.Run({"configure", "--profile", pfg, "--set", "Server.SrvrType=7"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "Server.SrvrType takes 0 (Access), 1 (SQL Server), 2 (Sybase) or 3 (Oracle)")) << r.Err;

  EXPECT_EQ(ReadAll(pfg), before);
  EXPECT_FALSE(fs::exists(cli.ProgramFile("Procforge.ini")));
}

TEST(CliConfigure, UnreadableProfilesAreReportedAndNeverReplaced) {
  ProgramInstall cli;
  const std::pair<const char*, const char*> files[] = {
      {"Broken.PFG", "<Settings><Server SrvrType=\"1\""},
      {"Other.PFG", "<Procforge Profile=\"\"><RecentList/></Procforge>"},
  };
  for (const auto& [name, content] : files) {
    const std::string pfg = cli.File(name);
    WriteAll(pfg, content);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"configure", "--profile", pfg, "--set", "Code.ClassFile=x.cls"},
          {"list", "--profile", pfg}, {"generate", "--profile", pfg, "--yes"}}) {
      const ProgramResult r = cli.Run(args);
      EXPECT_EQ(r.ExitCode, 1) << name << " " << args[0];
      EXPECT_TRUE(Has(r.Err, "The profile " + pfg + " could not be loaded")) << r.Err;
      EXPECT_EQ(ReadAll(pfg), content);
    }
  }
  // Nothing was saved: no backups, no default profile, no state file naming them.
  for (const auto& entry : fs::directory_iterator(cli.File("")))
    EXPECT_FALSE(Has(entry.path().filename().string(), ".bak")) << entry.path();
  EXPECT_FALSE(fs::exists(cli.ProgramFile("Default.PFG")));
  EXPECT_FALSE(fs::exists(cli.ProgramFile("Procforge.ini")));

  const ProgramResult missing = cli.Run({"configure", "--profile", cli.File("None.PFG")});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_TRUE(Has(missing.Err, "File not found (" + cli.File("None.PFG") + ")")) << missing.Err;
  EXPECT_FALSE(fs::exists(cli.File("None.PFG")));
}

TEST(CliConfigure, NewRefusesAnExistingFileAndNeedsAServerType) {
  ProgramInstall cli;
  const std::string pfg = cli.File("Keep.PFG");
  WriteAll(pfg, "<Settings><Server SrvrType=\"2\"/></Settings>");
  ProgramResult r = cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=1"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "exists already")) << r.Err;
  EXPECT_EQ(ReadAll(pfg), "<Settings><Server SrvrType=\"2\"/></Settings>");

  r = cli.Run({"configure", "--profile", cli.File("New.PFG"), "--new"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "A new profile needs its server type")) << r.Err;
  EXPECT_FALSE(fs::exists(cli.File("New.PFG")));
}

TEST(CliConfigure, AProfileThatCannotBeSavedIsAFailure) {
  ProgramInstall cli;
  const std::string pfg = cli.File("no-such-folder/New.PFG");
  const ProgramResult r = cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=1"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(Has(r.Err, "Error saving profile: ")) << r.Err;
  EXPECT_TRUE(Has(r.Err, "The profile was not saved."));
  EXPECT_EQ(r.Out, "");
  // Only the state file fails: the profile is saved, and the message names the state file.
  fs::create_directory(cli.ProgramFile("Procforge.ini"));
  const std::string saved = cli.File("Saved.PFG");
  const ProgramResult state = cli.Run({"configure", "--profile", saved, "--new", "--set", "Server.SrvrType=1"});
  EXPECT_EQ(state.ExitCode, 0) << state.Err;
  EXPECT_TRUE(Has(state.Err, "The profile was saved, but the state file " + cli.ProgramFile("Procforge.ini") +
                                 " could not be written")) << state.Err;
  EXPECT_TRUE(fs::exists(saved));
}

}  // namespace
}  // namespace pftest

namespace pftest {
namespace {

// A value of the wrong kind is refused with a message naming the key and what it takes,
// and the profile on disk does not change; the same values hand-written into a profile
// are read leniently by generate, which warns about each.
TEST(CliConfigure, ValuesAreCheckedWhereTheyEnter) {
  ProgramInstall cli;
  const std::string pfg = cli.File("Typed.PFG");
  ASSERT_EQ(cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=1", "--set",
                     "Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=" + Sample("mssql/OrderEntry.sql"),
                     "--set", "Code.ClassFile=" + cli.File("CTyped.cls")})
                .ExitCode,
            0);
  const std::string before = ReadAll(pfg);
  const std::pair<std::string, std::string> refused[] = {
      {"IniOptions.CmdTimeout=xyz", "IniOptions.CmdTimeout takes a whole number from 0 to 2147483647, not 'xyz'."},
      {"StoredProc.AddSPMethods=maybe", "StoredProc.AddSPMethods takes True or False, not 'maybe'."},
      {"AddnlFunc.Instancing=-99999999999999999999", "AddnlFunc.Instancing takes a whole number from 0 to 3"},
      {"AddnlFunc.Trans=4", "AddnlFunc.Trans takes a whole number from 0 to 3, not '4'."},
      {"StoredProc.MethAddPfx=1x", "StoredProc.MethAddPfx takes nothing, or the beginning of a name"},
      {"StoredProc.PrmAddPfx=9", "StoredProc.PrmAddPfx takes nothing, or the beginning of a name"},
      {"Code.ClassFile=My Class.cls", "'My Class' cannot name a Visual Basic class or module"},
      {"Code.ClassFile=out/1st.cls", "'1st' cannot name a Visual Basic class or module"},
      {"Code.ClassFile=Print.cls", "'Print' cannot name"},
      {"Code.ClassFile=Gr\xC3\xB6\xC3\x9F" "e.cls", "cannot name a Visual Basic class or module: the file name"},
      {"Code.Bogus=1", "The keys of Code are: ClassFile, ParamDefsFile"},
      {"StoredProc.MethFilterInc=usp_*;[", "StoredProc.MethFilterInc: Invalid pattern string: ["},
      {"StoredProc.MethFilterExc=[z-a]*", "StoredProc.MethFilterExc: Invalid pattern string: [z-a]*"},
      {"StoredProc.MethAddPfx=" + std::string(256, 'x'), "StoredProc.MethAddPfx is too long: 256 characters"},
  };
  for (const auto& [set, message] : refused) {
    const ProgramResult r = cli.Run({"configure", "--profile", pfg, "--set", set});
    EXPECT_EQ(r.ExitCode, 1) << set;
    EXPECT_TRUE(Has(r.Err, message)) << set << "\n" << r.Err;
    EXPECT_EQ(ReadAll(pfg), before) << set;
  }
  for (const std::string& set : {std::string("IniOptions.CmdTimeout=90"), std::string("StoredProc.MethAddPfx= Run "), "Code.ClassFile=" + cli.File("CShop_2.cls")})
    EXPECT_EQ(cli.Run({"configure", "--profile", pfg, "--set", set}).ExitCode, 0) << set;

  // Hand-edited values: generation reads them leniently and says so.
  std::string text = ReadAll(pfg);
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"CmdTimeout=\"90\"", "CmdTimeout=\"xyz\""},
                                 {"AddExecSQL=\"True\"", "AddExecSQL=\"maybe\""}}) {
    ASSERT_NE(text.find(from), std::string::npos) << from;
    text.replace(text.find(from), from.size(), to);
  }
  WriteAll(pfg, text);
  const ProgramResult r = cli.Run({"generate", "--profile", pfg, "--yes"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_TRUE(Has(r.Err, "warning: AddnlFunc.AddExecSQL holds 'maybe', which is read as False.")) << r.Err;
  EXPECT_TRUE(Has(r.Err, "warning: IniOptions.CmdTimeout holds 'xyz', which is read as 0.")) << r.Err;

  // A class file named by hand so that it gives no class name: refused before anything
  // is written.
  text = ReadAll(pfg);
  const size_t at = text.find("CShop_2.cls");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 11, "My Class.cls");
  WriteAll(pfg, text);
  const ProgramResult named = cli.Run({"generate", "--profile", pfg, "--yes"});
  EXPECT_EQ(named.ExitCode, 1);
  EXPECT_TRUE(Has(named.Err, "'My Class' cannot name a Visual Basic class or module")) << named.Err;
  // The warnings of a run that fails are not lost.
  EXPECT_TRUE(Has(named.Err, "warning: IniOptions.CmdTimeout holds 'xyz'")) << named.Err;
  EXPECT_FALSE(fs::exists(cli.File("My Class.cls")));
}

}  // namespace
}  // namespace pftest

namespace pftest {
namespace {

// A new profile is in the recent list of the state file on disk; one that holds a
// password is readable by its owner only, and the password is never shown.
TEST(CliConfigure, NewProfilesAreRecentAndPasswordsStayPrivate) {
  ProgramInstall cli;
  const std::string plain = cli.File("Plain.PFG");
  const std::string secret = cli.File("Secret.PFG");
  ASSERT_EQ(cli.Run({"configure", "--profile", plain, "--new", "--set", "Server.SrvrType=1"}).ExitCode, 0);
  const ProgramResult r = cli.Run({"configure", "--profile", secret, "--new", "--set", "Server.SrvrType=1", "--set",
                               "Server.ConnPfg=Provider=SQLOLEDB;User ID=sa;Password=s3cret"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_FALSE(Has(r.Out + r.Err, "s3cret"));
  const std::string state = StateFileText(cli);
  // The current profile is named twice (current and recent), the one before once (recent).
  for (const auto& [f, times] : {std::pair<std::string, size_t>{plain, 1}, {secret, 2}}) {
    size_t count = 0;
    for (size_t at = state.find(f); at != std::string::npos; at = state.find(f, at + 1)) ++count;
    EXPECT_EQ(count, times) << f << "\n" << state;
  }
  const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
  EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all, ownerOnly);
  EXPECT_NE(fs::status(plain).permissions() & fs::perms::others_read, fs::perms::none);
  // An existing profile that gets a password is tightened, and the user is told.
  const ProgramResult added = cli.Run({"configure", "--profile", plain, "--set", "Server.ConnPfg=DSN=x;PWD={a;b}c"});
  ASSERT_EQ(added.ExitCode, 0) << added.Err;
  EXPECT_TRUE(Has(added.Err, "holds a password: it is now readable and writable by its owner only")) << added.Err;
  EXPECT_FALSE(Has(added.Out + added.Err, "a;b") || Has(added.Out + added.Err, "}c"));
  EXPECT_EQ(fs::status(plain).permissions() & fs::perms::all, ownerOnly);
}

}  // namespace
}  // namespace pftest
