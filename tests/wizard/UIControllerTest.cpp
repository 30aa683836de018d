// The control binding controller: each kind of control in both directions, the option
// group and drop-down rules, clearing, groups disabled by authorities, list filling.

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QWidget>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "xml/bwXMLBrowser.h"
#include "support/TestEnv.h"
#include "settings/MKeyTypes.h"
#include "wizard/CUIController.h"
#include "wizard/pages/PageTable.h"

namespace {

using namespace pf;
using namespace pf::wizard;

class UIControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Faultnet31::Reset();
    x.Init("Section");
    for (int i = 0; i < 3; ++i) {
      opt[i] = new QRadioButton(&form);
      opt[i]->setObjectName("optKind");
      opt[i]->setProperty("Index", i);
    }
    ui.SetCopyMode(&x, 1);
  }
  void Load() { ui.CopyDir(1); }
  void Store() { ui.CopyDir(0); }
  std::string Key(const std::string& k) { return x.strAttr(k); }
  void Put(const std::string& k, const std::string& v) { x.Attr(k, Variant(v)); }
  // W with the Tag words that group it.
  template <class W>
  static W* Tagged(W* w, const char* tag) {
    w->setProperty("Tag", tag);
    return w;
  }
  int Checked() const {
    for (int i = 0; i < 3; ++i)
      if (opt[i]->isChecked()) return i;
    return -1;
  }

  QWidget form;
  QRadioButton* opt[3];
  bwXMLBrowser x;
  CUIController ui;
};

