// The connection-string dialog: sample strings and a link file come back byte for byte,
// field edits change only their pair, the password is masked, unknown strings stay raw,
// OK refuses what the data-access layer would not take, Cancel changes nothing.

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/TextFiles.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frmDataLink.h"

namespace {

using namespace pf;
using namespace pf::wizard;
using Field = ado::DataLinkFields::Field;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class DataLinkDialogTest : public wizardtest::WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start();  // messages go to the scripted message window
  }
};

const auto& kStrings = pftest::kSampleConnStrings;
const char* const kRaw = "this is not a connection string";

TEST_F(DataLinkDialogTest, SampleStringsComeBackByteForByteAndShowTheirFields) {
  std::vector<const char*> strings(std::begin(kStrings), std::end(kStrings));
  strings.push_back(kRaw);
  for (const char* s : strings) {
    SCOPED_TRACE(s);
    std::string designed = s;
    AcceptDataLink();
    ASSERT_TRUE(frmDataLink::Design(nullptr, designed, nullptr));
    EXPECT_EQ(designed, s);
  }
  frmDataLink sql(kStrings[0], nullptr);
  EXPECT_EQ(sql.findChild<QComboBox*>("cmbProvider")->currentIndex(), 0);
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

  frmDataLink integrated(kStrings[1], nullptr);
  EXPECT_TRUE(integrated.findChild<QCheckBox*>("chkIntegratedSecurity")->isChecked());
  EXPECT_FALSE(integrated.FieldEdit(Field::User)->isEnabled());

  frmDataLink raw(kRaw, nullptr);
  EXPECT_EQ(raw.findChild<QComboBox*>("cmbProvider")->currentIndex(), ado::DataLinkFields::RawIndex());
  EXPECT_EQ(raw.findChild<QPlainTextEdit*>("txtConnString")->toPlainText(), kRaw);
}

TEST_F(DataLinkDialogTest, EditsKeepUnknownKeysTestTheCurrentStringAndCancelChangesNothing) {
  std::vector<std::string> tested;
  frmDataLink dlg(kStrings[3], [&](const std::string& s) { tested.push_back(s); });
  dlg.FieldEdit(Field::Password)->setText("tiger");
  dlg.FieldEdit(Field::Server)->setText("PROD");
  const std::string expected = "Provider=OraOLEDB.Oracle.1;Data Source=PROD;User ID=sales;Persist Security Info=False;"
                               "Password=tiger";
  EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("txtConnString")->toPlainText().toStdString(), expected);
  dlg.findChild<QPushButton*>("btnTestConnection")->click();
  EXPECT_THAT(tested, ElementsAre(expected));

  // Typing the string by hand updates the provider and the fields.
  dlg.findChild<QPlainTextEdit*>("txtConnString")->setPlainText("Provider=Procforge.Snapshot;Data Source=x.sql");
  EXPECT_EQ(dlg.FieldEdit(Field::File)->text(), "x.sql");
  EXPECT_TRUE(dlg.FieldEdit(Field::File)->isVisibleTo(&dlg));

  std::string conn = kStrings[0];
  frmDataLink::ScriptedRun() = [](frmDataLink& d) {
    d.FieldEdit(Field::User)->setText("someone");
    return static_cast<int>(QDialog::Rejected);
  };
  EXPECT_FALSE(frmDataLink::Design(nullptr, conn, nullptr));
  EXPECT_EQ(conn, kStrings[0]);

  // A new string starts with a provider; OK refuses an empty or unknown one.
  frmDataLink fresh("", nullptr);
  EXPECT_EQ(fresh.ConnectionString(), "Provider=SQLOLEDB.1");
  fresh.findChild<QPlainTextEdit*>("txtConnString")->setPlainText("Provider=NoSuch;Data Source=x");
  fresh.accept();
  EXPECT_NE(fresh.result(), QDialog::Accepted);
  ASSERT_FALSE(Shown().empty());
  EXPECT_THAT(Shown().back(), HasSubstr("'NoSuch' is not known here"));
  fresh.findChild<QPlainTextEdit*>("txtConnString")->setPlainText(" ");
  fresh.accept();
  EXPECT_EQ(Shown().back(), "Please enter a connection string.");
}

TEST_F(DataLinkDialogTest, LinkFileFromTheOtherPlatformIsEditedAndWrittenInItsFormat) {
  const std::string path = dir.file("orders.udl");
  const std::string head = "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n";
  const std::string bytes = TextFiles::Encode(head + kStrings[2] + "\r\n", "UTF-16LE");
  pftest::WriteAll(path, bytes);
  AcceptDataLink();
  ASSERT_TRUE(frmDataLink::EditFile(nullptr, path, nullptr));
  EXPECT_EQ(pftest::ReadAll(path), bytes);

  AcceptDataLink([](frmDataLink& dlg) { dlg.FieldEdit(Field::Port)->setText("5001"); });
  ASSERT_TRUE(frmDataLink::EditFile(nullptr, path, nullptr));
  std::string changed = kStrings[2];
  changed.replace(changed.find("5000"), 4, "5001");
  EXPECT_EQ(pftest::ReadAll(path), TextFiles::Encode(head + changed + "\r\n", "UTF-16LE"));
}

}  // namespace
