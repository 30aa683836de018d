// Start-up and exit of the program around the main window: a profile that cannot be read,
// no display, the error report window, and windows that follow the main window.

#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>

#include <csignal>
#include <filesystem>
#include <map>
#include <optional>

#include "base/Version.h"
#include "platform/StopSignals.h"
#include "settings/CSettings.h"
#include "shell/CIniFile.h"
#include "shell/IUserInterface.h"
#include "shell/MGlobals.h"
#include "xml/bwXMLBrowser.h"
#include "support/ProgramInstall.h"
#include "wizard/MStartExit.h"
#include "wizard/CChildForm.h"
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

// The environment that has the real program driven from inside by the test plugin
// (driver/DriverPlugin.cpp) through Steps.
std::map<std::string, std::string> Driven(const std::string& Steps) {
  return {{"QT_QPA_PLATFORM", "offscreen"},
          {"QT_PLUGIN_PATH", PF_TEST_PLUGIN_DIR},
          {"QT_QPA_GENERIC_PLUGINS", "pfdriver"},
          {"PF_DRIVE", Steps}};
}

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
  // The message names the file and what is wrong with it.
  EXPECT_THAT(script->Messages[0].Msg, ::testing::StartsWith("Error Loading Profile...\r\n" + profile + ": "));
  EXPECT_THAT(script->Messages[0].Msg, HasSubstr("XML"));
  EXPECT_EQ(Current(), "frmChild0StartPage");
  // The program goes on with a new profile under the default name.
  EXPECT_EQ(Main().windowTitle().toStdString(), "Default - Procforge");

  MStartExit::ExitApplication();
  EXPECT_EQ(pftest::ReadAll(profile), "<Settings><Server");
  EXPECT_TRUE(std::filesystem::exists(dir.file("Default.PFG")));
}

