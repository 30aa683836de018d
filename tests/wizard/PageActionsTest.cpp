// What the settings pages do besides binding: the server page, predefined configurations,
// the Oracle package list, the connection-source page (link file and registry), the
// profile page, the file dialogs of the pages, the string-length pair and the
// connection-string dialog.

#include <gmock/gmock.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <map>

#include "platform/TextFiles.h"
#include "platform/ado/DataLinkFields.h"
#include "settings/CSettings.h"
#include "support/SettingsTestEnv.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frmDataLink.h"
#include "wizard/pages/CTablePage.h"
#include "wizard/pages/frmChildFuncConnSrc.h"
#include "wizard/pages/frmChildProfile.h"
#include "wizard/pages/frmChildSrvr.h"
#include "xml/bwXMLBrowser.h"

namespace {

using namespace wizardtest;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using Field = ado::DataLinkFields::Field;

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
  Need(srvr.Text("txtConnPfg"), "txtConnPfg").setText("DSN=old");
  srvr.Options("optSrvrType")[0]->click();
  Click("btnDesign");
  EXPECT_THAT(Shown(), ElementsAre(frmChildSrvr::kAccessWarning));
  EXPECT_EQ(designed, "DSN=old");
  EXPECT_EQ(Need(srvr.Text("txtConnPfg"), "txtConnPfg").text(), "DSN=Orders");
  srvr.Options("optSrvrType")[1]->click();
  Click("btnDesign");
  EXPECT_EQ(Shown().size(), 1u);  // no warning for SQL Server
}

// The fifth server type: its option stores 4, the keys a configuration sets by server type
// follow it (functions wrapped, no procedure prefixes cut), and a PostgreSQL snapshot chosen
// with "Use a snapshot file..." sets it.
TEST_F(PageActionsTest, PostgreSqlOptionFollowsItsKeysAndItsSnapshots) {
  X("Server").Attr("SrvrType", Variant("1"));
  CTablePage& srvr = Go("frmChildSrvr");
  srvr.Options("optSrvrType")[4]->click();
  EXPECT_EQ(X("Server").strAttr("SrvrType"), "4");
  EXPECT_EQ(X("StoredProc").strAttr("AddOraFunctions"), "True");
  EXPECT_EQ(X("StoredProc").strAttr("MethRmvPfxs"), "");
  EXPECT_TRUE(Go("frmChildMeth").Control("chkAddOraFunctions")->isEnabled());

  Go("frmChildSrvr");
  srvr.Options("optSrvrType")[1]->click();
  EXPECT_EQ(X("StoredProc").strAttr("MethRmvPfxs"), "sp_;usp_;sp;usp");
  pftest::TempDir dir;
  const std::string snapshot = dir.file("pg.sql");
  pftest::WriteAll(snapshot,
                   "CREATE TABLE pg_proc (oid TEXT);\nCREATE TABLE pg_type (oid TEXT);\n"
                   "CREATE TABLE SnapshotInfo (Key TEXT, Value TEXT);\n"
                   "INSERT INTO SnapshotInfo VALUES ('ServerType', '4');\n");
  script->FileAnswers.push_back(snapshot);
  Click("btnUseSnapshot");
  EXPECT_TRUE(Shown().empty()) << Shown().front();
  EXPECT_EQ(srvr.OptionIndex("optSrvrType"), 4);
  EXPECT_EQ(X("Server").strAttr("SrvrType"), "4");
  EXPECT_EQ(X("Server").strAttr("ConnPfg"), "Provider=Procforge.Snapshot;Data Source=" + snapshot);
}

