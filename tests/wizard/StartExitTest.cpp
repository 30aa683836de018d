// Start-up and exit of the program around the main window: a profile that cannot be read,
// no display, the error report window, and windows that follow the main window.

#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QPlainTextEdit>

#include <csignal>
#include <filesystem>

#include "platform/StopSignals.h"
#include "settings/CSettings.h"
#include "shell/CIniFile.h"
#include "shell/MGlobals.h"
#include "support/ProgramInstall.h"
#include "wizard/MStartExit.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frmHelp.h"
#include "wizard/frmShowError.h"

namespace {

using namespace pf;
using namespace pf::wizard;
using namespace wizardtest;
using ::testing::HasSubstr;

class StartExitTest : public WizardTest {};

TEST_F(StartExitTest, BrokenProfileOfTheStateFileStartsAndIsNeverOverwritten) {
  const std::string profile = dir.file("Broken.PFG");
  pftest::WriteAll(profile, "<Settings><Server");
  {
    CIniFile ini;
    ini.Init();
    ini.SetProfile(profile);
    ini.Save();
  }
  Start();
  ASSERT_FALSE(script->Messages.empty());
  EXPECT_EQ(script->Messages[0].Msg, "Error Loading Profile...");
  EXPECT_EQ(Current(), "frmChild0StartPage");
  // The program goes on with a new profile under the default name.
  EXPECT_EQ(Main().windowTitle().toStdString(), "Default - Procforge");

  MStartExit::ExitApplication();
  EXPECT_EQ(pftest::ReadAll(profile), "<Settings><Server");
  EXPECT_TRUE(std::filesystem::exists(dir.file("Default.PFG")));
}

TEST_F(StartExitTest, WithoutADisplayTheProgramSaysSoInOneLine) {
  const pftest::ProgramResult r =
      pftest::ProgramInstall("procforge").Run({}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
  EXPECT_NE(r.ExitCode, 0);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
  EXPECT_THAT(r.Err, HasSubstr("procforge: no display"));
}

// Ctrl-C and SIGTERM end the program as closing its window does: it saves the profile and
// exits by itself with 130 (143 for SIGTERM), leaving no temporary file.
TEST_F(StartExitTest, StopSignalsEndTheProgramThroughItsExit) {
  for (const int sig : {SIGINT, SIGTERM}) {
    pftest::ProgramInstall wizard("procforge");
    const int pid = wizard.Start({}, {{"QT_QPA_PLATFORM", "offscreen"}});
    ASSERT_TRUE(pftest::WaitUntilCatching(pid, sig));
    kill(pid, sig);
    const pftest::ProgramResult r = wizard.Finish(pid);
    EXPECT_EQ(r.Signal, 0) << "killed instead of ending by itself";
    EXPECT_EQ(r.ExitCode, StopSignals::ExitStatus(sig)) << r.Err;
    EXPECT_TRUE(std::filesystem::exists(wizard.ProgramFile("Default.PFG")));
    for (const auto& e : std::filesystem::directory_iterator(wizard.ProgramFile("")))
      EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
  }
}

TEST_F(StartExitTest, ErrorReportWindowIsReadOnlyAndResizable) {
  NextAnswers::Stop();  // this window is modeless: it opens for real
  const std::string report = "Something failed\r\n  Call Stack: frm0MDIMain.btnNext_Click()";
  frmShowError* w = frmShowError::ErrorReport(report);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  auto* text = w->findChild<QPlainTextEdit*>("txtReport");
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_EQ(w->Report().toStdString(), "Something failed\n  Call Stack: frm0MDIMain.btnNext_Click()");
  EXPECT_TRUE(w->isSizeGripEnabled());
  EXPECT_NE(w->minimumSize(), w->maximumSize());
  w->close();
  script = &NextAnswers::Start();
}

TEST_F(StartExitTest, CompanionWindowsHideWhileTheMainWindowIsMinimised) {
  Start();
  Main().show();
  QWidget viewer;
  viewer.show();
  Main().AddCompanionWindow(&viewer);
  Main().SelectNodeByTag("frmChildSrvr");
  Click("btnHelp");
  ASSERT_NE(Main().HelpForm(), nullptr);
  Main().setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_FALSE(viewer.isVisible());
  EXPECT_FALSE(Main().HelpForm()->isVisible());
  Main().setWindowState(Qt::WindowNoState);
  QCoreApplication::processEvents();
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_TRUE(Main().HelpForm()->isVisible());
}

}  // namespace
