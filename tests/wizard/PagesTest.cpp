// The settings pages, walked against the page table: every bound control, its key and
// copy order, both copy directions, a whole walk forward and back, the enable rules for
// the four server types (cases in tests/data/wizard), keyboard access.

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <fstream>
#include <iomanip>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <tuple>

#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/pages/CTablePage.h"
#include "wizard/pages/PageTable.h"

namespace {

using namespace pf;
using namespace pf::wizard;
using namespace wizardtest;
using PageTable::Kind;
using ::testing::ElementsAreArray;

using Profile = std::map<std::string, std::map<std::string, std::string>>;

class PagesTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start();
  }
  CTablePage& Page(const std::string& name) { return *dynamic_cast<CTablePage*>(Main().GetChildForm(name)); }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    Settings().SectionViewer(section).Attr(key, Variant(value));
  }
  std::string Get(const std::string& section, const std::string& key) {
    return Settings().SectionViewer(section).strAttr(key);
  }
  // Every key of every section, as the document holds it.
  Profile Snapshot() {
    Profile p;
    for (pugi::xml_node s : Settings().xSettings->RootElement().children())
      for (pugi::xml_attribute a : s.attributes()) p[s.name()][a.name()] = a.value();
    return p;
  }
  // The attribute names of a section element in document order.
  std::vector<std::string> KeyOrder(const std::string& section) {
    std::vector<std::string> keys;
    for (pugi::xml_attribute a : Settings().SectionViewer(section).RootElement().attributes()) keys.push_back(a.name());
    return keys;
  }
  bool On(QWidget* w) const { return !w->testAttribute(Qt::WA_Disabled); }
};

// The bound controls of a page in table order: (control, key).
std::vector<const PageTable::Control*> Bound(const PageTable::Page& page) {
  std::vector<const PageTable::Control*> out;
  for (const PageTable::Control& c : page.Controls)
    if (c.Key) out.push_back(&c);
  return out;
}

// A value other than the new profile's for every key, chosen so that the forcing rules
// keep it for the server type given (the keys they force for that type keep theirs).
std::string NonDefault(const PageTable::Control& c, const std::string& current) {
  const std::string key = c.Key;
  if (key == "SrvrType") return current;
  if (key == "UseFaultnet" || key == "AddSPMethods") return "True";  // others depend on them
  switch (c.K) {
    case Kind::Check: return current == "True" ? "False" : "True";
    case Kind::Options:
    case Kind::List: return std::to_string(c.Items.size() - 1);
    default: break;
  }
  if (c.K == Kind::Number) return std::to_string(key.size() * 7);
  return "v" + key;  // valid as a name prefix too
}