TEST_F(PageActionsTest, PackageListShowsPrefixesStoresSelectionsAndRefreshes) {
  X("Server").Attr("SrvrType", Variant("3"));
  X("Server").Attr("ConnPfg",
                   Variant("Provider=Procforge.Snapshot;Data Source=" + std::string(PF_SOURCE_DIR) + "/samples/oracle/Sales.sql"));
  pftest::AddPackage(Settings(), "KEEP_PKG", "Kp", "True");
  pftest::AddPackage(Settings(), "DROP_PKG", "-", "True");
  CTablePage& page = Go("frmChildMethPackages");
  auto* list = qobject_cast<QListWidget*>(page.Control("lstPackages"));
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "KEEP_PKG : Kp");
  EXPECT_TRUE(list->item(1)->isSelected());

  // The prefix of the item clicked is edited below the list.
  list->setCurrentItem(list->item(1));
  Need(page.Text("txtPrefix"), "txtPrefix").setText("  Dp ");
  EXPECT_EQ(list->item(1)->text(), "DROP_PKG : Dp");
  Need(page.Text("txtPrefix"), "txtPrefix").setText("");
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
  EXPECT_THAT(Shown().back(), HasSubstr("? Every package in the list will be selected"));  // the reason
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
  for (const auto& [text, full] : std::map<std::string, std::string>{{"orders.udl", dir.file("orders.udl")},
                                                                     {"/data/a.udl", "/data/a.udl"},
                                                                     {"C:\\Links\\b.udl", "C:\\Links\\b.udl"}}) {
    Need(page.Text("txtLinkFile"), "txtLinkFile").setText(QString::fromStdString(text));
    EXPECT_EQ(page.FullLinkPath(), full);
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
  Need(page.Text("txtLinkFile"), "txtLinkFile").setText("bad.udl");
  Click("btnEditLink");
  EXPECT_THAT(Shown().back(), StartsWith("Cannot open link file. The file " + dir.file("bad.udl")));
  EXPECT_EQ(pftest::ReadAll(dir.file("bad.udl")), std::string("\x00\x01\x02garbage", 10));
}

// The connection-string dialog: sample strings and a link file come back byte for byte,
// field edits change only their pair, the password is masked, unknown strings stay raw,
// OK refuses what the data-access layer would not take, Cancel changes nothing.
const char* const kRaw = "this is not a connection string";

