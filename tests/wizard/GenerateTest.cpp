// A whole generation run from the Start button: the progress window, the disabled main
// window, Cancel, the files written, the results page, the run-project actions and the
// code viewers.

#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <tuple>

#include "driver/MGlobals.h"
#include "errors/AppError.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "shell/MCode2HTML.h"
#include "support/PgServer.h"
#include "wizard/CChildForm.h"
#include "wizard/CCodeView.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0Run.h"
#include "wizard/frm0VBCode.h"
#include "xml/bwXMLBrowser.h"

namespace {

using namespace wizardtest;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

class GenerateTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start();
    UseSampleProfile(classFile, moduleFile);
    Main().SelectNodeByTag("frmChildBuildCode");
  }

  // Watches the run from inside: every pass of the window thread's event loop during the
  // run records the progress window's message (the run works on a thread of its own);
  // Cancel is pressed after cancelAfter messages, or when the message is cancelAt (never
  // when 0 or empty).
  void StartRun(size_t cancelAfter = 0, const std::string& cancelAt = {}) {
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [this, cancelAfter, cancelAt] {
      auto* run = Main().findChild<frm0Run*>();
      if (!run || !run->isVisible()) return;
      const std::string text = run->MessageText().toStdString();
      if (messages.empty() || messages.back() != text) messages.push_back(text);
      if ((cancelAfter && messages.size() == cancelAfter) || (!cancelAt.empty() && text == cancelAt))
        QTest::mouseClick(run->CancelButton(), Qt::LeftButton);
    });
    watch.start();
    Click("btnStart");
  }

  QString Figure(const char* name) { return Child<QLabel>(Main().CurrentForm(), name).text(); }
  frm0VBCode* Viewer(int type) const { return type == 1 ? ClassViewer() : ParamDefsViewer(); }
  // The code a viewer got: its file without the prolog the generation command wrote.
  std::string Code(int type) const {
    const std::string prolog = type == 1 ? Settings().BuildClassProlog() : Settings().BuildModuleProlog();
    const std::string file = pftest::ReadAll(files[type]);
    EXPECT_EQ(file.rfind(prolog, 0), 0u);
    return file.substr(prolog.size());
  }

  const std::string files[2] = {dir.file("MOrderEntry.bas"), dir.file("COrderEntry.cls")};
  const std::string &classFile = files[1], &moduleFile = files[0];
  std::vector<std::string> messages;
};

// Cancel mid-run: nothing written, and the user is told so; the progress window counts
// the procedures on a bar as it goes.
TEST_F(GenerateTest, CancelMidRunWritesNothingAndSaysSo) {
  pftest::WriteAll(classFile, "old class");
  std::vector<std::pair<int, int>> counts;
  QTimer watchBar;
  watchBar.setInterval(0);
  QObject::connect(&watchBar, &QTimer::timeout, [&] {
    if (auto* bar = Main().findChild<QProgressBar*>("barProgress"); bar && bar->isVisible())
      if (counts.empty() || counts.back() != std::pair(bar->value(), bar->maximum()))
        counts.emplace_back(bar->value(), bar->maximum());
  });
  watchBar.start();
  StartRun(5);
  watchBar.stop();
  EXPECT_EQ(messages.size(), 5u);
  // The SQL Server sample lists 38 procedures and functions.
  EXPECT_THAT(counts, ::testing::Contains(::testing::Pair(::testing::Ge(1), 38))) << ::testing::PrintToString(counts);
  EXPECT_EQ(Shown(), std::vector<std::string>{"The run was cancelled: nothing was written."});
  EXPECT_EQ(pftest::ReadAll(classFile), "old class");
  EXPECT_FALSE(std::filesystem::exists(moduleFile) && std::filesystem::file_size(moduleFile) > 0);
  EXPECT_EQ(Current(), "frmChildBuildCode");
  EXPECT_TRUE(Child<QWidget>(&Main(), "pnlMain").isEnabled());
  EXPECT_EQ(Main().findChild<frm0Run*>(), nullptr);

  // Closing the main window during a run cancels the run instead of exiting under it.
  script->Messages.clear();
  QTimer::singleShot(0, &Main(), [this] { Main().close(); });
  Click("btnStart");
  EXPECT_EQ(MGlobals::AppState, MGlobals::AS_RUNNING);
  EXPECT_EQ(pftest::ReadAll(classFile), "old class");
  EXPECT_EQ(Shown(), std::vector<std::string>{"The run was cancelled: nothing was written."});
  script->Messages.clear();

  // A stop signal during a run cancels the run, then ends the program through its exit,
  // which saves the profile.
  const std::string profile = Settings().ProfileFileName();
  QTimer::singleShot(0, &Main(), [] { MStartExit::StopForSignal(SIGTERM); });
  Click("btnStart");
  EXPECT_TRUE(QTest::qWaitFor([] { return MGlobals::AppState == MGlobals::AS_EXITING; }, 5000));
  EXPECT_EQ(pftest::ReadAll(classFile), "old class");
  EXPECT_TRUE(std::filesystem::exists(profile));
  EXPECT_EQ(MStartExit::MainForm(), nullptr);
  EXPECT_TRUE(Shown().empty()) << Shown().front();
}

