#include <gtest/gtest.h>

#include <ctime>

#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "base/Clock.h"
#include "shell/CIniFile.h"
#include "shell/MUtils.h"
#include "support/TestEnv.h"

using namespace pf;

namespace {

class StateFile : public ::testing::Test {
 protected:
  void SetUp() override {
    pftest::InstallTestEnvironment();
    Faultnet31::Reset();
    AppPaths::SetProgramFolder(dir.path().string());
    now = Clock::Now();
  }
  void TearDown() override {
    AppPaths::SetProgramFolder("");
    pftest::InstallTestEnvironment();
  }
  void Tick(int seconds) {
    now += seconds;
    Clock::SetFixed(now);
  }

  pftest::TempDir dir;
  std::time_t now = 0;
};

struct FakeCombo : IComboBox {
  std::vector<std::string> items;
  std::string text = "stale";
  void Clear() override { items.clear(); }
  void AddItem(const std::string& t) override { items.push_back(t); }
  void SetText(const std::string& t) override { text = t; }
};

}  // namespace

TEST(MUtils, SplitPath) {
  const MUtils::PathParts p = MUtils::SplitPath("C:\\Work\\Orders.Data.cls");
  EXPECT_EQ(p.Drive, "C:");
  EXPECT_EQ(p.Folder, "C:\\Work");
  EXPECT_EQ(p.FileName, "Orders.Data.cls");
  EXPECT_EQ(p.BaseName, "Orders");
  EXPECT_EQ(p.Ext, "Data.cls");

  const MUtils::PathParts q = MUtils::SplitPath("/home/me/gen/Db");
  EXPECT_EQ(q.Folder, "/home/me/gen");
  EXPECT_EQ(q.Drive, "");
  EXPECT_EQ(q.BaseName, "Db");
  EXPECT_EQ(q.Ext, "");
  EXPECT_EQ(MUtils::SplitPath("a.b").Folder, "");
  EXPECT_EQ(MUtils::SplitPath("a.b").FileName, "a.b");
}

TEST(MUtils, TextFilesAndExistence) {
  pftest::InstallTestEnvironment();
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
  const AppError e = pftest::Raised([&] { MUtils::ReadText(dir.file("none.txt"), "ASCII"); });
  EXPECT_EQ(e.Number, ERR_FILE_NOT_FOUND);
  EXPECT_NE(e.Description.find("none.txt"), std::string::npos);
  EXPECT_NE(e.Description.find("Call Stack: MUtils.ReadText(FileName="), std::string::npos);
}

TEST_F(StateFile, NewStateSavesAndLoadsBack) {
  CIniFile ini;
  EXPECT_EQ(ini.IniFileName(), dir.file("Procforge.ini"));
  EXPECT_FALSE(ini.Load());  // no file: nothing changes
  EXPECT_EQ(ini.Document().xml(), "<Procforge Profile=\"\"><RecentList/></Procforge>");
  ini.SetProfile("/p/O'Neil & Co.PFG");
  ini.RecentAddToList("/p/O'Neil & Co.PFG");
  ini.Save();

  CIniFile back;
  ASSERT_TRUE(back.Load());
  EXPECT_EQ(back.GetProfile(), "/p/O'Neil & Co.PFG");
  EXPECT_EQ(back.RecentProfiles(), std::vector<std::string>{"/p/O'Neil & Co.PFG"});
  back.Document().MoveTo("//Profile");
  EXPECT_EQ(back.Document().strAttr("LastAccessed"), "12/6/2026 2:03:05 PM");
  EXPECT_EQ(back.Document().dateAttr("LastAccessed"), (VBDate::DateTime{2026, 12, 6, 14, 3, 5}));
  // The same path again (quotes and all) refreshes its entry.
  Tick(60);
  back.RecentAddToList("/p/O'Neil & Co.PFG");
  back.RecentAddToList("/P/O'Neil & Co.PFG");  // another letter case is another profile
  EXPECT_EQ(back.RecentProfiles().size(), 2u);
  back.Document().MoveTo("//Profile");
  EXPECT_EQ(back.Document().strAttr("LastAccessed"), "12/6/2026 2:04:05 PM");
}

TEST_F(StateFile, RecentListDropsTheLeastRecentlyUsed) {
  CIniFile ini;
  for (int i = 1; i <= 10; ++i) {
    Tick(1);
    ini.RecentAddToList("/p/" + std::to_string(i) + ".PFG");
  }
  Tick(1);
  ini.RecentAddToList("/p/1.PFG");  // 2 is now the one used longest ago
  ini.RecentAddToList("   ");       // ignored
  Tick(1);
  ini.RecentAddToList("/p/11.PFG");
  const std::vector<std::string> list = ini.RecentProfiles();
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.front(), "/p/1.PFG");  // listed in the order first used
  EXPECT_EQ(list[1], "/p/3.PFG");
  EXPECT_EQ(list.back(), "/p/11.PFG");

  ini.SetProfile("/p/3.PFG");
  FakeCombo combo;
  combo.items = {"old"};
  ini.RecentFillCombo(combo);
  EXPECT_EQ(combo.items, list);
  EXPECT_EQ(combo.text, "/p/3.PFG");
}

TEST_F(StateFile, BadStateFilesAreReportedAndChangeNothing) {
  CIniFile ini;
  ini.SetProfile("/keep.PFG");
  pftest::WriteAll(ini.IniFileName(), "not xml at all");
  {
    const AppError e = pftest::Raised([&] { ini.Load(); });
    EXPECT_NE(e.Description.find("LoadXML method failed"), std::string::npos);
    EXPECT_NE(e.Description.find("Call Stack: CIniFile.Load()"), std::string::npos);
  }
  pftest::WriteAll(ini.IniFileName(), "<Procforge Profile=\"x\"/>");
  {
    const AppError e = pftest::Raised([&] { ini.Load(); });
    EXPECT_EQ(e.Number, ERR_NOT_FOUND);
  }
  EXPECT_EQ(ini.GetProfile(), "/keep.PFG");

  // An entry whose time does not read as a date is the first to go.
  pftest::WriteAll(ini.IniFileName(),
                   "<Procforge Profile=\"\"><RecentList><Profile Profile=\"/a\" LastAccessed=\"garbage\"/>"
                   "</RecentList></Procforge>");
  ASSERT_TRUE(ini.Load());
  for (int i = 0; i < 10; ++i) ini.RecentAddToList("/n" + std::to_string(i));
  EXPECT_EQ(ini.RecentProfiles().front(), "/n0");
}
