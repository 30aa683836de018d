// What the settings pages do besides binding: the server page, predefined configurations,
// the Oracle package list, the connection-source page (link file and registry), the
// profile page, the file dialogs of the pages and the string-length pair.

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "platform/TextFiles.h"
#include "platform/ado/DataLinkFields.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frmDataLink.h"
#include "wizard/pages/CTablePage.h"
#include "wizard/pages/frmChildFuncConnSrc.h"
#include "wizard/pages/frmChildProfile.h"
#include "wizard/pages/frmChildSrvr.h"

namespace {

using namespace pf;
using namespace pf::wizard;
using namespace wizardtest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class PageActionsTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start();
  }
  CTablePage& Go(const std::string& tag) {
    Main().SelectNodeByTag(tag);
    return *dynamic_cast<CTablePage*>(Main().CurrentForm());
  }
  bwXMLBrowser& X(const char* section) { return Settings().SectionViewer(section); }
  QListWidget* Packages(CTablePage& page) { return qobject_cast<QListWidget*>(page.Control("lstPackages")); }
};

TEST_F(PageActionsTest, ServerPageStoresOnClickReleasesTheServerAndWarnsBeforeDesigningAnAccessString) {
  X("Server").Attr("SrvrType", Variant("1"));
  CTablePage& srvr = Go("frmChildSrvr");
  auto server = Settings().Server();
  srvr.Options("optSrvrType")[3]->click();  // Oracle: stored at once, and the old server object dropped
  EXPECT_EQ(X("Server").strAttr("SrvrType"), "3");
  EXPECT_NE(Settings().Server(), server);
  EXPECT_TRUE(Go("frmChildMethPackages").Control("lstPackages")->isEnabled());

  std::string designed;
  frm0MDIMain::SetConnectionDesigner([&](QWidget*, std::string& s) {
    designed = s;
    s = "DSN=Orders";
    return true;
  });
  Go("frmChildSrvr");
  srvr.Text("txtConnPfg")->setText("DSN=old");
  srvr.Options("optSrvrType")[0]->click();
  Click("btnDesign");
  EXPECT_THAT(Shown(), ElementsAre(frmChildSrvr::kAccessWarning));
  EXPECT_EQ(designed, "DSN=old");
  EXPECT_EQ(srvr.Text("txtConnPfg")->text(), "DSN=Orders");
  srvr.Options("optSrvrType")[1]->click();
  Click("btnDesign");
  EXPECT_EQ(Shown().size(), 1u);  // no warning for SQL Server
}

TEST_F(PageActionsTest, ApplyingEachConfigurationAsksSetsTheProfileAndMovesToTheOutputFiles) {
  X("Server").Attr("SrvrType", Variant("3"));
  struct Case {
    int Conf;
    const char* Key;
    const char* Value;
  };
  for (const Case& c : {Case{0, "COMPlus", "True"}, Case{1, "ImplClassIFace", "True"}, Case{2, "ConnSrcType", "0"}}) {
    SCOPED_TRACE(c.Conf);
    CTablePage& page = Go("frmChildStdConfigs");
    EXPECT_FALSE(page.Button("btnConfigure")->isEnabled());  // "No, thanks" until a choice is made
    page.Options("optConfType")[c.Conf]->click();
    ASSERT_TRUE(page.Button("btnConfigure")->isEnabled());
    X("AddnlFunc").Attr(c.Key, Variant("x"));
    Answer(false);
    Click("btnConfigure");
    EXPECT_EQ(X("AddnlFunc").strAttr(c.Key), "x");
    EXPECT_EQ(Current(), "frmChildStdConfigs");
    Answer(true);
    Click("btnConfigure");
    EXPECT_EQ(X("AddnlFunc").strAttr(c.Key), c.Value);
    EXPECT_EQ(X("StoredProc").strAttr("TypeModel"), c.Conf == 1 ? "2" : "0");
    EXPECT_EQ(Shown().back(), "Your database class settings have been set successfully.");
    EXPECT_EQ(page.OptionIndex("optConfType"), 3);
    EXPECT_EQ(Current(), "frmChildOutputFiles");
  }
  EXPECT_THAT(Shown()[0], StartsWith("All settings will be reset to configuration you've selected.\r\n"));
}

