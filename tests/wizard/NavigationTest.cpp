// The main window: the tree and its pages, moving between pages, the buttons, help, exit
// and start-up; around it a profile that cannot be read, no display and the error report
// window.

#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

#include "base/AppPaths.h"
#include "base/Version.h"
#include "errors/AppError.h"
#include "platform/FileIO.h"
#include "platform/StopSignals.h"
#include "settings/CSettings.h"
#include "shell/CIniFile.h"
#include "shell/IUserInterface.h"
#include "shell/MGlobals.h"
#include "support/ProgramInstall.h"
#include "wizard/CChildForm.h"
#include "wizard/ChildForms.h"
#include "wizard/MIcons.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0VBCode.h"
#include "wizard/frmHelp.h"
#include "wizard/frmShowError.h"
#include "xml/bwXMLBrowser.h"

namespace {

using namespace wizardtest;
using ::testing::HasSubstr;
using ::testing::Not;

// The failing page's switch outlives each test's body, because the exit at tear-down still
// stores the current page.
class NavigationTest : public WizardTest {
 protected:
  bool failLoad = false;
};

// The real wizard, offscreen, clicking the buttons of Drive (see the driver plugin).
std::map<std::string, std::string> Offscreen(const std::string& Drive = {}) {
  std::map<std::string, std::string> env{{"QT_QPA_PLATFORM", "offscreen"}};
  if (!Drive.empty())
    env.insert({{"QT_PLUGIN_PATH", PF_TEST_PLUGIN_DIR}, {"QT_QPA_GENERIC_PLUGINS", "pfdriver"}, {"PF_DRIVE", Drive}});
  return env;
}

// A new SQL Server profile made by procforge-cli configure, with one more key set.
bool NewProfile(const pftest::ProgramInstall& Cli, const std::string& Profile, const std::string& Set) {
  return Cli.Run({"configure", "--profile", Profile, "--new", "--set", "Server.SrvrType=1", "--set", Set}).ExitCode ==
         0;
}

// A page whose loading fails while failLoad is set.
class FailingPage : public CChildForm {
 public:
  FailingPage(QWidget* parent, bool& failLoad) : CChildForm(parent), failLoad_(failLoad) {}
  void CopyControls(int dir) override {
    if (dir != CD_TO_PROFILE && failLoad_) throw AppError(ERR_GENERAL, "FailingPage", "the page cannot load");
  }

 private:
  bool& failLoad_;
};

// The tree against tests/data/wizard/tree.txt: text, parent, page, picture and help anchor
// of every node. A picture is compared by its pixels, and every image key of the file must
// have a picture of its own, so a misspelt key (which gets the plain fallback) fails.
// A control or window a test needs and does not find stops that test with a failure that
// names it, instead of a null pointer ending the whole test program.
TEST_F(NavigationTest, AMissingControlFailsTheTestInsteadOfEndingTheProgram) {
  EXPECT_THROW(Main(), std::runtime_error);  // not started yet
  Start();
  EXPECT_THROW(Click("btnNoSuch"), std::runtime_error);
  EXPECT_THROW(Button("btnNoSuch"), std::runtime_error);
  EXPECT_THROW(Child<QLabel>(nullptr, "lblVersion"), std::runtime_error);
  EXPECT_THROW(Child<QLabel>(&Main(), "lblNoSuch"), std::runtime_error);
  EXPECT_EQ(&Button("btnNext"), &Child<QPushButton>(&Main(), "btnNext"));
}

TEST_F(NavigationTest, TreeNodesHaveTheirTextParentPagePictureAndAnchor) {
  Start();
  std::vector<QTreeWidgetItem*> walk;
  for (QTreeWidgetItemIterator it(Main().Tree()); *it; ++it) walk.push_back(*it);
  const std::vector<std::string> lines = DataLines("tree.txt");
  ASSERT_EQ(walk.size(), lines.size());
  ASSERT_EQ(lines.size(), 34u);
  auto pixels = [](const QIcon& icon) { return icon.pixmap(32, 32).toImage(); };
  const QImage fallback = pixels(MIcons::TreeImage("no such key"));
  const std::string guide = pftest::ReadAll(MGlobals::GetHelpFileName());
  std::vector<int> levels;
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    std::istringstream in(lines[i]);
    std::string text, tag, image, anchor;
    int level = 0;
    in >> std::quoted(text) >> level >> tag >> image >> anchor;
    levels.push_back(level);
    QTreeWidgetItem* node = walk[i];
    EXPECT_EQ(node->text(0).toStdString(), text);
    size_t parent = i;
    while (parent > 0 && levels[--parent] >= level) continue;
    EXPECT_EQ(node->parent(), level ? walk[parent] : nullptr);
    EXPECT_NE(pixels(MIcons::TreeImage(QString::fromStdString(image))), fallback) << "no picture for " << image;
    EXPECT_EQ(pixels(node->icon(0)), pixels(MIcons::TreeImage(QString::fromStdString(image))));
    CChildForm* page = Main().GetChildForm(tag);
    EXPECT_EQ(page->Heading().toStdString(), text);
    EXPECT_EQ(page->HelpAnchor(), anchor);
    EXPECT_TRUE(guide.find("id=\"" + anchor + "\"") != std::string::npos ||
                guide.find("name=\"" + anchor + "\"") != std::string::npos)
        << "no anchor " << anchor << " in the guide";
  }
}

