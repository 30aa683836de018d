// The server page's connection test against loopback listeners that accept and stay
// silent or accept and close, through the real FreeTDS driver: the window keeps handling
// events while the driver waits, the wait window offers Give Up, and no attempt outlives
// its connection time-out by more than a few seconds.

#include <gmock/gmock.h>

#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "support/LoopbackListener.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0Run.h"
#include "wizard/frm0Wait.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/pages/CTablePage.h"

namespace {

using namespace wizardtest;
using pftest::LoopbackListener;

constexpr int kTimeout = 2;

class FirstContactTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start();
    Main().SelectNodeByTag("frmChildSrvr");
  }
  // Tests the string on the server page: the seconds it took, the events the window thread
  // handled meanwhile (a timer's ticks) and whether the wait window showed.
  struct Attempt {
    double seconds = 0;
    int ticks = 0;
    bool waitShown = false;
  };
  Attempt TestOnPage(const std::string& conn, bool giveUp = false) {
    auto& page = *dynamic_cast<CTablePage*>(Main().CurrentForm());
    page.Text("txtConnPfg")->setText(QString::fromStdString(conn + ";Connect Timeout=" + std::to_string(kTimeout)));
    Attempt a;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      ++a.ticks;
      if (QDialog* w = frm0Wait::Current()) {
        a.waitShown = true;
        if (giveUp) w->findChild<QPushButton*>("btnGiveUp")->click();
      }
    });
    timer.start(100);
    const auto start = std::chrono::steady_clock::now();
    Click("btnCheckConnection");
    a.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return a;
  }
};

TEST_F(FirstContactTest, ConnectionTestKeepsTheWindowResponsiveAndEndsInTime) {
  double worst = 0;
  for (const auto mode : {LoopbackListener::Mode::Silent, LoopbackListener::Mode::Close})
    for (const char* version : {"7.4", "5.0"}) {
      const bool silent = mode == LoopbackListener::Mode::Silent;
      SCOPED_TRACE(std::string(version) + (silent ? " silent" : " closing"));
      LoopbackListener server(mode);
      ASSERT_TRUE(server.Ok());
      const size_t before = Shown().size();
      const auto [seconds, ticks, waitShown] =
          TestOnPage("Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(server.Port()) +
                     ";TDS_Version=" + version + ";UID=gen;PWD=s3cr3t");
      EXPECT_LT(seconds, kTimeout + 5);
      worst = std::max(worst, seconds - kTimeout);
      ASSERT_EQ(Shown().size(), before + 1);
      const std::string shown = Shown().back();
      EXPECT_THAT(shown, ::testing::StartsWith("Connection test failed: Could not connect to 127.0.0.1:"));
      EXPECT_THAT(shown, ::testing::Not(::testing::HasSubstr("s3cr3t")));
      if (silent) {
        // Ten ticks a second while the driver waited: the window thread never blocked.
        EXPECT_GE(ticks, static_cast<int>(seconds * 10) - 3) << seconds;
        EXPECT_TRUE(waitShown);
      }
      EXPECT_EQ(frm0Wait::Current(), nullptr);  // gone with the wait
    }
  std::printf("worst wait past the connection time-out: %.2f s\n", worst);
}

TEST_F(FirstContactTest, GiveUpEndsTheWaitAtOnce) {
  LoopbackListener server(LoopbackListener::Mode::Silent);
  ASSERT_TRUE(server.Ok());
  const Attempt a =
      TestOnPage("Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(server.Port()) + ";TDS_Version=5.0", true);
  EXPECT_TRUE(a.waitShown);
  EXPECT_LT(a.seconds, 1.5);
  ASSERT_FALSE(Shown().empty());
  EXPECT_THAT(Shown().back(), ::testing::HasSubstr("Operation Canceled"));
}

// A generation run whose server accepts the connection and never answers runs on a thread
// of its own: the window thread keeps handling events, the progress window says what the
// run waits for, and Cancel ends the wait at once, with nothing written.
TEST_F(FirstContactTest, GenerationWaitingForASilentServerKeepsTheWindowLiveAndCancels) {
  LoopbackListener server(LoopbackListener::Mode::Silent);
  ASSERT_TRUE(server.Ok());
  const std::string classFile = dir.file("CSilent.cls");
  UseSampleProfile(classFile, "");
  Main().SelectNodeByTag("frmChildBuildCode");
  Settings().xServer->Attr("ConnPfg", Variant("Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(server.Port()) +
                                              ";TDS_Version=7.4;Connect Timeout=30"));
  int ticks = 0;
  QString waiting;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++ticks;
    auto* run = Main().findChild<frm0Run*>();
    auto* wait = run ? run->findChild<QLabel*>("lblWait") : nullptr;
    if (wait && wait->isVisible() && waiting.isEmpty() && ticks > 10) {
      waiting = wait->text();
      QTest::mouseClick(run->CancelButton(), Qt::LeftButton);
    }
  });
  timer.start(100);
  const auto start = std::chrono::steady_clock::now();
  Click("btnStart");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_THAT(waiting.toStdString(), ::testing::HasSubstr("Waiting: Connecting to 127.0.0.1"));
  EXPECT_THAT(waiting.toStdString(), ::testing::HasSubstr("of the time-out of 30 s"));
  EXPECT_LT(seconds, 4);
  EXPECT_GE(ticks, static_cast<int>(seconds * 10) - 3) << seconds;
  EXPECT_THAT(Shown(), ::testing::ElementsAre("The run was cancelled: nothing was written."))
      << ::testing::PrintToString(Shown());
  EXPECT_FALSE(std::filesystem::exists(classFile));
}

// Details shows the connection report of the string on the page, without its password, and
// changes nothing.
TEST_F(FirstContactTest, DetailsShowsTheConnectionReport) {
  auto& page = *dynamic_cast<CTablePage*>(Main().CurrentForm());
  page.Options("optSrvrType")[1]->click();
  page.Text("txtConnPfg")
      ->setText("Provider=Procforge.Snapshot;Data Source=" PF_SOURCE_DIR "/samples/mssql/OrderEntry.sql;Pwd=secret");
  Click("btnConnDetails");
  ASSERT_FALSE(Shown().empty());
  const std::string report = Shown().back();
  EXPECT_THAT(report, ::testing::HasSubstr("Procforge connection report"));
  EXPECT_THAT(report, ::testing::HasSubstr("2. procedure list\r\n   SELECT * FROM sysobjects"));
  EXPECT_THAT(report, ::testing::HasSubstr("(parameter refresh)"));
  EXPECT_THAT(report, ::testing::Not(::testing::HasSubstr("secret")));
}

}  // namespace