TEST_F(PageActionsTest, PackageListShowsPrefixesStoresSelectionsAndRefreshes) {
  X("Server").Attr("SrvrType", Variant("3"));
  X("Server").Attr("ConnPfg",
                   Variant("Provider=Procforge.Snapshot;Data Source=" + std::string(PF_SOURCE_DIR) + "/samples/oracle/Sales.sql"));
  AddPackage("KEEP_PKG", "Kp", "True");
  AddPackage("DROP_PKG", "", "True");
  CTablePage& page = Go("frmChildMethPackages");
  QListWidget* list = Packages(page);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "KEEP_PKG : Kp");
  EXPECT_TRUE(list->item(1)->isSelected());

  // The prefix of the item clicked is edited below the list.
  list->setCurrentItem(list->item(1));
  page.Text("txtPrefix")->setText("  Dp ");
  EXPECT_EQ(list->item(1)->text(), "DROP_PKG : Dp");
  page.Text("txtPrefix")->setText("");
  list->item(0)->setSelected(false);
  list->item(1)->setSelected(false);

  // Refresh stores the list (the empty, unselected entry goes), then adds the server's packages.
  Click("btnRefresh");
  ASSERT_TRUE(Shown().empty()) << Shown().front();
  std::vector<std::string> items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text().toStdString());
  EXPECT_THAT(items, ElementsAre("(Unpackaged)", "KEEP_PKG : Kp", "ORDER_PKG", "CUSTOMER_API", "ORDER_REPORTS"));
  X("Packages").POP(0);
  ASSERT_TRUE(X("Packages").FindElem("Package", "Name", "KEEP_PKG"));
  EXPECT_EQ(X("Packages").strAttr("Selected"), "False");
  EXPECT_EQ(X("Packages").strAttr("Prefix"), "Kp");

  Answer(false);
  Click("btnSelectAll");
  EXPECT_TRUE(list->selectedItems().isEmpty());
  Answer(true);
  Click("btnSelectAll");
  EXPECT_EQ(list->selectedItems().size(), 5);
  Answer(true);
  Click("btnUnselectAll");
  EXPECT_TRUE(list->selectedItems().isEmpty());

  // A server that cannot be reached: the reason, and the list as it was.
  X("Server").Attr("ConnPfg", Variant("Provider=Procforge.Snapshot;Data Source=" + dir.file("missing.sql")));
  Click("btnRefresh");
  EXPECT_THAT(Shown().back(), StartsWith("Connection failed: "));
  EXPECT_EQ(list->count(), 5);

  // Saving drops the unselected entries without a prefix; the one with a prefix stays.
  Main().SelectNodeByTag("frmChildMethFilter");
  Settings().ProfileFileName(dir.file("p.PFG"));
  Settings().Save();
  X("Packages").POP(0);
  EXPECT_FALSE(X("Packages").FindElem("Package", "Name", "ORDER_PKG"));
  X("Packages").POP(0);
  EXPECT_TRUE(X("Packages").FindElem("Package", "Name", "KEEP_PKG"));

  // Not Oracle: nothing is shown or stored, and the list is disabled.
  X("Server").Attr("SrvrType", Variant("1"));
  const std::string before = Settings().xSettings->xml();
  Go("frmChildMethPackages");
  EXPECT_FALSE(list->isEnabled());
  Main().SelectNodeByTag("frmChildMethFilter");
  EXPECT_EQ(Settings().xSettings->xml(), before);
}