TEST_F(NavigationTest, NextAndPreviousWalkEveryNodeWithTheButtonRules) {
  Start();
  const std::vector<std::string> tags = TreeTags();
  auto expectButtons = [&](const std::string& tag) {
    const bool last = tag == "frmChildBuildCode" || tag == "frmChildRunVBProject";
    EXPECT_EQ(Button("btnBack").isEnabled(), tag != "frmChild0StartPage") << tag;
    EXPECT_EQ(Button("btnNext").isEnabled(), !last) << tag;
    EXPECT_EQ(Button("btnDone").isEnabled(), !last) << tag;
  };
  for (size_t i = 0; i < tags.size(); ++i) {
    EXPECT_EQ(Selected(), tags[i]);
    EXPECT_EQ(Current(), tags[i]);
    expectButtons(tags[i]);
    // Next is disabled on the last two pages; the tree's order goes on regardless.
    Main().SelectNextTreeNode();
  }
  EXPECT_EQ(Current(), "frmChildRunVBProject");  // Next on the last node does nothing
  for (size_t i = tags.size(); i-- > 0;) {
    EXPECT_EQ(Current(), tags[i]);
    expectButtons(tags[i]);
    Click("btnBack");
  }
  EXPECT_EQ(Current(), "frmChild0StartPage");  // Previous on the root does nothing
  EXPECT_TRUE(Shown().empty());
}

TEST_F(NavigationTest, PageThatFailsToLoadStopsTheChangeOnTheOldPage) {
  OverrideChildForm("frmChildMethPrmNames", [&](QWidget* p) { return new FailingPage(p, failLoad); });
  Start();
  Main().SelectNodeByTag("frmChildMethNames");
  failLoad = true;
  Click("btnNext");
  EXPECT_EQ(Current(), "frmChildMethNames");
  EXPECT_EQ(Selected(), "frmChildMethNames");
  auto* stack = Main().findChild<QStackedWidget*>("pnlPages");
  EXPECT_EQ(stack->currentWidget(), Main().CurrentForm());
  // Shown once, as an internal error, and the program goes on.
  EXPECT_THAT(Shown(), ::testing::ElementsAre(HasSubstr("Internal app error: the page cannot load")));
  failLoad = false;
  Click("btnNext");
  EXPECT_EQ(Current(), "frmChildMethPrmNames");
  // An unknown page is the application error of the main window.
  const AppError e = pftest::Raised([&] { Main().GetChildForm("frmMissing"); });
  EXPECT_EQ(e.Number, ERR_USER_CHECK);
  EXPECT_EQ(pftest::FirstLine(e.Description), "Form for tag [frmMissing] not found.");
}

// The splash window, the start page and About show one version line (About says what
// each number is); the start page says where a first-time user begins. The splash fades in, then closes.
TEST_F(NavigationTest, OneVersionLineThenTheSplashFadesInAndCloses) {
  Start();
  const QString line = QString::fromStdString(pf::VersionLine());
  ASSERT_NE(MStartExit::Splash(), nullptr);
  EXPECT_EQ(Child<QLabel>(MStartExit::Splash(), "lblVersion").text(), line);
  EXPECT_EQ(Child<QLabel>(Main().CurrentForm(), "lblVersion").text(), line);
  EXPECT_THAT(Child<QLabel>(Main().CurrentForm(), "lblVersion").toolTip().toStdString(),
              HasSubstr(" is the product version, "));
  EXPECT_THAT(Child<QLabel>(Main().CurrentForm(), "lblWhereToBegin").text().toStdString(),
              HasSubstr("Database Server"));
  Click("btnAbout");
  EXPECT_THAT(Shown().back(), HasSubstr(pf::VersionLine()));
  EXPECT_THAT(Shown().back(), ::testing::ContainsRegex(" is the product version, .* is the release of this program"));
  // The real timer may already have stepped while the start-up let events run: the level
  // goes up by 80 a step from where it was.
  const int level = Main().FadeLevel();
  for (int i = 0; i < 3; ++i) Main().tmrTransp_Timer();
  EXPECT_EQ(Main().FadeLevel(), level + 3 * 80);
  Main().tmrTransp_Timer();
  Main().tmrTransp_Timer();
  EXPECT_NE(MStartExit::Splash(), nullptr) << "closed before 2 seconds";
  clockMs += 2001;
  Main().tmrTransp_Timer();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(MStartExit::Splash(), nullptr);
}