// A Cancel when the build is over and the files are about to be written stops the run
// with nothing written; once they are written (the code viewers fill) the files are there,
// and the run says that it finished instead of stopping silently.
TEST_F(GenerateTest, CancelAtTheLastCancellationPointWritesNothingLaterItFinishes) {
  SetCodeViewer([this](int, const std::string&, std::string_view, const std::string&, CProgress* progress) {
    if (auto* run = Main().findChild<frm0Run*>()) QTest::mouseClick(run->CancelButton(), Qt::LeftButton);
    progress->Message("Formatting");
  });
  for (const bool finished : {false, true}) {
    SCOPED_TRACE(finished);
    Main().SelectNodeByTag("frmChildBuildCode");
    Child<QCheckBox>(Main().CurrentForm(), "chkShowCodeInViewer").setChecked(finished);
    pftest::WriteAll(classFile, "old class");
    script->Messages.clear();
    StartRun(0, finished ? "" : " Writing the files");
    EXPECT_EQ(pftest::ReadAll(classFile) != "old class", finished);
    EXPECT_EQ(Current(), finished ? "frmChildRunVBProject" : "frmChildBuildCode");
    ASSERT_THAT(Shown(), ::testing::SizeIs(1));
    EXPECT_THAT(Shown()[0], HasSubstr(finished ? "the files were already being written. The run has finished"
                                               : "The run was cancelled: nothing was written."));
  }
}

// The run's warnings: on the results page after a run, on the build page after a run
// whose checks failed (they may say why; the check's message is shown and nothing is
// built), and gone once a run has none.
TEST_F(GenerateTest, WarningsFollowTheRunToTheResultsOrStayWithAFailure) {
  const auto warnings = [this] {
    std::vector<std::string> texts;
    auto* list = Main().CurrentForm()->findChild<QListWidget*>("lstWarnings");
    if (list && list->isVisibleTo(Main().CurrentForm()))
      for (int i = 0; i < list->count(); ++i) texts.push_back(list->item(i)->text().toStdString());
    return texts;
  };
  const auto lenient = ::testing::Contains(HasSubstr("IniOptions.CmdTimeout holds 'xyz'"));
  Settings().xIniOptions->Attr("CmdTimeout", Variant("xyz"));
  StartRun();
  ASSERT_EQ(Current(), "frmChildRunVBProject");
  EXPECT_THAT(warnings(), lenient);
  // The results page shows the figures of the files written.
  EXPECT_GE(messages.size(), 3u);
  EXPECT_THAT(pftest::ReadAll(classFile), HasSubstr("Attribute VB_Name = \"COrderEntry\""));
  EXPECT_TRUE(Figure("lblNumChars").contains(','));
  EXPECT_GT(Figure("lblNumSPs").toInt(), 0);

  Main().SelectNodeByTag("frmChildBuildCode");
  EXPECT_TRUE(warnings().empty());
  Settings().xIniOptions->Attr("CmdTimeout", Variant("xyz"));
  Settings().xCode->Attr("ClassFile", Variant(""));
  messages.clear();
  StartRun();
  ASSERT_EQ(Current(), "frmChildBuildCode");
  EXPECT_THAT(warnings(), lenient);
  EXPECT_THAT(Shown(), ::testing::ElementsAre("Please specify output class file name"));
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(Child<QWidget>(&Main(), "pnlMain").isEnabled());

  Settings().xIniOptions->Attr("CmdTimeout", Variant("60"));
  Settings().xCode->Attr("ClassFile", Variant(classFile));
  // Without sp_GetCustomer, whose method name usp_GetCustomer would take with a counter, and
  // without usp_InventoryAdjust, whose bigint is declared Variant with a warning.
  Settings().xStoredProc->Attr("MethFilterExc", Variant("dt_*;sp_GetCustomer;usp_InventoryAdjust"));
  StartRun();
  ASSERT_EQ(Current(), "frmChildRunVBProject");
  EXPECT_TRUE(warnings().empty()) << testing::PrintToString(warnings());

  // Saved queries the Access catalogue leaves out are listed as well.
  UseSampleProfile(classFile, "", "access/Orders.PFG");
  Main().SelectNodeByTag("frmChildBuildCode");
  StartRun();
  ASSERT_EQ(Current(), "frmChildRunVBProject");
  EXPECT_THAT(warnings(), ::testing::Contains(HasSubstr("\"qryCustomerInvoices\" is left out of the class: its "
                                                        "parameters refer to form controls")));
}

