// Saves a picture of the main window on each of its pages, and of the windows around it,
// into the folder PF_SCREENSHOT_DIR names. Runs only on a real display (under xvfb-run);
// the pictures are for people to look at, not compared.

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QTest>

#include <cstdlib>

#include "wizard/CChildForm.h"
#include "wizard/MStartExit.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0Run.h"

namespace {

using namespace pf::wizard;
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
  int i = 0;
  for (const std::string& tag : TreeTags()) {
    Main().SelectNodeByTag(tag);
    ASSERT_EQ(Current(), tag);
    Save(&Main(), QString("wizard_%1_%2").arg(++i, 2, 10, QChar('0')).arg(QString::fromStdString(tag)));
  }
  frm0Run run(&Main());
  run.Message("Building method for procedure dbo.spOrderDetailsInsertWithAVeryLongName");
  run.show();
  Save(&run, "frm0Run");
}

}  // namespace