// Every bound control of the table exists with its items, loads its key, and stores it
// back; keys written anew are appended in the order they are written.
TEST_F(PagesTest, EveryTableControlExistsLoadsAndStoresItsKeyInCopyOrder) {
  Set("Server", "SrvrType", "3");  // the packages page binds only on Oracle
  for (const PageTable::Page& row : PageTable::Pages()) {
    SCOPED_TRACE(row.Name);
    CChildForm* page = Main().GetChildForm(row.Name);
    for (const PageTable::Control* c : Bound(row)) {
      const QString name = QString::fromUtf8(c->Name);
      switch (c->K) {
        case Kind::Check: ASSERT_NE(page->findChild<QCheckBox*>(name), nullptr) << c->Name; break;
        case Kind::Text:
        case Kind::Number: ASSERT_NE(page->findChild<QLineEdit*>(name), nullptr) << c->Name; break;
        case Kind::List: {
          auto* cmb = page->findChild<QComboBox*>(name);
          ASSERT_NE(cmb, nullptr) << c->Name;
          EXPECT_FALSE(cmb->isEditable());
          ASSERT_EQ(cmb->count(), static_cast<int>(c->Items.size()));
          for (int i = 0; i < cmb->count(); ++i) EXPECT_EQ(cmb->itemText(i).toStdString(), c->Items[i]);
          break;
        }
        case Kind::Options: {
          const auto buttons = page->findChildren<QRadioButton*>(name);
          ASSERT_EQ(buttons.size(), static_cast<qsizetype>(c->Items.size())) << c->Name;
          std::set<int> indexes;
          for (QRadioButton* b : buttons) indexes.insert(b->property("Index").toInt());
          EXPECT_EQ(indexes.size(), c->Items.size());
          EXPECT_EQ(*indexes.rbegin(), static_cast<int>(c->Items.size()) - 1);
          break;
        }
        default: ADD_FAILURE() << c->Name << " is bound but has no key kind";
      }
    }
    if (!row.Section || Bound(row).empty()) continue;
    std::map<std::string, std::string> values;
    std::vector<std::string> written;
    for (const PageTable::Control* c : Bound(row)) {
      values[c->Key] = NonDefault(*c, Get(row.Section, c->Key));
      Set(row.Section, c->Key, values[c->Key]);
    }
    page->CopyControls(CD_TO_CONTROLS);
    for (const PageTable::Control* c : Bound(row)) {
      const QString name = QString::fromUtf8(c->Name);
      const std::string& v = values[c->Key];
      if (c->K == Kind::Check) {
        EXPECT_EQ(page->findChild<QCheckBox*>(name)->isChecked(), v == "True") << c->Name;
      } else if (c->K == Kind::Text || c->K == Kind::Number) {
        EXPECT_EQ(page->findChild<QLineEdit*>(name)->text().toStdString(), v) << c->Name;
      } else if (c->K == Kind::List) {
        EXPECT_EQ(page->findChild<QComboBox*>(name)->currentIndex(), std::stoi(v)) << c->Name;
      } else if (c->K == Kind::Options) {
        for (QRadioButton* b : page->findChildren<QRadioButton*>(name))
          EXPECT_EQ(b->isChecked(), b->property("Index").toInt() == std::stoi(v)) << c->Name;
      }
      Settings().SectionViewer(row.Section).RemoveAttr(c->Key);
      written.push_back(c->Key);
    }
    page->CopyControls(CD_TO_PROFILE);
    for (const auto& [key, v] : values) EXPECT_EQ(Get(row.Section, key), v) << key;
    const std::vector<std::string> order = KeyOrder(row.Section);
    ASSERT_GE(order.size(), written.size());
    EXPECT_THAT(std::vector<std::string>(order.end() - static_cast<long>(written.size()), order.end()),
                ElementsAreArray(written));
  }
}

TEST_F(PagesTest, AProfileOfNonDefaultValuesSurvivesAWalkForwardAndBack) {
  // Each server type forces some keys; SQL Server and Oracle together leave none out.
  for (const char* st : {"1", "3"}) {
    SCOPED_TRACE(st);
    Main().SelectRootNode();
    Set("Server", "SrvrType", st);
    Set("Server", "ConnPfg", "Provider=Procforge.Snapshot;Data Source=none.sql");
    AddPackage("PKG_A", "Pa", "True");
    for (const PageTable::Page& row : PageTable::Pages())
      if (row.Section)
        for (const PageTable::Control* c : Bound(row)) Set(row.Section, c->Key, NonDefault(*c, Get(row.Section, c->Key)));
    Settings().Validate();
    const Profile before = Snapshot();

    const std::vector<std::string> tags = TreeTags();
    for (size_t i = 1; i < tags.size(); ++i) {
      Main().SelectNextTreeNode();
      ASSERT_EQ(Current(), tags[i]);
    }
    for (size_t i = tags.size() - 1; i > 0; --i) Main().SelectPreviousTreeNode();
    ASSERT_EQ(Current(), tags[0]);
    const Profile after = Snapshot();
    for (const auto& [section, keys] : before)
      for (const auto& [key, value] : keys) EXPECT_EQ(after.at(section).at(key), value) << section << "." << key;
    EXPECT_EQ(after, before);
  }
  EXPECT_TRUE(Shown().empty()) << Shown().front();
}

