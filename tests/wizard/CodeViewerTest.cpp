// The code viewers after a generation run: what they show and from which file, Copy,
// Save As, closing, a temporary file that cannot be made, Cancel, and reuse across runs.

#include <gmock/gmock.h>

#include <QAccessible>

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTest>

#include <filesystem>

#include "errors/AppError.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "shell/MCode2HTML.h"
#include "wizard/CCodeView.h"
#include "wizard/CChildForm.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0VBCode.h"

namespace {

using namespace pf;
using namespace pf::wizard;
using namespace wizardtest;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

std::string WithoutCr(std::string s) {
  std::erase(s, '\r');
  return s;
}

class CodeViewerTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start();
    UseSampleProfile(files[1], files[0]);
  }
  frm0VBCode* Viewer(int type) const { return type == 1 ? ClassViewer() : ParamDefsViewer(); }
  // The code a viewer got: its file without the prolog the generation command wrote.
  std::string Code(int type) const {
    const std::string prolog = type == 1 ? Settings().BuildClassProlog() : Settings().BuildModuleProlog();
    const std::string file = pftest::ReadAll(files[type]);
    EXPECT_EQ(file.rfind(prolog, 0), 0u);
    return file.substr(prolog.size());
  }
  const std::string files[2] = {dir.file("MOrderEntry.bas"), dir.file("COrderEntry.cls")};
};

TEST_F(CodeViewerTest, ClassAndModuleShownFromTheirTemporaryFilesAndReusedByTheNextRun) {
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
    EXPECT_EQ(view->toPlainText().toStdString(), WithoutCr(code));
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

TEST_F(CodeViewerTest, CopyTakesTheCodeSaveAsTheWholeFileAndCloseDeletesTheTemporaryFile) {
  GenerateWithViewers();
  struct Expect {
    int type;
    const char* filter;
    const char* ext;
  };
  for (const Expect& e : {Expect{1, "VB Class|*.cls", "cls"}, Expect{0, "VB Module|*.bas", "bas"}}) {
    frm0VBCode* v = Viewer(e.type);
    QApplication::clipboard()->setText("something else");
    QTest::mouseClick(v->findChild<QPushButton*>("btnCopy"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), Code(e.type)) << "only the code, without the header";

    const std::string saved = dir.file(std::string("saved.") + e.ext);
    script->FileAnswers.push_back(saved);
    QTest::mouseClick(v->findChild<QPushButton*>("btnSaveAs"), Qt::LeftButton);
    ASSERT_FALSE(script->FileRequests.empty());
    const NextAnswers::FileRequest& req = script->FileRequests.back();
    EXPECT_TRUE(req.Save);
    EXPECT_EQ(req.Filter, e.filter);
    EXPECT_EQ(req.Ext, e.ext);
    EXPECT_EQ(req.Title, "Save As...");
    EXPECT_EQ(req.Initial, files[e.type]);
    EXPECT_EQ(pftest::ReadAll(saved), pftest::ReadAll(files[e.type])) << "header and code";

    // Cancel in the dialog writes nothing.
    script->FileAnswers.push_back(std::nullopt);
    fs::remove(saved);
    QTest::mouseClick(v->findChild<QPushButton*>("btnSaveAs"), Qt::LeftButton);
    EXPECT_FALSE(fs::exists(saved));

    const std::string temp = v->TempFileName();
    ASSERT_TRUE(fs::exists(temp));
    v->close();
    EXPECT_FALSE(v->isVisible());
    EXPECT_FALSE(fs::exists(temp));
  }
  EXPECT_TRUE(Shown().empty()) << Shown().front();
}

TEST_F(CodeViewerTest, TemporaryFileThatCannotBeMadeLeavesTheViewerClosedAndTheFilesWritten) {
  const std::string temp = frm0VBCode::TempFileFor(1);
  fs::create_directories(temp);  // a folder where the file should go
  GenerateWithViewers();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_THAT(Shown()[0], HasSubstr("Cannot create temporary file " + temp + "\r\n"));
  EXPECT_FALSE(ClassViewer()->isVisible());
  EXPECT_TRUE(ParamDefsViewer()->isVisible());
  EXPECT_THAT(pftest::ReadAll(files[1]), HasSubstr("Attribute VB_Name = \"COrderEntry\""));
  EXPECT_EQ(Current(), "frmChildRunVBProject");
}

TEST_F(CodeViewerTest, CancelWhileFormattingLeavesTheViewerClosed) {
  frm0VBCode viewer(&Main());
  CProgress progress;
  progress.Cancelled = true;
  const AppError e = pftest::Raised([&] { viewer.SetCode(1, "prolog\r\n", "Dim x\r\n", files[1], &progress); });
  EXPECT_EQ(e.Number, ERR_CANCELED);
  EXPECT_FALSE(viewer.isVisible());
  EXPECT_FALSE(fs::exists(frm0VBCode::TempFileFor(1)));
}

}  // namespace