TEST_F(NavigationTest, HelpFollowsThePageAndIsForgottenWhenClosed) {
  Start();
  Main().SelectNodeByTag("frmChildSrvr");
  Click("btnHelp");
  frmHelp* help = Main().HelpForm();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(help)->role(), QAccessible::Window);
  EXPECT_FALSE(
      QAccessible::queryAccessibleInterface(&Child<QWidget>(help, "brwHelp"))->text(QAccessible::Name).isEmpty());
  EXPECT_EQ(help->Source().fragment(), "ServerPage");
  Click("btnNext");
  EXPECT_EQ(help->Source().fragment(), "StdConfigPage");
  // At its narrowest the guide wraps, tables and code lines included: no horizontal scroll.
  help->resize(420, 600);
  for (const char* anchor : {"Connecting", "StdConfigPage", "Top"}) {
    help->ShowHelp(anchor, false);
    QApplication::processEvents();
    EXPECT_EQ(help->Browser()->horizontalScrollBar()->maximum(), 0) << anchor;
  }
  // Escape closes it, as it closes a dialog.
  help->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(help));
  QApplication::processEvents();
  QTest::keyClick(&Child<QWidget>(help, "brwHelp"), Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Main().HelpForm(), nullptr);

  // Beside the main window where the screen has room: right, else left, narrowed down to
  // the minimum width; without that room at its own width against the wider side's
  // screen edge, never in the screen's corner over the whole wizard.
  const QRect screen(0, 0, 1280, 1024);
  const auto rect = [](const std::string& text) {
    int x = 0, y = 0, w = 0, h = 0;
    std::istringstream(text) >> x >> y >> w >> h;
    return QRect(x, y, w, h);
  };
  for (const std::string& line : DataLines("beside.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    EXPECT_EQ(frm0MDIMain::BesideRect(rect(f[0]), QSize(std::stoi(f[1]), 600), screen, std::stoi(f[2])), rect(f[3]))
        << line;
  }
  // Without room it covers the tree rather than the page and its buttons, on the narrower
  // side if need be.
  const QRect left(280, 100, 687, 460);
  EXPECT_EQ(frm0MDIMain::BesideRect(left, QSize(460, 600), screen, 320, left.adjusted(213, 0, 0, 0)),
            QRect(0, 100, 460, 600));

  // A missing guide is a plain message naming its path.
  std::filesystem::remove(MGlobals::GetHelpFileName());
  Click("btnHelp");
  EXPECT_EQ(Shown(), std::vector<std::string>{"Help file not found: \r\n" + MGlobals::GetHelpFileName()});
  EXPECT_EQ(Main().HelpForm(), nullptr);
  // The message window itself, as a screen reader reads it: no CR in the text.
  NextAnswers::Stop();
  QString text;
  QTimer::singleShot(0, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      text = QAccessible::queryAccessibleInterface(&Child<QLabel>(box, "lblMessage"))->text(QAccessible::Name);
      box->close();
    }
  });
  Click("btnHelp");
  EXPECT_EQ(text.toStdString(), "Help file not found: \n" + MGlobals::GetHelpFileName());
  script = &NextAnswers::Start();
}

// Wherever the wizard moves the keyboard (Next on every page, Done, an access key, the end
// of a run, closing the code viewer), it lands on a named control, never on a page's
// unnamed panel.
TEST_F(NavigationTest, FocusLandsOnANamedControl) {
  Start();
  Main().show();
  Main().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
  const auto expectMarkedFocus = [](const std::string& where) {
    QWidget* f = QApplication::focusWidget();
    ASSERT_NE(f, nullptr) << where;
    EXPECT_EQ(qobject_cast<CChildForm*>(f), nullptr) << where;
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(f)->text(QAccessible::Name).isEmpty())
        << where << ": " << f->objectName().toStdString();
  };
  for (size_t i = 1; i < TreeTags().size(); ++i) {
    QTest::mouseClick(&Button("btnNext"), Qt::LeftButton);
    expectMarkedFocus("Next to " + Current());
  }
  Main().SelectNodeByTag("frmChildSrvr");
  QTest::mouseClick(&Button("btnDone"), Qt::LeftButton);
  expectMarkedFocus("Done");

  // A check box toggled by its access key in a window used only with the mouse so far takes
  // the keyboard with its mark; the Start button below it stays where it was.
  auto& module = Child<QCheckBox>(Main().CurrentForm(), "chkAddExecSPbyName");
  Settings().xCode->Attr("ParamDefsFile", Variant(dir.file(std::string(90, 'm') + ".bas")));  // on two lines
  Main().ReloadCurrentFormData();
  QTest::qWait(50);
  const QPoint start = Button("btnStart").mapTo(&Main(), QPoint());
  Main().setAttribute(Qt::WA_KeyboardFocusChange, false);
  QTest::keyClick(&Main(), Qt::Key_M, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return module.isChecked(); }));  // unticked in a new profile
  // The style draws the mark in a window whose focus the keyboard moved.
  EXPECT_TRUE(QApplication::focusWidget() == &module && Main().testAttribute(Qt::WA_KeyboardFocusChange));
  QTest::qWait(50);
  EXPECT_EQ(Button("btnStart").mapTo(&Main(), QPoint()), start);  // once the page is laid out again

  UseSampleProfile(dir.file("COrderEntry.cls"), dir.file("MOrderEntry.bas"));
  GenerateWithViewers();
  ASSERT_EQ(Current(), "frmChildRunVBProject");
  Main().activateWindow();
  QApplication::processEvents();
  expectMarkedFocus("after the run");
  ASSERT_NE(ClassViewer(), nullptr);
  ClassViewer()->activateWindow();
  QApplication::processEvents();
  ClassViewer()->close();
  ParamDefsViewer()->close();
  Main().activateWindow();
  QTest::qWait(50);
  expectMarkedFocus("after the viewer closed");
}