TEST_F(PagesTest, EnableRulesForEachServerType) {
  std::ifstream cases(std::string(PF_SOURCE_DIR) + "/tests/data/wizard/enable-rules.txt");
  ASSERT_TRUE(cases.is_open());
  int count = 0;
  for (std::string line; std::getline(cases, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string pageName, control, byServer;
    int index = 0;
    in >> pageName >> control >> index >> byServer;
    std::vector<std::tuple<std::string, std::string, std::string>> keys;  // section, key, value
    for (std::string key, value; in >> std::ws && std::getline(in, key, '=') && in >> std::quoted(value);)
      keys.emplace_back(key.substr(0, key.find('.')), key.substr(key.find('.') + 1), value);
    ++count;
    for (int st = 0; st < 4; ++st) {
      SCOPED_TRACE(line + " server type " + std::to_string(st));
      Set("Server", "SrvrType", std::to_string(st));
      for (const auto& [section, key, value] : keys) Set(section, key, value);
      CTablePage& page = Page(pageName);
      page.CopyControls(CD_TO_CONTROLS);
      page.EnableControls();
      QWidget* w = nullptr;
      for (QWidget* x : page.findChildren<QWidget*>(QString::fromStdString(control)))
        if (index < 0 || x->property("Index").toInt() == index) w = x;
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(On(w), byServer.at(st) == '+');
    }
  }
  EXPECT_GT(count, 50);
}

TEST_F(PagesTest, ClickingOrTypingInAControlOfARuleAppliesTheRulesAtOnce) {
  struct Case {
    const char* Page;
    const char* Source;  // clicked (check box or option Index) or typed into
    int Index;
    const char* Target;
  };
  const Case cases[] = {
      {"frmChildMethFilter", "chkUseFilterInc", -1, "txtMethFilterInc"},
      {"frmChildErrHndl", "chkUseErrorLib", -1, "chkDisClsOnError"},
      {"frmChildInclude", "chkIncReminder", -1, "chkRmdrAt"},
      {"frmChildFuncConnSrc", "optConnectSrc", 2, "btnEditLink"},
      {"frmChildInitConnDft", "txtConnDft", -1, "btnTest"},
  };
  Set("IniOptions", "ConnUseDft", "True");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Target);
    CTablePage& page = Page(c.Page);
    page.CopyControls(CD_TO_CONTROLS);
    page.EnableControls();
    QWidget* target = page.Control(c.Target);
    const bool before = On(target);
    if (auto* t = page.Text(c.Source)) t->setText(t->text().isEmpty() ? "x" : "");
    else if (c.Index >= 0) page.SetOption(c.Source, before ? 0 : c.Index);
    else page.Check(c.Source)->click();
    EXPECT_NE(On(target), before);
  }
}

TEST_F(PagesTest, ControlsCanBeReachedByKeyboardAndNamedByScreenReaders) {
  for (const PageTable::Page& row : PageTable::Pages()) {
    if (row.OwnLayout) continue;
    SCOPED_TRACE(row.Name);
    CChildForm* page = Main().GetChildForm(row.Name);
    std::map<QChar, QString> mnemonics;
    auto mnemonic = [&](const QString& text, const QString& owner) {
      const qsizetype amp = text.indexOf('&');
      if (amp < 0 || amp + 1 >= text.size()) return false;
      const QChar key = text[amp + 1].toLower();
      EXPECT_EQ(mnemonics.count(key), 0u) << "Alt+" << QString(key).toStdString() << " on "
                                          << owner.toStdString() << " and " << mnemonics[key].toStdString();
      mnemonics[key] = owner;
      return true;
    };
    for (QWidget* w : page->findChildren<QWidget*>()) {
      if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
        EXPECT_TRUE(mnemonic(label->text(), label->objectName())) << label->objectName().toStdString();
        EXPECT_FALSE(label->buddy()->accessibleName().isEmpty()) << label->buddy()->objectName().toStdString();
      } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        EXPECT_TRUE(mnemonic(b->text(), b->objectName())) << b->objectName().toStdString();
      } else if (qobject_cast<QLineEdit*>(w) && w->parentWidget() == page) {
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
      }
    }
  }
}

}  // namespace