TEST_F(PageActionsTest, SampleStringsComeBackByteForByteAndShowTheirFields) {
  std::vector<std::string> strings = pftest::SampleConnStrings();
  strings.push_back(kRaw);
  for (const std::string& s : strings) {
    SCOPED_TRACE(s);
    std::string designed = s;
    AcceptDataLink();
    ASSERT_TRUE(frmDataLink::Design(nullptr, designed, nullptr));
    EXPECT_EQ(designed, s);
  }
  frmDataLink sql(pftest::SampleConnStrings()[0], nullptr);
  EXPECT_EQ(Child<QComboBox>(&sql, "cmbProvider").currentIndex(), 0);
  EXPECT_EQ(sql.FieldEdit(Field::Server)->text(), "sql01");
  EXPECT_EQ(sql.FieldEdit(Field::Password)->text(), "secret");
  EXPECT_EQ(sql.FieldEdit(Field::Password)->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(sql.FieldEdit(Field::Database)->isVisibleTo(&sql));
  EXPECT_FALSE(sql.FieldEdit(Field::File)->isVisibleTo(&sql));

  // A provider that needs fewer fields leaves no gap where the others were.
  sql.show();
  const int tall = sql.height();
  auto* providers = sql.findChild<QComboBox*>("cmbProvider");
  emit providers->activated(providers->findText("Catalogue snapshot file", Qt::MatchStartsWith));
  EXPECT_TRUE(sql.FieldEdit(Field::File)->isVisibleTo(&sql));
  EXPECT_LT(sql.height(), tall);
  EXPECT_EQ(sql.height(), sql.heightForWidth(sql.width()));
  sql.hide();

  frmDataLink integrated(pftest::SampleConnStrings()[1], nullptr);
  EXPECT_TRUE(Child<QCheckBox>(&integrated, "chkIntegratedSecurity").isChecked());
  EXPECT_FALSE(integrated.FieldEdit(Field::User)->isEnabled());

  frmDataLink raw(kRaw, nullptr);
  EXPECT_EQ(Child<QComboBox>(&raw, "cmbProvider").currentIndex(), ado::DataLinkFields::RawIndex());
  EXPECT_EQ(Child<QPlainTextEdit>(&raw, "txtConnString").toPlainText(), kRaw);
}

TEST_F(PageActionsTest, EditsKeepUnknownKeysTestTheCurrentStringAndCancelChangesNothing) {
  std::vector<std::string> tested;
  frmDataLink dlg(pftest::SampleConnStrings()[3], [&](const std::string& s) { tested.push_back(s); });
  dlg.FieldEdit(Field::Password)->setText("tiger");
  dlg.FieldEdit(Field::Server)->setText("PROD");
  const std::string shown = "Provider=OraOLEDB.Oracle.1;Data Source=PROD;User ID=sales;Persist Security Info=False;";
  const std::string expected = shown + "Password=tiger";
  EXPECT_EQ(Child<QPlainTextEdit>(&dlg, "txtConnString").toPlainText().toStdString(), shown + "Password=***");
  Child<QPushButton>(&dlg, "btnTestConnection").click();
  EXPECT_THAT(tested, ElementsAre(expected));

  // Typing the string by hand updates the provider and the fields.
  Child<QPlainTextEdit>(&dlg, "txtConnString").setPlainText("Provider=Procforge.Snapshot;Data Source=x.sql");
  EXPECT_EQ(dlg.FieldEdit(Field::File)->text(), "x.sql");
  EXPECT_TRUE(dlg.FieldEdit(Field::File)->isVisibleTo(&dlg));

  std::string conn = pftest::SampleConnStrings()[0];
  frmDataLink::ScriptedRun() = [](frmDataLink& d) {
    d.FieldEdit(Field::User)->setText("someone");
    return static_cast<int>(QDialog::Rejected);
  };
  EXPECT_FALSE(frmDataLink::Design(nullptr, conn, nullptr));
  EXPECT_EQ(conn, pftest::SampleConnStrings()[0]);

  // A new string starts with a provider; OK refuses an empty or unknown one.
  frmDataLink fresh("", nullptr);
  EXPECT_EQ(fresh.ConnectionString(), "Provider=SQLOLEDB.1");
  Child<QPlainTextEdit>(&fresh, "txtConnString").setPlainText("Provider=NoSuch;Data Source=x");
  fresh.accept();
  EXPECT_NE(fresh.result(), QDialog::Accepted);
  ASSERT_FALSE(Shown().empty());
  EXPECT_THAT(Shown().back(), HasSubstr("'NoSuch' is not known here"));
  Child<QPlainTextEdit>(&fresh, "txtConnString").setPlainText(" ");
  fresh.accept();
  EXPECT_EQ(Shown().back(), "Please enter a connection string.");
}

// A password never shows in a connection-string box; editing the shown text keeps it,
// typing over it replaces it, and the profile gets the exact string.
TEST_F(PageActionsTest, PasswordsInConnectionStringBoxesAreMaskedAndEditsKeepThem) {
  const std::string conn = pftest::SampleConnStrings()[0];  // ...;Password=secret
  frmDataLink dlg(conn, nullptr);
  auto& box = Child<QPlainTextEdit>(&dlg, "txtConnString");
  EXPECT_EQ(box.toPlainText().toStdString(),
            "Provider=SQLOLEDB;Data Source=sql01;Initial Catalog=Sales;User ID=gen;Password=***");
  box.moveCursor(QTextCursor::End);
  QTest::keyClicks(&box, ";App=x");
  EXPECT_EQ(dlg.ConnectionString(), conn + ";App=x");
  dlg.FieldEdit(Field::Server)->setText("sql02");
  EXPECT_THAT(box.toPlainText().toStdString(), AllOf(HasSubstr("sql02"), Not(HasSubstr("secret"))));
  box.setPlainText(box.toPlainText().replace("Password=***", "Password=hunter2"));
  EXPECT_EQ(dlg.FieldEdit(Field::Password)->text(), "hunter2");
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(&box, &out);
  EXPECT_THAT(box.toPlainText().toStdString(), AllOf(HasSubstr("Password=***"), Not(HasSubstr("hunter2"))));
  EXPECT_THAT(dlg.ConnectionString(), HasSubstr("Password=hunter2;App=x"));

  // The server page and the class's default connection page.
  X("Server").Attr("ConnPfg", Variant(conn));
  CTablePage& srvr = Go("frmChildSrvr");
  QLineEdit& pfg = Need(srvr.Text("txtConnPfg"), "txtConnPfg");
  EXPECT_THAT(pfg.text().toStdString(), AllOf(HasSubstr("Password=***"), Not(HasSubstr("secret"))));
  pfg.end(false);
  QTest::keyClicks(&pfg, ";App=y");
  srvr.CopyControls(CD_TO_PROFILE);
  EXPECT_EQ(X("Server").strAttr("ConnPfg"), conn + ";App=y");
  X("IniOptions").Attr("ConnUseDft", Variant("True"));
  CTablePage& dft = Go("frmChildInitConnDft");
  Click("btnCopy");
  EXPECT_THAT(Need(dft.Text("txtConnDft"), "txtConnDft").text().toStdString(),
              AllOf(HasSubstr("Password=***"), Not(HasSubstr("secret"))));
  dft.CopyControls(CD_TO_PROFILE);
  EXPECT_EQ(X("IniOptions").strAttr("ConnDftString"), conn + ";App=y");
}

}  // namespace