// The real file dialog of the start page's sample button: its list shows the modification
// date whole, and a folder's name typed with Enter opens the folder.
TEST_F(NavigationTest, FileDialogShowsItsColumnsAndEntersATypedFolder) {
  std::filesystem::create_directory_symlink(PF_SOURCE_DIR "/samples", dir.path() / "samples");
  Start();
  NextAnswers::Stop();
  QString entered;
  QTimer::singleShot(0, [&] {
    QFileDialog* dialog = &Need(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()), "the file dialog");
    auto& files = Child<QTreeView>(dialog, "treeView");
    EXPECT_TRUE(QTest::qWaitFor([&] { return files.model()->rowCount(files.rootIndex()) > 0; }));
    QTest::qWait(50);  // column 3: the modification date
    EXPECT_GE(files.header()->sectionSize(3), static_cast<QAbstractItemView&>(files).sizeHintForColumn(3));
    QTest::keyClicks(QApplication::focusWidget(), "mssql");
    QTimer::singleShot(300, dialog, [dialog] {  // a message instead of the folder
      if (QWidget* m = QApplication::activeModalWidget(); m && m != dialog) m->close();
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::qWait(50);
    entered = QApplication::activeModalWidget() == dialog ? dialog->directory().dirName() : "(closed)";
    dialog->reject();
  });
  Click("btnOpenSample");
  script = &NextAnswers::Start();
  EXPECT_EQ(entered.toStdString(), "mssql");
}

TEST_F(NavigationTest, FileDialogsFreezeTheTreeAndReleaseItLater) {
  Start();
  script->FileAnswers.push_back(std::string("/tmp/chosen.cls"));
  script->FileAnswers.push_back(std::nullopt);
  std::string file = "C:\\out\\Old.cls";
  EXPECT_TRUE(Main().DialogSave(file, "cls", "VB Class|*.cls", "Save Database Class As...", 2));
  EXPECT_EQ(file, "/tmp/chosen.cls");
  EXPECT_FALSE(Main().Tree()->parentWidget()->isEnabled());
  EXPECT_FALSE(Main().DialogOpen(file, "cls", "VB Class|*.cls", "Open", 0));
  EXPECT_EQ(file, "/tmp/chosen.cls");  // cancel keeps the name
  ASSERT_EQ(script->FileRequests.size(), 2u);
  EXPECT_TRUE(script->FileRequests[0].Save);
  EXPECT_EQ(script->FileRequests[0].Initial, "C:\\out\\Old.cls");
  for (int i = 0; i < 40 && !Main().Tree()->parentWidget()->isEnabled(); ++i) QTest::qWait(50);
  EXPECT_TRUE(Main().Tree()->parentWidget()->isEnabled());
  EXPECT_EQ(DialogFilter("VB Source Files (Cls, Bas)|*.cls;*.bas|All Files|*.*").toStdString(),
            "VB Source Files (*.cls *.bas);;All Files (*.*)");
}

// A first-time user of the installed program (an install of this build into a prefix),
// with an empty home folder and the mouse only: what the start page offers, a sample
// snapshot from the folder the dialog opens in, Done, the module's box beside Start,
// Start, and both files shown. The file dialog counts three actions (open the server's
// folder, pick the file, Open). The class is the sample's: the SQL Server system
// procedures are left out, and what a new profile does not do as the sample profile
// does is said on Results.
TEST_F(NavigationTest, FirstClassAndModuleFromTheInstalledSamplesWithinEightMouseActions) {
  const std::string prefix = dir.file("usr"), home = dir.file("home");
  std::filesystem::create_directories(home);
  const std::string install = std::string("\"") + PF_CMAKE_COMMAND + "\" --install \"" + PF_BINARY_DIR +
                              "\" --prefix \"" + prefix + "\" >/dev/null";
  ASSERT_EQ(std::system(install.c_str()), 0) << install;
  const std::string samples = prefix + "/share/procforge/samples";
  ASSERT_TRUE(std::filesystem::is_regular_file(samples + "/mssql/OrderEntry.sql"));
  pftest::ScopedEnv homeEnv("HOME", home), configEnv("XDG_CONFIG_HOME", "");
  AppPaths::SetProgramFolder(prefix + "/bin");
  Start();

  int actions = 0;
  const auto click = [&](QWidget* w) {
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible() && w->isEnabled()) << w->objectName().toStdString();
    ++actions;
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
  };
  EXPECT_THAT(Child<QLabel>(Main().CurrentForm(), "lblWhereToBegin").text().toStdString(), HasSubstr("Open a sample"));
  script->FileAnswers.push_back(samples + "/mssql/OrderEntry.sql");
  click(&Button("btnOpenSample"));
  actions += 3;
  ASSERT_EQ(script->FileRequests.size(), 1u);
  EXPECT_EQ(script->FileRequests[0].Initial, samples + "/");
  EXPECT_EQ(Current(), "frmChildSrvr");
  EXPECT_EQ(Settings().ServerType(), 1);
  click(&Button("btnDone"));
  click(&Child<QCheckBox>(Main().CurrentForm(), "chkAddExecSPbyName"));
  EXPECT_THAT(Child<QLabel>(Main().CurrentForm(), "lblModuleFile").text().toStdString(),
              HasSubstr("MOrderEntryParams.bas"));
  click(&Button("btnStart"));
  ASSERT_EQ(Current(), "frmChildRunVBProject") << ::testing::PrintToString(Shown());
  click(&Button("btnShowCode"));
  std::printf("first class and module in %d mouse actions\n", actions);
  EXPECT_LE(actions, 8);
  EXPECT_TRUE(Shown().empty()) << Shown().front();

  // The profile and its files are the user's, not the installed program's.
  const std::filesystem::path profile = Settings().ProfileFileName();
  EXPECT_EQ(profile.string().rfind(home + "/", 0), 0u) << profile;
  const std::string cls = (profile.parent_path() / "COrderEntryDB.cls").string();
  EXPECT_THAT(pftest::ReadAll(cls), HasSubstr("Public Function ExecCustomerInsert"));
  EXPECT_THAT(pftest::ReadAll(cls), ::testing::Not(HasSubstr("ExecDtAddtosourcecontrol")));
  EXPECT_TRUE(std::filesystem::exists(profile.parent_path() / "MOrderEntryParams.bas"));
  ASSERT_TRUE(ClassViewer() && ParamDefsViewer() && ClassViewer()->isVisible() && ParamDefsViewer()->isVisible());
  std::vector<std::string> notes;
  auto* list = Main().CurrentForm()->findChild<QListWidget*>("lstWarnings");
  for (int i = 0; list && i < list->count(); ++i) notes.push_back(list->item(i)->text().toStdString());
  EXPECT_THAT(notes, ::testing::Contains(HasSubstr("database functions are not wrapped")));
  EXPECT_THAT(notes, ::testing::Contains(HasSubstr("\"Use a default connection string\" is ticked with an empty")));
  // The exit saves into the home folder while it is still this test's.
  MStartExit::ExitApplication();

  // Each installed sample profile opens and generates from another folder: its snapshot,
  // named as the samples folder holds it, is found beside the installed samples.
  const std::string work = dir.file("work");
  std::filesystem::create_directories(work);
  for (const char* sample : {"mssql/OrderEntry.PFG", "sybase/Orders.PFG", "oracle/Sales.PFG", "access/Orders.PFG"}) {
    const std::string run = "cd \"" + work + "\" && HOME=\"" + home + "\" \"" + prefix +
                            "/bin/procforge-cli\" generate --yes --profile \"" + samples + "/" + sample + "\"";
    EXPECT_EQ(std::system(run.c_str()), 0) << run;
  }
  for (const char* cls : {"COrderEntryDB.cls", "CSybOrdersDB.cls", "CSalesDB.cls", "COrdersMdb.cls"})
    EXPECT_THAT(pftest::ReadAll(work + "/" + cls), HasSubstr("Public Function Exec")) << cls;
}