TEST_F(UIControllerTest, CheckBoxAndTextBoxBothWays) {
  auto* chk = new QCheckBox(&form);
  chk->setObjectName("chkFlag");
  chk->setChecked(true);
  ui.CopyControl(chk);  // an absent key loads without the tick
  EXPECT_FALSE(chk->isChecked());
  Store();
  ui.CopyControl(chk);
  EXPECT_EQ(Key("chkFlag"), "False");
  Put("Flag", "true");  // only exactly "True" is true
  Load();
  ui.CopyControl(chk, "Flag");
  EXPECT_FALSE(chk->isChecked());

  auto* txt = new QLineEdit(&form);
  for (const std::string& line : pftest::DataLines("wizard/text-boxes.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    Put("Value", f[0]);
    ui.CopyControl(txt, "Value", f[1], f[2] == "yes");
    EXPECT_EQ(txt->text().toStdString(), f[3]) << line;
  }
  txt->setText(" spaced ");
  Store();
  ui.CopyControl(txt, "Value");
  EXPECT_EQ(Key("Value"), " spaced ");
}

TEST_F(UIControllerTest, TypedTextTheKeyRefusesIsReportedAndNotStored) {
  bwXMLBrowser ini;
  ini.Init("IniOptions");
  ini.Attr("CmdTimeout", Variant("30"));
  auto* txt = new QLineEdit(&form);
  auto* combo = new QComboBox(&form);
  combo->setEditable(true);
  ui.SetCopyMode(&ini, 0);
  for (const std::string bad : {"xyz", "-5", "99999999999999999999"}) {
    for (QWidget* w : {static_cast<QWidget*>(txt), static_cast<QWidget*>(combo)}) {
      txt->setText(QString::fromStdString(bad));
      combo->setEditText(QString::fromStdString(bad));
      pftest::ExpectFailure([&] { ui.CopyControl(w, "CmdTimeout"); }, {"IniOptions.CmdTimeout takes"});
      EXPECT_EQ(ini.strAttr("CmdTimeout"), "30") << bad;
    }
  }
  txt->setText("45");
  ui.CopyControl(txt, "CmdTimeout");
  EXPECT_EQ(ini.strAttr("CmdTimeout"), "45");
  // A pasted control character would make the profile a file no XML reader takes.
  bwXMLBrowser code;
  code.Init("Code");
  ui.SetCopyMode(&code, 0);
  txt->setText("a\x01");
  pftest::ExpectFailure([&] { ui.CopyControl(txt, "RmndrText"); }, {"Code.RmndrText cannot hold U+0001"});
  EXPECT_EQ(code.strAttr("RmndrText"), "");
  ui.SetCopyMode(&ini, 0);

  // The wizard names the field as its page labels it, the key after it.
  MKeyTypes::SetKeyNamer(&PageTable::FieldName);
  txt->setText("");
  EXPECT_EQ(pftest::Raised([&] { ui.CopyControl(txt, "CmdTimeout"); }).Description,
            "\"Command timeout (seconds)\" on the page ADO [IniOptions.CmdTimeout] takes a whole number from 0 to "
            "2147483647, not ''.");
  EXPECT_EQ(MKeyTypes::CheckKeyValue("Code", "ClassFile", "1st.cls").substr(0, 56),
            "\"Class file\" on the page Output Files [Code.ClassFile]: ");
  MKeyTypes::SetKeyNamer(nullptr);
}

TEST_F(UIControllerTest, DropDownListStoresPositionEditableComboStoresText) {
  auto* list = new QComboBox(&form);
  list->addItems({"1 - Private", "2 - PublicNotCreatable", "5 - MultiUse"});
  list->setCurrentIndex(-1);
  Store();
  ui.CopyControl(list, "Instancing");
  EXPECT_EQ(Key("Instancing"), "0");  // no choice stores 0, never -1
  Put("Instancing", "2");
  Load();
  ui.CopyControl(list, "Instancing");
  EXPECT_EQ(list->currentIndex(), 2);
  // A position the list does not have is refused when the page loads, and kept.
  for (const char* outside : {"9", "-1"}) {
    Put("Instancing", outside);
    const AppError e = pftest::Raised([&] { ui.CopyControl(list, "Instancing"); });
    EXPECT_EQ(pftest::FirstLine(e.Description),
              std::string("Section.Instancing holds ") + outside + ", which is not a position of its list (0 to 2).");
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(Key("Instancing"), outside);
  }

  auto* combo = new QComboBox(&form);
  combo->setEditable(true);
  Put("Name", "typed text");
  ui.CopyControl(combo, "Name");
  EXPECT_EQ(combo->currentText().toStdString(), "typed text");
  combo->setEditText("changed");
  Store();
  ui.CopyControl(combo, "Name");
  EXPECT_EQ(Key("Name"), "changed");

  auto* lst = new QListWidget(&form);  // lists are the pages' business
  ui.CopyControl(lst, "Name");
  EXPECT_EQ(Key("Name"), "changed");
}

// Kinds are told apart by class; a radio button without an Index is no option button.
TEST_F(UIControllerTest, UnboundKindsRaiseUnknownControlType) {
  const std::pair<QWidget*, std::string> cases[] = {{new QLabel(&form), "Label"},
                                                    {new QPushButton(&form), "CommandButton"},
                                                    {new QGroupBox(&form), "Frame"},
                                                    {new QTableWidget(&form), "SSDBGrid"},
                                                    {new QRadioButton(&form), "QRadioButton"}};
  for (const auto& [w, kind] : cases) {
    w->setObjectName("ctl");
    const AppError e = pftest::ExpectFailure([&] { ui.CopyControl(w, "Key"); },
                                             {"clsUIController.CopyControl(Ctrl='ctl', ElemAttrName='Key')"});
    EXPECT_EQ(e.Number, ERR_GENERAL);
    EXPECT_EQ(pftest::FirstLine(e.Description), "Unknown control type: " + kind);
  }
}

TEST_F(UIControllerTest, GroupsDisabledByAuthorities) {
  ui.SetGroupsEnabled("A", false, {"g1, g2"});
  EXPECT_EQ(ui.DisabledGroups(), "A:g1,A:g2");
  ui.SetGroupsEnabled("A", false, {"g1"});  // already disabled: no second entry
  EXPECT_EQ(ui.DisabledGroups(), "A:g1,A:g2");
  ui.SetGroupsEnabled("A", true, {"g1"});
  EXPECT_EQ(ui.DisabledGroups(), "A:g2");
  ui.SetGroupsEnabled("BA", false, {"g3", "g4"});
  EXPECT_EQ(ui.DisabledGroups(), "A:g2,BA:g3,BA:g4");

  EXPECT_TRUE(ui.IsGroupDisabled("G2", "a"));  // letter case does not matter
  EXPECT_TRUE(ui.IsGroupDisabled("g3", ""));   // any authority
  EXPECT_FALSE(ui.IsGroupDisabled("g3", "A")); // whole entries: "BA" is not "A"
  EXPECT_FALSE(ui.IsGroupDisabled("g", ""));
  ui.SetGroupsEnabled("BA", true, {"g3,g4"});
  EXPECT_EQ(ui.DisabledGroups(), "A:g2");
  ui.EnableAll();
  EXPECT_EQ(ui.DisabledGroups(), "");
}

TEST_F(UIControllerTest, RefreshAppliesGroupsByTagWordsAndName) {
  auto* txt = Tagged(new QLineEdit(&form), "conn, Note");
  auto* btn = new QPushButton(&form);
  btn->setObjectName("btnTest");
  auto* grid = Tagged(new QTableWidget(&form), "conn");  // not a kind that is enabled or disabled
  ui.SetGroupsEnabled("page", false, {"conn", "btnTest"});
  ui.RefreshDisabledStatus(&form);
  EXPECT_FALSE(txt->isEnabled());
  EXPECT_FALSE(btn->isEnabled());
  EXPECT_TRUE(grid->isEnabled());
  EXPECT_TRUE(opt[0]->isEnabled());

  ui.EnableRefresh(false);
  ui.EnableAll();
  ui.RefreshDisabledStatus(&form);
  EXPECT_FALSE(txt->isEnabled());
  ui.EnableRefresh(true);
  ui.RefreshDisabledStatus(&form);
  EXPECT_TRUE(txt->isEnabled());
}

TEST_F(UIControllerTest, ClearingEmptiesEachKindAndItemsOnlyWithClearList) {
  auto* txt = Tagged(new QLineEdit("text", &form), "g");
  auto* keep = Tagged(new QListWidget(&form), "g");
  keep->addItems({"a", "b"});
  keep->setCurrentRow(1);
  auto* drop = Tagged(new QComboBox(&form), "g,ClearList");
  drop->addItems({"a", "b"});
  auto* chk = Tagged(new QCheckBox(&form), "g");
  chk->setChecked(true);
  auto* grid = Tagged(new QTableWidget(3, 2, &form), "g");
  auto* other = Tagged(new QLineEdit("stays", &form), "h");
  for (QRadioButton* b : opt) Tagged(b, "g");
  opt[2]->setChecked(true);

  ui.ClearControls(&form, "x, g", false);  // the tag alone decides about a list's items
  EXPECT_EQ(txt->text(), "");
  EXPECT_EQ(keep->count(), 2);
  EXPECT_EQ(keep->currentRow(), -1);
  EXPECT_EQ(drop->count(), 0);
  EXPECT_FALSE(chk->isChecked());
  EXPECT_EQ(grid->rowCount(), 0);
  EXPECT_EQ(Checked(), 0);  // a cleared group shows its first option
  EXPECT_EQ(other->text(), "stays");
}

TEST_F(UIControllerTest, FillListAndFindItems) {
  x.Load("<List><Item Name='Alpha' Id='3' Kind='a'/><Item Name=' Beta ' Id='5' Kind='b'/>"
         "<Item Name='Gamma' Id='x' Kind='a'/></List>");
  auto* combo = new QComboBox(&form);
  ui.FillListControl(combo, x, "Name", "Id", "Kind", "a");
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(1), "Gamma");
  EXPECT_EQ(combo->itemData(1).toInt(), 0);  // a non-number reads as 0
  EXPECT_EQ(combo->currentIndex(), -1);      // two items: nothing chosen

  auto* list = new QListWidget(&form);
  ui.FillListControl(list, x, "Name", "Id", "Kind", "b");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->currentRow(), 0);  // a single item is selected

  ui.FillListControl(combo, x, "Name", "Id");
  EXPECT_EQ(ComboBoxFind(combo, "Beta"), 1);  // blanks around the item do not count
  EXPECT_EQ(ComboBoxFind(combo, "  "), -1);
  EXPECT_EQ(ComboBoxFind(combo, "", 3), 0);
  EXPECT_EQ(ComboBoxFind(combo, "Delta", 9), -1);
  ComboBoxSelectByTextOrData(combo, "Gamma");
  EXPECT_EQ(combo->currentIndex(), 2);
}

}  // namespace