TEST_F(PageActionsTest, LinkFileIsFoundBesideTheProfileCreatedWhenMissingAndEditedInPlace) {
  Settings().ProfileFileName(dir.file("Orders.PFG"));
  X("AddnlFunc").Attr("ConnSrcType", Variant("2"));
  auto& page = dynamic_cast<frmChildFuncConnSrc&>(Go("frmChildFuncConnSrc"));
  struct Case {
    std::string Text, Full;
  };
  for (const Case& c : {Case{"orders.udl", dir.file("orders.udl")}, Case{"/data/a.udl", "/data/a.udl"},
                        Case{"C:\\Links\\b.udl", "C:\\Links\\b.udl"}}) {
    page.Text("txtLinkFile")->setText(QString::fromStdString(c.Text));
    EXPECT_EQ(page.FullLinkPath(), c.Full);
  }

  // Browse to a file that does not exist: asked, created, and opened in the dialog.
  const std::string link = dir.file("new.udl");
  script->FileAnswers.push_back(link);
  Answer(true);
  AcceptDataLink([](frmDataLink& dlg) { dlg.FieldEdit(ado::DataLinkFields::Field::Server)->setText("srv"); });
  Click("btnBrowseLink");
  EXPECT_THAT(Shown(), ElementsAre("File " + link + " does not exist. Do you want to create it?"));
  EXPECT_EQ(script->FileRequests.at(0).Title, "Specify Data Link File");
  EXPECT_EQ(script->FileRequests.at(0).Filter, "Data Link File(*.udl)|*.udl");
  EXPECT_EQ(pftest::ReadAll(link),
            TextFiles::Encode("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                              "Provider=SQLOLEDB.1;Data Source=srv\r\n",
                              "UTF-16LE"));

  // A file that is not a link file is refused and left alone.
  pftest::WriteAll(dir.file("bad.udl"), std::string("\x00\x01\x02garbage", 10));
  page.Text("txtLinkFile")->setText("bad.udl");
  Click("btnEditLink");
  EXPECT_THAT(Shown().back(), StartsWith("Cannot open link file. The file " + dir.file("bad.udl")));
  EXPECT_EQ(pftest::ReadAll(dir.file("bad.udl")), std::string("\x00\x01\x02garbage", 10));
}

TEST_F(PageActionsTest, RegistryTestReadsTheWineHiveAndReportsWithItsTexts) {
  const pftest::ScopedEnv prefix("WINEPREFIX", dir.path().string());
  pftest::WriteAll(dir.file("system.reg"), "WINE REGISTRY Version 2\n\n[Software\\\\Acme] 1\n\"Conn\"=\"DSN=acme\"\n");
  X("AddnlFunc").Attr("ConnSrcType", Variant("3"));
  CTablePage& page = Go("frmChildFuncConnSrc");
  struct Case {
    const char* Key;
    const char* Value;
    const char* Shown;
  };
  for (const Case& c : {Case{"Software\\Acme", "Conn", "Success! String retrieved: \r\n\"DSN=acme\""},
                        Case{"Software\\<Acme>", "Conn", "Invalid SubKey value."},
                        Case{"Software\\None", "Conn",
                             "Failed to retrieve registry value.\r\nFailed to open Registry key: Software\\None"},
                        Case{"Software\\Acme", "Gone",
                             "Failed to retrieve registry value.\r\nFailed to read registry value. Value Name: Gone"}}) {
    page.Text("txtRegKey")->setText(c.Key);
    page.Text("txtValueName")->setText(c.Value);
    Click("btnTestReg");
    EXPECT_EQ(Shown().back(), c.Shown);
  }
}