// The server ends the session in the middle of the run: the run stops with the cause and
// writes nothing.
TEST_F(GenerateTest, ALostConnectionStopsTheRunAndWritesNothing) {
  UseSampleProfile(classFile, "", "access/Orders.PFG");
  pftest::PgServer& pg = pftest::PgServer::Shared();
  Settings().xServer->Attr("ConnPfg", Variant(pg.OdbcString(pg.SessionEndingCatalogue())));
  StartRun();
  ASSERT_THAT(Shown(), ::testing::SizeIs(1));
  EXPECT_THAT(Shown()[0], HasSubstr("Connection to the server was lost: "));
  EXPECT_EQ(Current(), "frmChildBuildCode");
  EXPECT_FALSE(std::filesystem::exists(classFile));
}

TEST_F(GenerateTest, ProgressWindowCutsLongMessagesAndItsCancelStopsTheViewer) {
  frm0Run run(&Main());
  run.Message(std::string(46, 'x'));
  EXPECT_EQ(run.MessageText().toStdString(), " " + std::string(45, 'x') + " ...");
  CProgress progress;
  run.Progress = &progress;
  QTest::mouseClick(run.CancelButton(), Qt::LeftButton);
  EXPECT_TRUE(progress.Cancelled);
  // A cancel while the viewer formats the code leaves it closed, without a temporary file.
  frm0VBCode viewer(&Main());
  const AppError e = pftest::Raised([&] { viewer.SetCode(1, "prolog\r\n", "Dim x\r\n", files[1], &progress); });
  EXPECT_EQ(e.Number, ERR_CANCELED);
  EXPECT_FALSE(viewer.isVisible());
  EXPECT_FALSE(fs::exists(frm0VBCode::TempFileFor(1)));
}

// The code viewers after a generation run: what they show and from which file, Copy,
// Save As, closing, a temporary file that cannot be made, Cancel, and reuse across runs;
// the two open one beside the other.
TEST_F(GenerateTest, ClassAndModuleShownFromTheirTemporaryFilesAndReusedByTheNextRun) {
  GenerateWithViewers();
  ASSERT_TRUE(Shown().empty()) << Shown().front();
  frm0VBCode* first[2] = {ParamDefsViewer(), ClassViewer()};
  for (int type : {1, 0}) {
    frm0VBCode* v = Viewer(type);
    ASSERT_NE(v, nullptr) << type;
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(v->windowTitle().toStdString(), files[type] + " (Procforge)");
    // A screen reader finds a frame holding named code.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(v)->role(), QAccessible::Window);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(v->View())->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(v->TempFileName(), dir.file(type == 1 ? "$$$TmpCls.htm" : "$$$TmpBas.htm"));

    const std::string code = Code(type);
    std::string html;
    MCode2HTML::VBCodeToHTML(code, html, false, true);
    EXPECT_EQ(pftest::ReadAll(v->TempFileName()), html + "\r\n");

    // The view shows the code itself, coloured, with a rule after every procedure.
    CCodeView* view = v->View();
    EXPECT_EQ(view->toPlainText().toStdString(), pftest::ReplaceAll(code, "\r", ""));
    size_t rules = 0;
    for (size_t at = html.find("<HR"); at != std::string::npos; at = html.find("<HR", at + 1)) ++rules;
    EXPECT_EQ(view->RuleLines().size(), rules);
    if (type == 1) {
      EXPECT_GT(rules, 20u);
      const QString text = view->toPlainText();
      EXPECT_EQ(view->ColorAt(text.indexOf("\nPrivate ") + 1), QColor("#000080"));
      EXPECT_EQ(view->ColorAt(text.indexOf("\n'") + 1), QColor("#008000"));
      EXPECT_EQ(view->ColorAt(text.indexOf("\"RETURN_VALUE\"")), QColor("#808080"));
      EXPECT_EQ(view->ColorAt(text.indexOf("mConnection")), view->palette().color(QPalette::Text));
    }
  }

  const QPoint step = ParamDefsViewer()->frameGeometry().topLeft() - ClassViewer()->frameGeometry().topLeft();
  EXPECT_GE(std::min(std::abs(step.x()), std::abs(step.y())), 24) << "one viewer hides the other's title bar";
  // Minimising the main window takes the viewers along.
  Main().setWindowState(Qt::WindowMinimized);
  QApplication::processEvents();
  EXPECT_FALSE(ClassViewer()->isVisible());
  Main().setWindowState(Qt::WindowNoState);
  QApplication::processEvents();
  EXPECT_TRUE(ClassViewer()->isVisible());

  GenerateWithViewers();
  EXPECT_EQ(ClassViewer(), first[1]);
  EXPECT_EQ(ParamDefsViewer(), first[0]);
  EXPECT_EQ(Main().findChildren<frm0VBCode*>().size(), 2);
  EXPECT_TRUE(ClassViewer()->isVisible() && ParamDefsViewer()->isVisible());
}

