// Saves a picture of the main window on each of its pages, and of the windows around it,
// into the folder PF_SCREENSHOT_DIR names. Runs only on a real display, through the build
// target "screenshots" (under xvfb-run); the pictures are for people to look at, not
// compared. The picture the README and the AppStream metadata show goes to the file
// PF_DOCS_SCREENSHOT names, rewritten only when its pixels change, so that an unchanged
// window leaves the committed file alone.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>

#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/CCodeView.h"
#include "wizard/CChildForm.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0Run.h"
#include "wizard/frm0VBCode.h"
#include "wizard/frmDataLink.h"

namespace {

using namespace wizardtest;

class Screenshots : public WizardTest {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb" || !std::getenv("PF_SCREENSHOT_DIR"))
      GTEST_SKIP() << "screenshots are taken under xvfb-run";
    folder = QString::fromLocal8Bit(std::getenv("PF_SCREENSHOT_DIR"));
    QDir().mkpath(folder);
    WizardTest::SetUp();
    Start();
    clockMs += 5000;
    for (int i = 0; i < 6; ++i) Main().tmrTransp_Timer();  // faded in
  }
  void Save(QWidget* w, const QString& name) {
    QTest::qWait(30);
    EXPECT_TRUE(w->grab().save(folder + "/" + name + ".png")) << name.toStdString();
  }
  QString folder;
};

TEST_F(Screenshots, EveryPageOfTheMainWindow) {
  // At the starting size, then grown with every group of the tree open.
  for (const char* size : {"", "_large"}) {
    int i = 0;
    for (const std::string& tag : TreeTags()) {
      Main().SelectNodeByTag(tag);
      ASSERT_EQ(Current(), tag);
      Save(&Main(), QString("wizard_%1_%2%3").arg(++i, 2, 10, QChar('0')).arg(QString::fromStdString(tag), size));
    }
    Main().resize(1000, 720);
    Main().Tree()->expandAll();
  }
  frmDataLink link("Provider=SQLOLEDB;Data Source=sql01;Initial Catalog=Sales;User ID=gen;Password=secret", nullptr,
                   &Main());
  link.show();
  Save(&link, "frmDataLink");
  frm0Run run(&Main());
  run.Message("Building method for procedure dbo.spOrderDetailsInsertWithAVeryLongName");
  run.SetCount(12, 38);
  run.show();
  Save(&run, "frm0Run");
}

TEST_F(Screenshots, CodeViewerWithTheSampleClassAndTheHelpWindow) {
  UseSampleProfile(dir.file("COrderEntryDB.cls"), "");
  GenerateWithViewers();
  ASSERT_NE(ClassViewer(), nullptr);
  ASSERT_TRUE(ClassViewer()->isVisible());
  // Down to the procedure methods, where keywords, strings, comments and rules meet.
  pf::wizard::CCodeView* view = ClassViewer()->View();
  const QTextCursor at = view->document()->find(QRegularExpression("^Public Function ExecCustomerInsert"));
  ASSERT_FALSE(at.isNull());
  view->verticalScrollBar()->setValue(at.blockNumber() - 6);
  Save(ClassViewer(), "frm0VBCode");

  // The server page with the sample's connection string as the repository holds it,
  // without the test's absolute path.
  std::string conn = Settings().xServer->strAttr("ConnPfg");
  conn.erase(conn.find(PF_SOURCE_DIR), std::string(PF_SOURCE_DIR "/").size());
  Settings().xServer->Attr("ConnPfg", pf::Variant(conn));
  Main().SelectNodeByTag("frmChildSrvr");
  Main().Tree()->scrollToTop();
  if (const char* docs = std::getenv("PF_DOCS_SCREENSHOT")) {
    const QImage now = Main().grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (QImage(docs).convertToFormat(QImage::Format_RGB32) != now) {
      EXPECT_TRUE(now.save(docs)) << docs;
    }
  }
  Click("btnHelp");
  ASSERT_NE(Main().HelpForm(), nullptr);
  QTest::qWait(200);
  Save(Main().HelpForm(), "frmHelp");
  // Both windows as they stand on the screen.
  EXPECT_TRUE(Main().screen()->grabWindow(0).save(folder + "/frmHelp_beside_main.png"));
}

// What a first-time user meets: the file dialog of the start page's sample button on a
// new profile, and the message and page after a cancelled run.
TEST_F(Screenshots, FirstUseDialogAndCancelledRun) {
  std::filesystem::create_directory_symlink(PF_SOURCE_DIR "/samples", dir.path() / "samples");
  NextAnswers::Stop();
  const auto grabModal = [this](const QString& name) {
    QTimer::singleShot(600, [this, name] {
      QWidget* modal = QApplication::activeModalWidget();
      ASSERT_NE(modal, nullptr) << name.toStdString();
      Save(modal, name);
      EXPECT_TRUE(Main().screen()->grabWindow(0).save(folder + "/" + name + "_screen.png"));
      modal->close();
    });
  };
  grabModal("first_use_snapshot_dialog");
  Click("btnOpenSample");
  script = &NextAnswers::Start();

  UseSampleProfile(dir.file("COrderEntryDB.cls"), dir.file("MOrderEntryParams.bas"));
  Main().SelectNodeByTag("frmChildBuildCode");
  QTimer cancel;
  cancel.setInterval(0);
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    auto* run = Main().findChild<frm0Run*>();
    if (!run || !run->isVisible() || !run->MessageText().contains("Processing")) return;
    cancel.stop();
    NextAnswers::Stop();
    grabModal("cancelled_run_message");
    QTest::mouseClick(run->CancelButton(), Qt::LeftButton);
  });
  cancel.start();
  Click("btnStart");
  script = &NextAnswers::Start();
  Save(&Main(), "cancelled_run_page");
}

}  // namespace