// What the program answers without opening a window: its options, and a display that is
// missing or cannot be opened, each in one line.
TEST_F(StartExitTest, OptionsAndDisplayProblemsAnswerInOneLine) {
  const std::map<std::string, std::string> noDisplay{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
  const struct {
    std::vector<std::string> args;
    std::map<std::string, std::string> env;
    int exitCode;
    std::string out, err;
  } cases[] = {
      {{"--version"}, noDisplay, 0, "procforge " + pf::VersionLine() + "\n", ""},
      {{"--help"}, noDisplay, 0, "Usage: procforge [--help | --version]", ""},
      {{}, noDisplay, 1, "", "procforge: no display"},
      {{}, {{"DISPLAY", ":987"}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}, 1, "",
       "procforge: cannot open the display :987 (DISPLAY)"},
  };
  for (const auto& c : cases) {
    const pftest::ProgramResult r = pftest::ProgramInstall("procforge").Run(c.args, c.env);
    SCOPED_TRACE(c.err + c.out);
    EXPECT_EQ(r.ExitCode, c.exitCode);
    EXPECT_THAT(r.Out, HasSubstr(c.out));
    EXPECT_THAT(r.Err, HasSubstr(c.err));
    EXPECT_LE(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
  }
}


// Exit and Yes end the process with status 0, after storing the page. A value the page
// refuses is named and keeps the program open with everything typed; once it is mended,
// Exit saves both values.
TEST_F(StartExitTest, ExitStoresThePageOrStaysOpenThenEndsTheProcess) {
  pftest::ProgramInstall wizard("procforge");
  const pftest::ProgramResult r = wizard.Run({}, Driven("node frmChildInitADO\n"
                                                       "type txtCmdTimeout 5\n"
                                                       "type txtConnTimeout\n"
                                                       "click btnExit\nclick Yes\nclick OK\n"
                                                       "type txtConnTimeout 20\n"
                                                       "click btnExit\nclick Yes\n"));
  EXPECT_EQ(r.Signal, 0);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_THAT(r.Err, HasSubstr("message: Are you sure you want to exit Procforge?"));
  EXPECT_THAT(r.Err, ::testing::ContainsRegex("message: [^\n]*ConnTimeout"));
  const std::string profile = pftest::ReadAll(wizard.ProgramFile("Default.PFG"));
  EXPECT_THAT(profile, HasSubstr("CmdTimeout=\"5\""));
  EXPECT_THAT(profile, HasSubstr("ConnTimeout=\"20\""));
}

// Ctrl-C and SIGTERM end the program as closing its window does: it saves the profile and
// exits by itself with 130 (143 for SIGTERM), leaving no temporary file. A profile another
// program wrote meanwhile (the SIGTERM round) is kept, and the settings go beside it.
TEST_F(StartExitTest, StopSignalsEndTheProgramThroughItsExit) {
  for (const int sig : {SIGINT, SIGTERM}) {
    pftest::ProgramInstall wizard("procforge"), cli;
    const std::string profile = wizard.ProgramFile("Default.PFG");
    const int pid = wizard.Start({}, {{"QT_QPA_PLATFORM", "offscreen"}});
    ASSERT_TRUE(pftest::WaitUntilCatching(pid, sig));
    if (sig == SIGTERM)
      ASSERT_EQ(cli.Run({"configure", "--profile", profile, "--new", "--set", "Server.SrvrType=1", "--set",
                         "IniOptions.ConnTimeout=33"})
                    .ExitCode,
                0);
    kill(pid, sig);
    const pftest::ProgramResult r = wizard.Finish(pid);
    EXPECT_EQ(r.Signal, 0) << "killed instead of ending by itself";
    EXPECT_EQ(r.ExitCode, StopSignals::ExitStatus(sig)) << r.Err;
    EXPECT_TRUE(std::filesystem::exists(profile));
    if (sig == SIGTERM) {
      EXPECT_THAT(pftest::ReadAll(profile), HasSubstr("ConnTimeout=\"33\""));
      EXPECT_TRUE(std::filesystem::exists(wizard.ProgramFile("Default (2).PFG")));
      EXPECT_THAT(r.Err, HasSubstr(" was changed on disk by another program; the settings are saved to "));
    }
    for (const auto& e : std::filesystem::directory_iterator(wizard.ProgramFile("")))
      EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
  }
}

// A profile another program changed since the wizard opened it is not saved over unasked:
// Save As keeps both (cancelling it keeps the wizard open), and in the real program
// procforge-cli configure counts as such a change, and Reload takes it.
TEST_F(StartExitTest, ExitAsksBeforeSavingOverAProfileChangedOnDisk) {
  Start();
  const std::string profile = dir.file("Shared.PFG"), mine = dir.file("Mine.PFG");
  Settings().ProfileFileName(profile);
  Settings().Save();
  Settings().xIniOptions->Attr("CmdTimeout", Variant("5"));
  {
    CSettings other;
    other.ProfileFileName(profile);
    ASSERT_TRUE(other.ProfileLoad());
    other.xIniOptions->Attr("ConnTimeout", Variant("33"));
    other.Save();
  }
  for (const bool named : {false, true}) {
    Answer(true);
    script->MessageAnswers.push_back(vbCancel);
    script->FileAnswers.push_back(named ? std::optional<std::string>(mine) : std::nullopt);
    Click("btnExit");
    EXPECT_EQ(MGlobals::AppState, named ? MGlobals::AS_EXITING : MGlobals::AS_RUNNING);
  }
  EXPECT_THAT(Shown()[1], HasSubstr("The profile " + profile + " was changed on disk"));
  EXPECT_THAT(pftest::ReadAll(profile), ::testing::AllOf(HasSubstr("ConnTimeout=\"33\""), HasSubstr("CmdTimeout=\"60\"")));
  EXPECT_THAT(pftest::ReadAll(mine), ::testing::AllOf(HasSubstr("ConnTimeout=\"15\""), HasSubstr("CmdTimeout=\"5\"")));

  pftest::ProgramInstall wizard("procforge"), cli;
  const std::string shared = wizard.File("Shared.PFG"), go = wizard.File("go");
  ASSERT_EQ(cli.Run({"configure", "--profile", shared, "--new", "--set", "Server.SrvrType=1"}).ExitCode, 0);
  pftest::WriteAll(wizard.ProgramFile("Procforge.ini"),
                   "<Procforge Profile=\"" + shared + "\"><RecentList/></Procforge>");
  const int pid = wizard.Start(
      {}, Driven("node frmChildInitADO\ntype txtCmdTimeout 5\nwait " + go + "\nclick btnExit\nclick Yes\nclick Reload\n"));
  ASSERT_TRUE(pftest::WaitUntilCatching(pid, SIGTERM));
  ASSERT_EQ(cli.Run({"configure", "--profile", shared, "--set", "IniOptions.ConnTimeout=33"}).ExitCode, 0);
  pftest::WriteAll(go, "");
  const pftest::ProgramResult r = wizard.Finish(pid);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_THAT(r.Err, HasSubstr("message: The profile " + shared + " was changed on disk"));
  EXPECT_THAT(pftest::ReadAll(shared), ::testing::AllOf(HasSubstr("ConnTimeout=\"33\""), HasSubstr("CmdTimeout=\"60\"")));
}

// The splash window, the start page and About show one version line; the start page
// says where a first-time user begins.
TEST_F(StartExitTest, OneVersionLineAndTheStartPageSaysWhereToBegin) {
  Start();
  const QString line = QString::fromStdString(pf::VersionLine());
  ASSERT_NE(MStartExit::Splash(), nullptr);
  EXPECT_EQ(MStartExit::Splash()->findChild<QLabel*>("lblVersion")->text(), line);
  EXPECT_EQ(Main().CurrentForm()->findChild<QLabel*>("lblVersion")->text(), line);
  EXPECT_THAT(Main().CurrentForm()->findChild<QLabel*>("lblWhereToBegin")->text().toStdString(),
              HasSubstr("Database Server"));
  Click("btnAbout");
  EXPECT_THAT(Shown().back(), HasSubstr(pf::VersionLine()));
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
