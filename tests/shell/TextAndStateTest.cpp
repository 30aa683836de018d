#include <gtest/gtest.h>

#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "shell/CIniFile.h"
#include "shell/MUtils.h"
#include "support/SettingsTestEnv.h"

using namespace pf;

using StateFile = pftest::SettingsTest;

TEST(MUtils, TextFilesAndExistence) {
  pftest::TempDir dir;
  const std::string f = dir.file("Out.bas");
  MUtils::WriteText(f, "Option Explicit\r\n' caf\xC3\xA9\r\n", "ASCII");
  EXPECT_EQ(pftest::ReadAll(f), "Option Explicit\r\n' caf?\r\n");
  EXPECT_EQ(MUtils::ReadText(f, "ASCII"), "Option Explicit\r\n' caf?\r\n");
  EXPECT_TRUE(MUtils::SaveText(dir.file("s.txt"), "line"));
  EXPECT_EQ(pftest::ReadAll(dir.file("s.txt")), "line\r\n");

  EXPECT_TRUE(MUtils::FileExists(f));
  EXPECT_TRUE(MUtils::FileExists(dir.file("*.bas")));
  EXPECT_TRUE(MUtils::FileExists(dir.file("Out.ba?")));
  EXPECT_FALSE(MUtils::FileExists(dir.file("*.cls")));
  EXPECT_FALSE(MUtils::FileExists(dir.path().string()));  // a folder is no file
  EXPECT_FALSE(MUtils::FileExists(""));

  Faultnet31::Reset();
  const AppError e = pftest::ExpectFailure([&] { MUtils::ReadText(dir.file("none.txt"), "ASCII"); },
                                           {"none.txt", "Call Stack: MUtils.ReadText(FileName="});
  EXPECT_EQ(e.Number, ERR_FILE_NOT_FOUND);
}

TEST_F(StateFile, BadStateFilesAreReportedAndChangeNothing) {
  CIniFile ini;
  const std::string name = ini.IniFileName();
  ini.SetProfile("/keep.PFG");
  pftest::WriteAll(name, "not xml at all");
  pftest::ExpectFailure([&] { ini.Load(); }, {"LoadXML method failed", "Call Stack: CIniFile.Load()"});
  pftest::WriteAll(name, "<Procforge Profile=\"x\"/>");
  EXPECT_EQ(pftest::Raised([&] { ini.Load(); }).Number, ERR_NOT_FOUND);
  EXPECT_EQ(ini.GetProfile(), "/keep.PFG");
  EXPECT_TRUE(pftest::Has(ini.Document().xml(), "Profile=\"/keep.PFG\""));
  const std::string twice = "<Procforge Profile=\"/a\">\r\n<RecentList/></Procforge><Procforge/>";
  pftest::WriteAll(name, twice);
  std::string problem;
  EXPECT_FALSE(ini.LoadOrStartAfresh(problem));
  EXPECT_EQ(problem.substr(problem.find(": ")),
            ": Not well-formed XML at line 2, column 26: a second document element <Procforge>");
  EXPECT_EQ(ini.GetProfile() + pftest::ReadAll(name), twice);

  // An entry whose time does not read as a date is the first to go.
  pftest::WriteAll(name,
                   "<Procforge Profile=\"\"><RecentList><Profile Profile=\"/a\" LastAccessed=\"garbage\"/>"
                   "</RecentList></Procforge>");
  ASSERT_TRUE(ini.Load());
  for (int i = 0; i < 10; ++i) ini.RecentAddToList("/n" + std::to_string(i));
  EXPECT_EQ(ini.RecentProfiles().front(), "/n0");
  pftest::WriteAll(name, twice);  // unreadable since it was read: kept aside at save, with a message
  ini.Save();
  ini.Save();  // just writes
  CIniFile back;
  ASSERT_TRUE(back.Load());
  EXPECT_EQ(pftest::ReadAll(name + ".bak") + back.RecentProfiles().back(), twice + "/n9");
  EXPECT_EQ(MUtils::FileExists(name + ".bak1") + Shown().size(), 1u);
  EXPECT_TRUE(pftest::Has(Shown().at(0), "(it changed since it was read: Not well-formed XML at line 2, column 26"));
  EXPECT_TRUE(pftest::Has(Shown().at(0), "it is kept as " + name + ".bak, and a new one is written."));
}