TEST_F(GenerateTest, CopyTakesTheCodeSaveAsTheWholeFileAndCloseDeletesTheTemporaryFile) {
  GenerateWithViewers();
  for (const auto& [type, filter, ext] :
       {std::tuple(1, "VB Class|*.cls", "cls"), std::tuple(0, "VB Module|*.bas", "bas")}) {
    frm0VBCode* v = Viewer(type);
    QApplication::clipboard()->setText("something else");
    QTest::mouseClick(&Child<QPushButton>(v, "btnCopy"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), Code(type)) << "only the code, without the header";

    const std::string saved = dir.file(std::string("saved.") + ext);
    script->FileAnswers.push_back(saved);
    QTest::mouseClick(&Child<QPushButton>(v, "btnSaveAs"), Qt::LeftButton);
    ASSERT_FALSE(script->FileRequests.empty());
    const NextAnswers::FileRequest& req = script->FileRequests.back();
    EXPECT_EQ(std::tuple(req.Save, req.Filter, req.Ext, req.Title, req.Initial),
              std::tuple(true, std::string(filter), std::string(ext), std::string("Save As..."), files[type]));
    EXPECT_EQ(pftest::ReadAll(saved), pftest::ReadAll(files[type])) << "header and code";

    // Cancel in the dialog writes nothing.
    script->FileAnswers.push_back(std::nullopt);
    fs::remove(saved);
    QTest::mouseClick(&Child<QPushButton>(v, "btnSaveAs"), Qt::LeftButton);
    EXPECT_FALSE(fs::exists(saved));

    const std::string temp = v->TempFileName();
    ASSERT_TRUE(fs::exists(temp));
    // Escape closes the viewer, as it closes a dialog.
    v->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v));
    QApplication::processEvents();
    QTest::keyClick(v, Qt::Key_Escape);
    EXPECT_FALSE(v->isVisible());
    EXPECT_FALSE(fs::exists(temp));
  }
  EXPECT_TRUE(Shown().empty()) << Shown().front();
}

TEST_F(GenerateTest, TemporaryFileThatCannotBeMadeLeavesTheViewerClosedAndTheFilesWritten) {
  const std::string temp = frm0VBCode::TempFileFor(1);
  fs::create_directories(temp);  // a folder where the file should go
  GenerateWithViewers();
  EXPECT_THAT(Shown(), ::testing::ElementsAre(HasSubstr("Cannot create temporary file " + temp + "\r\n")));
  EXPECT_FALSE(ClassViewer()->isVisible());
  EXPECT_TRUE(ParamDefsViewer()->isVisible());
  EXPECT_THAT(pftest::ReadAll(files[1]), HasSubstr("Attribute VB_Name = \"COrderEntry\""));
  EXPECT_EQ(Current(), "frmChildRunVBProject");
}

}  // namespace