TEST_F(NavigationTest, BrokenProfileOfTheStateFileStartsAndIsNeverOverwritten) {
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
TEST_F(NavigationTest, OptionsAndDisplayProblemsAnswerInOneLine) {
  const std::map<std::string, std::string> noDisplay{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
  std::map<std::string, std::string> badDisplay = noDisplay;
  badDisplay["DISPLAY"] = ":987";
  // Arguments, environment, exit status, and what stdout and stderr hold.
  const std::tuple<std::vector<std::string>, std::map<std::string, std::string>, int, std::string, std::string>
      cases[] = {
          {{"--version"}, noDisplay, 0, "procforge " + pf::VersionLine() + "\n", ""},
          {{"--help"}, noDisplay, 0, "Usage: procforge [--help | --version]", ""},
          {{}, noDisplay, 1, "", "procforge: no display"},
          {{}, badDisplay, 1, "", "procforge: cannot open the display :987 (DISPLAY)"},
      };
  for (const auto& [args, env, exitCode, out, err] : cases) {
    const pftest::ProgramResult r = pftest::ProgramInstall("procforge").Run(args, env);
    SCOPED_TRACE(err + out);
    EXPECT_EQ(r.ExitCode, exitCode);
    EXPECT_THAT(r.Out, HasSubstr(out));
    EXPECT_THAT(r.Err, HasSubstr(err));
    EXPECT_LE(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
  }
}

// Exit stores the page first: a value the page refuses is named and keeps the program open
// with everything typed; once it is mended, Exit saves it and ends the process.
TEST_F(NavigationTest, ExitStoresThePageOrStaysOpenThenEndsTheProcess) {
  Start();
  Main().SelectNodeByTag("frmChildInitADO");
  auto* timeout = Main().CurrentForm()->findChild<QLineEdit*>("txtConnTimeout");
  timeout->setText("");
  Answer(true);
  Click("btnExit");
  EXPECT_EQ(MGlobals::AppState, MGlobals::AS_RUNNING);
  EXPECT_THAT(Shown().back(), HasSubstr("ConnTimeout"));
  timeout->setText("20");
  Answer(true);
  Click("btnExit");
  EXPECT_EQ(MGlobals::AppState, MGlobals::AS_EXITING);
  EXPECT_THAT(pftest::ReadAll(dir.file("Default.PFG")), HasSubstr("ConnTimeout=\"20\""));

  // In the real program Exit and Yes end the process itself, with status 0, the profile saved.
  pftest::ProgramInstall wizard("procforge");
  const pftest::ProgramResult r = wizard.Run({}, Offscreen("btnExit\nYes\n"));
  EXPECT_EQ(r.Signal, 0) << "killed instead of ending by itself";
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_THAT(r.Err, HasSubstr("message: Are you sure you want to exit Procforge?"));
  EXPECT_TRUE(std::filesystem::exists(wizard.ProgramFile("Default.PFG")));
}

// The program's command line: an unknown option is refused before any window opens, as
// procforge-cli refuses one; a profile named there is the one opened (and saved at exit).
// Closing the window as the window manager does asks as Exit does: No keeps the program
// running, Yes ends it with status 0.
TEST_F(NavigationTest, CommandLineAndWindowCloseOfTheRealProgram) {
  pftest::ProgramInstall wizard("procforge"), cli;
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--bogus"}, {"-x"}, {"a.PFG", "b.PFG"}, {wizard.File("missing.PFG")}}) {
    const pftest::ProgramResult r = wizard.Run(args, Offscreen());
    EXPECT_EQ(r.ExitCode, 2) << args[0];
    EXPECT_THAT(r.Err, ::testing::StartsWith("procforge: ")) << args[0];
    EXPECT_THAT(r.Err, HasSubstr("Try 'procforge --help'."));
  }
  const std::string named = wizard.File("Named.PFG");
  ASSERT_TRUE(NewProfile(cli, named, "IniOptions.ConnTimeout=41"));
  const pftest::ProgramResult r = wizard.Run({named}, Offscreen("close:frm0MDIMain\nNo\nclose:frm0MDIMain\nYes\n"));
  EXPECT_EQ(r.Signal, 0);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  const std::string question = "message: Are you sure you want to exit Procforge?";
  const size_t first = r.Err.find(question);
  ASSERT_NE(first, std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find(question, first + 1), std::string::npos) << r.Err;
  EXPECT_THAT(pftest::ReadAll(named), HasSubstr("ConnTimeout=\"41\""));
  EXPECT_FALSE(std::filesystem::exists(wizard.ProgramFile("Default.PFG")));
}

// Ctrl-C and SIGTERM end the program as closing its window does: it saves the profile and
// exits by itself with 130 (143 for SIGTERM), leaving no temporary file. A profile another
// program wrote meanwhile (the SIGTERM round) is kept, and the settings go beside it.
TEST_F(NavigationTest, StopSignalsEndTheProgramThroughItsExit) {
  for (const int sig : {SIGINT, SIGTERM}) {
    pftest::ProgramInstall wizard("procforge"), cli;
    const std::string profile = wizard.ProgramFile("Default.PFG");
    const int pid = wizard.Start({}, Offscreen());
    ASSERT_TRUE(pftest::WaitUntilCatching(pid, sig));
    if (sig == SIGTERM) {
      ASSERT_TRUE(NewProfile(cli, profile, "IniOptions.ConnTimeout=33"));
    }
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

// A state file naming Profile as the current one.
void NameCurrent(const pftest::ProgramInstall& Wizard, const std::string& Profile) {
  pftest::WriteAll(Wizard.ProgramFile("Procforge.ini"),
                   "<Procforge Profile=\"" + Profile + "\"><RecentList/></Procforge>");
}

// A last profile that does not load replaces no other file: the new profile takes a free
// name, the start message names it, and Exit saves there and nowhere else.
TEST_F(NavigationTest, AnUnreadableLastProfileReplacesNoOtherFile) {
  for (const bool defaultBroken : {false, true}) {
    SCOPED_TRACE(defaultBroken ? "Default.PFG unreadable" : "Default (2).PFG unreadable");
    pftest::ProgramInstall wizard("procforge"), cli;
    const std::string good = wizard.ProgramFile("Default.PFG");
    const std::string broken = defaultBroken ? good : wizard.ProgramFile("Default (2).PFG");
    if (!defaultBroken) {
      ASSERT_TRUE(NewProfile(cli, good, "IniOptions.ConnTimeout=33"));
    }
    pftest::WriteAll(broken, "<Settings><Server");
    NameCurrent(wizard, broken);
    const std::string goodBefore = pftest::ReadAll(good), brokenBefore = pftest::ReadAll(broken);
    const std::string opened = wizard.ProgramFile(defaultBroken ? "Default (2).PFG" : "Default (3).PFG");
    const pftest::ProgramResult r = wizard.Run({}, Offscreen("OK\nbtnExit\nYes\n"));
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_THAT(r.Err, HasSubstr("A new profile " + opened + " is open instead; the file is left as it is."));
    EXPECT_THAT(r.Err, Not(HasSubstr(".bak")));
    EXPECT_EQ(pftest::ReadAll(good), goodBefore);
    EXPECT_EQ(pftest::ReadAll(broken), brokenBefore);
    EXPECT_THAT(pftest::ReadAll(opened), HasSubstr("<Settings>"));
    EXPECT_FALSE(std::filesystem::exists(good + ".bak"));
  }
}

// Wizards stopped by SIGTERM after another program changed their profile: one without
// changes leaves the file as it is and makes no copy; ones with changes save them under two different free names, and
// say so only when the file is written. On a full disk the message says the settings were not saved.
TEST_F(NavigationTest, WizardsStoppedOnAChangedProfileSaveOnlyWhatTheySay) {
  pftest::ProgramInstall first("procforge"), second("procforge"), cli;
  const std::string profile = cli.File("Shared.PFG");
  // To the Stored Procedures page, tick a box, leave the page; Exit, and stay running.
  const std::string edited = "btnNext\nbtnNext\nbtnNext\nbtnNext\nchkAddExecSPbyName\nbtnNext\nbtnExit\nNo\n";
  // Starts a wizard on the profile and waits until it catches SIGTERM and, when it drives
  // clicks, until it has made them. With a file size limit, the process cannot write a
  // file as large as the profile: a full disk.
  const auto start = [&](pftest::ProgramInstall& w, const std::string& drive, bool fullDisk = false) {
    NameCurrent(w, profile);
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    rlimit small = unlimited;
    small.rlim_cur = 1024;
    const auto handler = signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the program
    if (fullDisk) setrlimit(RLIMIT_FSIZE, &small);
    const int pid = w.Start({}, Offscreen(drive));
    setrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, handler);
    EXPECT_TRUE(pftest::WaitUntilCatching(pid, SIGTERM));
    for (int i = 0;
         i < 1000 && !drive.empty() && pftest::ReadAll(w.File("stderr.txt")).find("message: ") == std::string::npos;
         ++i)
      QTest::qWait(10);
    return pid;
  };
  const auto changeOnDisk = [&](int timeout) {
    ASSERT_EQ(cli.Run({"configure", "--profile", profile, "--set", "IniOptions.ConnTimeout=" + std::to_string(timeout)})
                  .ExitCode,
              0);
  };
  const auto copies = [&] {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(cli.File("")))
      n += e.path().filename().string().starts_with("Shared (");
    return n;
  };
  // Larger than the file size limit below.
  ASSERT_TRUE(NewProfile(cli, profile, "Misc.RunProject=" + std::string(2000, 'p') + ".vbp"));
  // Without changes: the first one stopped saves; the second finds the file changed and
  // leaves it.
  for (int round = 0; round < 2; ++round) {
    const int a = start(first, {}), b = start(second, {});
    if (round == 1) changeOnDisk(40);
    kill(a, SIGTERM);
    EXPECT_EQ(first.Finish(a).ExitCode, 143);
    kill(b, SIGTERM);
    const pftest::ProgramResult r = second.Finish(b);
    EXPECT_EQ(r.ExitCode, 143);
    EXPECT_EQ(copies(), 0) << r.Err;
  }
  // With changes, stopped together.
  const int a = start(first, edited), b = start(second, edited);
  changeOnDisk(41);
  kill(a, SIGTERM);
  kill(b, SIGTERM);
  std::set<std::string> saved;
  for (const auto& [w, pid] : {std::pair{&first, a}, std::pair{&second, b}}) {
    const pftest::ProgramResult r = w->Finish(pid);
    EXPECT_EQ(r.ExitCode, 143);
    const std::string said = "the settings are saved to ";
    ASSERT_THAT(r.Err, HasSubstr(said));
    const size_t at = r.Err.find(said) + said.size();
    const std::string name = r.Err.substr(at, r.Err.find(".\n", at) - at);
    EXPECT_THAT(pftest::ReadAll(name), HasSubstr("<Settings>"));
    saved.insert(name);
  }
  EXPECT_EQ(saved.size(), 2u);
  EXPECT_THAT(pftest::ReadAll(profile), HasSubstr("ConnTimeout=\"41\""));
  // A disk too full for the profile: not saved, and said so.
  const int c = start(first, edited, true);
  changeOnDisk(42);
  kill(c, SIGTERM);
  const pftest::ProgramResult r = first.Finish(c);
  EXPECT_EQ(r.ExitCode, 143);
  EXPECT_THAT(r.Err, HasSubstr("the settings shown here were not saved"));
  EXPECT_THAT(r.Err, Not(HasSubstr("saved to")));
  EXPECT_EQ(copies(), 2);
}

// A profile another program changed since the wizard opened it is not saved over unasked:
// Reload takes the file as it is now, Save As keeps both (cancelling it keeps the wizard
// open), Cancel and Escape save nothing and keep the wizard open.
TEST_F(NavigationTest, ExitAsksBeforeSavingOverAProfileChangedOnDisk) {
  Start();
  const std::string profile = dir.file("Shared.PFG"), mine = dir.file("Mine.PFG");
  Settings().ProfileFileName(profile);
  Settings().Save();
  const auto changeOnDisk = [&](const char* connTimeout) {
    Settings().xIniOptions->Attr("CmdTimeout", Variant("5"));
    CSettings other;
    other.ProfileFileName(profile);
    ASSERT_TRUE(other.ProfileLoad());
    other.xIniOptions->Attr("ConnTimeout", Variant(connTimeout));
    other.Save();
  };
  changeOnDisk("33");
  NextAnswers::Stop();  // the message window itself, answered with its Reload button
  QTimer::singleShot(0, [] {
    for (QPushButton* b : QApplication::activeModalWidget()->findChildren<QPushButton*>())
      if (b->text() == "&Reload") b->click();
  });
  EXPECT_TRUE(ResolveChangedProfile());
  script = &NextAnswers::Start();
  EXPECT_EQ(Settings().xIniOptions->strAttr("CmdTimeout") + Settings().xIniOptions->strAttr("ConnTimeout"), "6033");
  changeOnDisk("34");
  // Escape in the real message window is Cancel: nothing is saved, the wizard stays.
  NextAnswers::Stop();
  QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
  EXPECT_FALSE(ResolveChangedProfile());
  script = &NextAnswers::Start();
  EXPECT_THAT(pftest::ReadAll(profile), HasSubstr("ConnTimeout=\"34\""));
  for (const bool named : {false, true}) {
    Answer(true);
    script->MessageAnswers.push_back(vbRetry);
    script->FileAnswers.push_back(named ? std::optional<std::string>(mine) : std::nullopt);
    Click("btnExit");
    EXPECT_EQ(MGlobals::AppState, named ? MGlobals::AS_EXITING : MGlobals::AS_RUNNING);
  }
  EXPECT_THAT(Shown(), ::testing::Contains(HasSubstr("The profile " + profile + " was changed on disk")));
  EXPECT_THAT(pftest::ReadAll(profile),
              ::testing::AllOf(HasSubstr("ConnTimeout=\"34\""), HasSubstr("CmdTimeout=\"60\"")));
  EXPECT_THAT(pftest::ReadAll(mine), ::testing::AllOf(HasSubstr("ConnTimeout=\"33\""), HasSubstr("CmdTimeout=\"5\"")));
}

// A profile another process keeps locked: the wizard says so and, on Cancel, saves nothing
// (an exit stays); Save As puts the settings under another name.
TEST_F(NavigationTest, SavingAProfileAnotherProcessKeepsLocked) {
  Start();
  const std::string profile = dir.file("Held.PFG"), mine = dir.file("Mine.PFG");
  Settings().ProfileFileName(profile);
  Settings().Save();
  Settings().ProfileLockWaitMs = 200;
  Settings().xIniOptions->Attr("CmdTimeout", Variant("5"));
  // util-linux's flock(1) takes the lock FileLock takes, and holds it until its input ends.
  FILE* other = popen(("flock " + profile + " -c 'read x'").c_str(), "w");
  while (FileIO::FileLock(profile, false, 0).Held()) QTest::qWait(10);
  script->MessageAnswers = {vbCancel, vbNo};
  script->FileAnswers.push_back(mine);
  EXPECT_FALSE(SaveProfile());
  EXPECT_TRUE(SaveProfile());
  pclose(other);
  EXPECT_THAT(Shown(), ::testing::Contains(HasSubstr(
                           "still held it after 1 second; it was not saved, and the settings shown here are kept.")));
  EXPECT_THAT(pftest::ReadAll(profile), Not(HasSubstr("CmdTimeout=\"5\"")));
  EXPECT_THAT(pftest::ReadAll(mine), HasSubstr("CmdTimeout=\"5\""));
}

// The wizard saves under the lock procforge-cli configure holds from its read to its save:
// a configure run racing the wizard's saves never loses its change, and the wizard saves
// over a change on disk only after asking (here: Reload, which drops the wizard's own).
TEST_F(NavigationTest, WizardSavesAndConfigureRunsTakeTurns) {
  Start();
  pftest::ProgramInstall cli;
  const std::string profile = dir.file("Race.PFG");
  Settings().ProfileFileName(profile);
  Settings().Save();
  int lost = 0, askedRounds = 0;
  for (int round = 0; round < 12; ++round) {
    const std::string mine = "CmdTimeout=\"" + std::to_string(100 + round) + "\"",
                      theirs = "ConnTimeout=\"" + std::to_string(200 + round) + "\"";
    Settings().xIniOptions->Attr("CmdTimeout", Variant(100 + round));
    const size_t questions = Shown().size();
    const int pid = cli.Start(
        {"configure", "--profile", profile, "--set", "IniOptions.ConnTimeout=" + std::to_string(200 + round)});
    // The wizard saves again and again while configure runs, until the file holds
    // configure's change, or long after configure has ended; at least once, even when
    // configure was quicker than the first save.
    for (int i = 0; i < 400 && (i == 0 || pftest::ReadAll(profile).find(theirs) == std::string::npos); ++i) {
      script->MessageAnswers.assign(4, vbNo);
      ASSERT_TRUE(SaveProfile());
      QTest::qWait(i < 200 ? 0 : 10);
    }
    const pftest::ProgramResult r = cli.Finish(pid);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    script->MessageAnswers.clear();
    const std::string text = pftest::ReadAll(profile);
    const bool asked = Shown().size() > questions;
    askedRounds += asked;
    const bool lostHere = text.find(theirs) == std::string::npos || (!asked && text.find(mine) == std::string::npos);
    lost += lostHere;
    EXPECT_FALSE(lostHere) << "round " << round << (asked ? " asked: " : ": ")
                           << text.substr(text.find("<IniOptions"), 300);
    // The next round begins from the file as configure left it.
    ASSERT_TRUE(Settings().ProfileLoad());
  }
  EXPECT_EQ(lost, 0) << askedRounds << " of 12 rounds asked";
}

TEST_F(NavigationTest, ErrorReportWindowIsReadOnlyAndResizable) {
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

}  // namespace