TEST_F(PageActionsTest, ProfilePageOpensSavesAsAndNeverLosesTheOpenProfile) {
  const std::string first = dir.file("First.PFG"), second = dir.file("Second.PFG"), copy = dir.file("Copy.PFG");
  Settings().ProfileFileName(first);
  Settings().Save();
  Settings().ProfileFileName(second);
  X("Code").Attr("ClassFile", Variant("Second.cls"));
  Settings().Save();
  const std::string secondBytes = pftest::ReadAll(second);

  auto& page = dynamic_cast<frmChildProfile&>(Go("frmChildProfile"));
  QComboBox* cmb = page.Combo("cmbProfile");
  EXPECT_EQ(cmb->currentText().toStdString(), second);
  EXPECT_GE(cmb->findText(QString::fromStdString(first)), 0);

  // Save As: the new file becomes current, the old one stays as it was.
  X("Code").Attr("ClassFile", Variant("Copy.cls"));
  script->FileAnswers.push_back(copy);
  Click("btnSaveAs");
  EXPECT_EQ(script->FileRequests.at(0).Title, "Save Profile As...");
  EXPECT_EQ(Settings().ProfileFileName(), copy);
  EXPECT_EQ(pftest::ReadAll(second), secondBytes);
  EXPECT_THAT(pftest::ReadAll(copy), HasSubstr("Copy.cls"));

  // Opening another profile first saves the open one to its own file.
  X("Code").Attr("ClassFile", Variant("Edited.cls"));
  cmb->setEditText(QString::fromStdString(first));
  QTest::keyClick(cmb->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(Settings().ProfileFileName(), first);
  EXPECT_THAT(pftest::ReadAll(copy), HasSubstr("Edited.cls"));
  EXPECT_TRUE(Shown().empty()) << Shown().front();

  for (const auto& [name, message] : {std::pair<std::string, const char*>{"  ", "Please enter profile location"},
                                      {dir.file("None.PFG"), "File not found at specified location."}}) {
    cmb->setEditText(QString::fromStdString(name));
    QTest::keyClick(cmb->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Shown().back(), message);
  }
  EXPECT_EQ(Settings().ProfileFileName(), first);
}

TEST_F(PageActionsTest, BrowseButtonsUseTheirDialogsAndStringLengthBoxesExcludeEachOther) {
  X("Code").Attr("IncCode", Variant("True"));
  X("StoredProc").Attr("AddExecSPByName", Variant("True"));
  struct Case {
    const char* Page;
    const char* Button;
    const char* Text;
    bool Save;
    const char* Title;
    const char* Filter;
    const char* Ext;
  };
  const Case cases[] = {
      {"frmChildInclude", "btnBrowse", "txtIncCode", false, "Select Include/Override File",
       "VB Source Files (Cls, Bas)|*.cls;*.bas|All Files|*.*", "Cls"},
      {"frmChildOutputFiles", "btnBrowseClass", "txtClassFileName", true, "Save Database Class As...",
       "VB Class|*.cls", "cls"},
      {"frmChildOutputFiles", "btnBrowseModule", "txtParamDefsFileName", true,
       "Save Parameters Definitions Module As...", "VB Module|*.bas", "bas"},
  };
  for (const Case& c : cases) {
    CTablePage& page = Go(c.Page);
    script->FileRequests.clear();
    script->FileAnswers.push_back(dir.file(c.Button));
    Click(c.Button);
    ASSERT_EQ(script->FileRequests.size(), 1u) << c.Button;
    EXPECT_EQ(script->FileRequests[0].Save, c.Save);
    EXPECT_EQ(script->FileRequests[0].Title, c.Title);
    EXPECT_EQ(script->FileRequests[0].Filter, c.Filter);
    EXPECT_EQ(script->FileRequests[0].Ext, c.Ext);
    EXPECT_EQ(page.Text(c.Text)->text().toStdString(), dir.file(c.Button));
  }

  X("IniOptions").Attr("StrLenRaise", Variant("False"));
  X("IniOptions").Attr("StrLenTrim", Variant("True"));
  CTablePage& strLen = Go("frmChildInitStrLen");
  strLen.Check("chkRaiseErr")->click();
  EXPECT_FALSE(strLen.Check("chkTrim")->isChecked());
  strLen.Check("chkTrim")->click();
  EXPECT_FALSE(strLen.Check("chkRaiseErr")->isChecked());
  strLen.Check("chkTrim")->click();  // unticking clears nothing
  EXPECT_FALSE(strLen.Check("chkTrim")->isChecked());

  X("Server").Attr("ConnPfg", Variant("DSN=catalogue"));
  X("IniOptions").Attr("ConnUseDft", Variant("True"));
  CTablePage& dft = Go("frmChildInitConnDft");
  Click("btnCopy");
  EXPECT_EQ(dft.Text("txtConnDft")->text(), "DSN=catalogue");
}

}  // namespace
