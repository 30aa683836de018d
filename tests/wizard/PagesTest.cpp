// The settings pages: every bound control, its key and copy order in both copy directions
// (bindings in tests/data/wizard), every key bound or deliberately not, the enable rules
// against expectations of their own (tests/data/wizard), keyboard access.

#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "settings/CSettings.h"
#include "settings/MProfileKeys.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/ChildForms.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/pages/CTablePage.h"
#include "wizard/pages/PageTable.h"
#include "wizard/pages/frmChildRunVBProject.h"

namespace {

using namespace wizardtest;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

class PagesTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start();
  }
  CTablePage& Page(const std::string& name) { return Need(dynamic_cast<CTablePage*>(Main().GetChildForm(name)), name); }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    Settings().SectionViewer(section).Attr(key, Variant(value));
  }
  std::string Get(const std::string& section, const std::string& key) {
    return Settings().SectionViewer(section).strAttr(key);
  }
  // The attribute names of a section element in document order.
  std::vector<std::string> KeyOrder(const std::string& section) {
    std::vector<std::string> keys;
    for (pugi::xml_attribute a : Settings().SectionViewer(section).RootElement().attributes()) keys.push_back(a.name());
    return keys;
  }
  bool On(QWidget* w) const { return !w->testAttribute(Qt::WA_Disabled); }
};

// One line of tests/data/wizard/bindings.txt: a page, a control it binds and the key, in
// copy order.
struct Binding {
  std::string Page, Control, Key;
  std::string Section() const { return PageTable::Find(Page)->Section; }
};
std::vector<Binding> Bindings() {
  std::vector<Binding> out;
  for (const std::string& line : DataLines("bindings.txt")) {
    std::istringstream in(line);
    Binding b;
    in >> b.Page >> b.Control >> b.Key;
    out.push_back(b);
  }
  return out;
}

// A value other than the new profile's for every key, chosen so that the forcing rules
// keep it for the server type given (the keys they force for that type keep theirs).
std::string NonDefault(const Binding& b, const std::string& current) {
  const MProfileKeys::Key* k = MProfileKeys::Find(b.Section(), b.Key);
  if (!k || b.Key == "SrvrType") return current;
  if (b.Key == "UseFaultnet" || b.Key == "AddSPMethods") return "True";  // others depend on them
  if (k->type == MProfileKeys::Type::Boolean) return current == "True" ? "False" : "True";
  if (k->type == MProfileKeys::Type::Integer) return std::to_string(k->Max < 100 ? k->Max : b.Key.size() * 7);
  return "v" + b.Key;  // valid as a name prefix too
}

// Every binding of the data file: its control shows its key's value (an option group and
// a drop-down list have one entry per value the key takes), stores it back, and the keys
// written anew are appended in copy order. The page table binds nothing else.
TEST_F(PagesTest, EveryBindingLoadsAndStoresItsKeyInCopyOrder) {
  Set("Server", "SrvrType", "3");  // the packages page binds only on Oracle
  const std::vector<Binding> bindings = Bindings();
  std::set<std::string> inFile, inTable;
  for (const Binding& b : bindings) inFile.insert(b.Page + " " + b.Control + " " + b.Key);
  for (const PageTable::Page& row : PageTable::Pages())
    for (const PageTable::Control& c : row.Controls)
      if (c.Key) inTable.insert(std::string(row.Name) + " " + c.Name + " " + c.Key);
  for (const std::string& b : inTable) EXPECT_TRUE(inFile.count(b)) << "bindings.txt lacks " << b;
  for (const std::string& b : inFile) EXPECT_TRUE(inTable.count(b)) << "the page table does not bind " << b;

  for (size_t first = 0; first < bindings.size();) {
    size_t end = first;
    while (end < bindings.size() && bindings[end].Page == bindings[first].Page) ++end;
    const std::string section = bindings[first].Section();
    SCOPED_TRACE(bindings[first].Page);
    CChildForm* page = Main().GetChildForm(bindings[first].Page);
    std::map<std::string, std::string> values;
    std::vector<std::string> written;
    for (size_t i = first; i < end; ++i) {
      values[bindings[i].Key] = NonDefault(bindings[i], Get(section, bindings[i].Key));
      Set(section, bindings[i].Key, values[bindings[i].Key]);
    }
    page->CopyControls(CD_TO_CONTROLS);
    for (size_t i = first; i < end; ++i) {
      const Binding& b = bindings[i];
      const QString name = QString::fromStdString(b.Control);
      const std::string& v = values[b.Key];
      const MProfileKeys::Key* k = MProfileKeys::Find(section, b.Key);
      ASSERT_NE(k, nullptr) << b.Key;
      if (auto* chk = page->findChild<QCheckBox*>(name)) {
        EXPECT_EQ(chk->isChecked(), v == "True") << b.Control;
      } else if (auto* txt = page->findChild<QLineEdit*>(name)) {
        EXPECT_EQ(txt->text().toStdString(), v) << b.Control;
      } else if (auto* cmb = page->findChild<QComboBox*>(name)) {
        EXPECT_FALSE(cmb->isEditable());
        EXPECT_EQ(cmb->count(), k->Max + 1) << b.Control;
        EXPECT_EQ(cmb->currentIndex(), std::stoi(v)) << b.Control;
      } else {
        const auto buttons = page->findChildren<QRadioButton*>(name);
        ASSERT_EQ(buttons.size(), k->Max + 1) << b.Control;
        for (QRadioButton* o : buttons) EXPECT_EQ(o->isChecked(), o->property("Index").toInt() == std::stoi(v));
      }
      Settings().SectionViewer(section).RemoveAttr(b.Key);
      written.push_back(b.Key);
    }
    page->CopyControls(CD_TO_PROFILE);
    for (const auto& [key, v] : values) EXPECT_EQ(Get(section, key), v) << key;
    const std::vector<std::string> order = KeyOrder(section);
    ASSERT_GE(order.size(), written.size());
    EXPECT_THAT(std::vector<std::string>(order.end() - static_cast<long>(written.size()), order.end()),
                ElementsAreArray(written));
    first = end;
  }
}

// Every key of the key table is bound to a control of a page, or is one of the keys that
// tests/data/wizard/unbound-keys.txt lists as set elsewhere; never both. A key added to
// the table without a control is named in full.
TEST(PageTableKeys, EveryProfileKeyIsBoundOrDeliberatelyNot) {
  std::set<std::string> bound, unbound;
  for (const PageTable::Page& row : PageTable::Pages())
    for (const PageTable::Control& c : row.Controls)
      if (c.Key) bound.insert(std::string(row.Section ? row.Section : "") + "." + c.Key);
  for (const std::string& line : DataLines("unbound-keys.txt")) unbound.insert(line.substr(0, line.find(' ')));
  for (const MProfileKeys::Key& k : MProfileKeys::Keys()) {
    const std::string key = std::string(k.Section) + "." + k.Name;
    EXPECT_NE(bound.count(key), unbound.count(key))
        << key
        << (bound.count(key) ? " is bound to a control and listed in unbound-keys.txt"
                             : " is bound to no control of any page and not listed in unbound-keys.txt");
    bound.erase(key);
    unbound.erase(key);
  }
  for (const std::string& key : bound) ADD_FAILURE() << "a page binds " << key << ", which the key table lacks";
  for (const std::string& key : unbound)
    ADD_FAILURE() << "unbound-keys.txt lists " << key << ", which the key table lacks";
}

// One line of tests/data/wizard/enable-expect.txt: a control a page greys out and the
// conditions under which it is available.
struct Expected {
  std::string Page, Target;
  int Index = -1;
  std::vector<std::pair<std::string, std::string>> When;  // kind, argument
  std::string Servers = "01234";                          // server types it is available on
  std::string Line;
};
std::vector<Expected> ExpectedRules() {
  std::vector<Expected> out;
  for (const std::string& line : DataLines("enable-expect.txt")) {
    std::istringstream in(line);
    Expected e;
    e.Line = line;
    in >> e.Page >> e.Target >> e.Index;
    for (std::string cond; in >> cond;) {
      const std::string kind = cond.substr(0, cond.find('=')), arg = cond.substr(cond.find('=') + 1);
      if (kind == "server")
        e.Servers = arg;
      else
        e.When.emplace_back(kind, arg);
    }
    out.push_back(e);
  }
  return out;
}

// Every enable rule of the page table has an expectation of its own, and every
// expectation a rule: each missing one is named.
TEST(PageTableRules, EveryEnableRuleHasAnExpectation) {
  std::set<std::string> inTable, inFile;
  for (const PageTable::Page& row : PageTable::Pages())
    for (const PageTable::Rule& r : row.Rules)
      inTable.insert(std::string(row.Name) + " " + r.Target + " " + std::to_string(r.Index));
  for (const Expected& e : ExpectedRules()) inFile.insert(e.Page + " " + e.Target + " " + std::to_string(e.Index));
  for (const std::string& rule : inTable)
    EXPECT_TRUE(inFile.count(rule)) << "no line of enable-expect.txt for the rule of " << rule;
  for (const std::string& line : inFile) EXPECT_TRUE(inTable.count(line)) << "the page table has no rule for " << line;
}

// Each expectation on the real page: with every condition holding the control is
// available; it is greyed (saying why) on each server type it does not apply to, and as
// soon as any one other condition fails.
TEST_F(PagesTest, EnableRulesFollowTheirExpectations) {
  const std::vector<Expected> expected = ExpectedRules();
  std::set<std::string> ruled;
  for (const Expected& e : expected) ruled.insert(e.Page + " " + e.Target + " " + std::to_string(e.Index));
  for (const Expected& e : expected) {
    CTablePage& page = Page(e.Page);
    // Sets up the page with condition `broken` failing (-1: none) and tells whether the
    // target is available, checking that a greyed target says why.
    const auto available = [&](int server, int broken) {
      SCOPED_TRACE(e.Line + ", server type " + std::to_string(server) + ", failing condition " +
                   std::to_string(broken));
      Set("Server", "SrvrType", std::to_string(server));
      for (size_t i = 0; i < e.When.size(); ++i) {
        const auto& [kind, arg] = e.When[i];
        const std::string section = arg.substr(0, arg.find('.')), key = arg.substr(arg.find('.') + 1);
        if (kind == "key") Set(section, key, static_cast<int>(i) == broken ? "False" : "True");
        if (kind == "nonzero") Set(section, key, static_cast<int>(i) == broken ? "0" : "2");
      }
      page.CopyControls(CD_TO_CONTROLS);
      for (size_t i = 0; i < e.When.size(); ++i) {
        const auto& [kind, arg] = e.When[i];
        const bool hold = static_cast<int>(i) != broken;
        if (kind == "ticked") Need(page.Check(arg.c_str()), arg).setChecked(hold);
        if (kind == "text") Need(page.Text(arg.c_str()), arg).setText(hold ? "x" : "  ");
        if (kind == "option" || kind == "notoption") {
          const std::string group = arg.substr(0, arg.find(':'));
          const int index = std::stoi(arg.substr(arg.find(':') + 1));
          const int other = (index + 1) % static_cast<int>(page.Options(group.c_str()).size());
          page.SetOption(group.c_str(), hold == (kind == "option") ? index : other);
        }
      }
      page.EnableControls();
      std::optional<bool> on;
      for (QWidget* w : page.findChildren<QWidget*>(QString::fromStdString(e.Target))) {
        const int index = w->property("Index").toInt();
        if (e.Index >= 0 && index != e.Index) {
          // The other buttons of the group stay available unless a rule of their own says otherwise.
          EXPECT_TRUE(ruled.count(e.Page + " " + e.Target + " " + std::to_string(index)) || On(w)) << index;
          continue;
        }
        EXPECT_TRUE(!on || *on == On(w)) << "controls of one name differ";
        on = On(w);
        EXPECT_EQ(w->toolTip().isEmpty(), On(w)) << "a greyed control says what makes it available";
      }
      if (!on) throw std::runtime_error("no control " + e.Target + " on " + e.Page);
      return *on;
    };
    for (int server = 0; server < 5; ++server)
      EXPECT_EQ(available(server, -1), e.Servers.find(char('0' + server)) != std::string::npos) << e.Line;
    const int server = e.Servers[0] - '0';
    for (size_t i = 0; i < e.When.size(); ++i)
      EXPECT_FALSE(available(server, static_cast<int>(i))) << e.Line << ": " << e.When[i].second << " fails";
  }
  Set("StoredProc", "AddExecSPByName", "False");
  CTablePage& output = Page("frmChildOutputFiles");
  output.EnableControls();
  EXPECT_THAT(Need(output.Text("txtParamDefsFileName"), "txtParamDefsFileName").toolTip().toStdString(),
              ::testing::MatchesRegex("Available when \".+\" is ticked on the Stored Procedures page\\."));
}

// What the pages say agrees with what they do: the COM+ box is greyed for the instancing
// its note names and for no other; the texts of tests/data/wizard/texts.txt are where they
// should be; the enlarged Results page leaves no large blank gap.
TEST_F(PagesTest, TextsSayWhatThePagesDo) {
  CTablePage& com = Page("frmChildFuncComp");
  QComboBox& instancing = Need(Page("frmChildFunc").Combo("cmbInstancing"), "cmbInstancing");
  for (int i = 0; i < instancing.count(); ++i) {
    Set("AddnlFunc", "Instancing", std::to_string(i));  // a drop-down list stores its position
    com.CopyControls(CD_TO_CONTROLS);
    com.EnableControls();
    EXPECT_EQ(On(com.Check("chkCOMPConfigured")),
              !Child<QLabel>(&com, "lblNotechkCOMPConfigured").text().contains(instancing.itemText(i)));
  }
  for (const std::string& line : DataLines("texts.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    const QString text =
        Child<QWidget>(Main().GetChildForm(f[0]), QString::fromStdString(f[1])).property("text").toString();
    EXPECT_THAT(text.toLower().remove('&').toStdString(), HasSubstr(f[2])) << line;
  }

  Main().SelectNodeByTag("frmChildRunVBProject");
  Need(dynamic_cast<frmChildRunVBProject*>(Main().CurrentForm()), "Results").SetDone();
  Main().resize(1000, 720);
  Main().show();
  QTest::qWait(50);
  std::vector<QRect> shown;
  for (QWidget* w :
       Child<QWidget>(Main().CurrentForm(), "pnlBody").findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (w->isVisible()) shown.push_back(w->geometry());
  std::sort(shown.begin(), shown.end(), [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
  for (size_t i = 1; i < shown.size(); ++i) EXPECT_LT(shown[i].top() - shown[i - 1].bottom(), 40) << i;
}

// The controls a user works with: buttons, fields, lists (not the parts inside a combo
// box or a list).
bool Interactive(const QWidget* w) {
  if (qobject_cast<const QComboBox*>(w->parentWidget())) return false;
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QComboBox*>(w) || qobject_cast<const QListWidget*>(w);
}

QAccessible::Role RoleOf(const QWidget* w) {
  if (qobject_cast<const QRadioButton*>(w)) return QAccessible::RadioButton;
  if (qobject_cast<const QCheckBox*>(w)) return QAccessible::CheckBox;
  if (qobject_cast<const QAbstractButton*>(w)) return QAccessible::Button;
  if (qobject_cast<const QLineEdit*>(w)) return QAccessible::EditableText;
  if (qobject_cast<const QComboBox*>(w)) return QAccessible::ComboBox;
  return QAccessible::List;
}

// What the control's label shows, without the access-key "&": a button's own text, a
// field's buddy label (without its closing ":"), else the check box made just before it.
std::string LabelText(QWidget* page, QWidget* w) {
  // Captions too long for the page at the starting size are on two lines.
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().remove('&').replace('\n', ' ').toStdString();
  QString buddy, box;
  for (QWidget* x : page->findChildren<QWidget*>()) {
    if (x == w) break;
    if (auto* label = qobject_cast<QLabel*>(x); label && label->buddy() == w && buddy.isEmpty()) buddy = label->text();
    if (auto* chk = qobject_cast<QCheckBox*>(x)) box = chk->text();
  }
  QString text = buddy.isEmpty() ? box : buddy;
  text.remove('&').replace('\n', ' ');
  while (text.endsWith(':') || text.endsWith(' ')) text.chop(1);
  return text.toStdString();
}

// Every page, shown by selecting its node through the accessibility layer, as a screen
// reader user and a keyboard user meet it: every control has its role and the name its
// label shows, Tab reaches each enabled one (an option group at its set button) going from
// the tree through the page to the buttons below, fields with their label beside them
// start in one column, no access key is taken twice in the window, and the page has the
// room its controls need. The tree reports the selected node at its row, focused only
// while the keyboard is in the tree.
TEST_F(PagesTest, EveryPageThroughTheAccessibilityLayerAndTheKeyboard) {
  Main().show();
  Main().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
  QTreeWidget* tree = Main().Tree();
  tree->expandAll();
  QAccessibleInterface* treeAccess = QAccessible::queryAccessibleInterface(tree);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&Main())->role(), QAccessible::Window);
  EXPECT_FALSE(treeAccess->text(QAccessible::Name).isEmpty());

  std::map<QChar, QString> windowKeys;
  for (QPushButton* b : Child<QWidget>(&Main(), "pnlBottom").findChildren<QPushButton*>())
    windowKeys[b->text().at(b->text().indexOf('&') + 1).toLower()] = b->objectName();
  ASSERT_EQ(windowKeys.size(), 6u);

  int row = 0;  // with every group open, the tree's rows are the pages in table order
  for (const ChildFormDecl& node : ChildFormTable()) {
    SCOPED_TRACE(node.Tag);
    if (Current() != node.Tag) {
      ASSERT_TRUE(treeAccess->tableInterface()->selectRow(row));
      QCoreApplication::processEvents();
    }
    ASSERT_EQ(Current(), node.Tag);
    ASSERT_EQ(Selected(), node.Tag);
    // The table reports the selected node at the row the user sees it on.
    EXPECT_EQ(treeAccess->tableInterface()->selectedRows(), QList<int>{row});
    QAccessibleInterface* cell = treeAccess->tableInterface()->cellAt(row, 0);
    EXPECT_EQ(treeAccess->tableInterface()->selectedCells(), QList{cell});
    EXPECT_EQ(cell->text(QAccessible::Name), tree->currentItem()->text(0));
    EXPECT_EQ(treeAccess->child(treeAccess->indexOfChild(cell)), cell);
    ++row;
    CChildForm* page = Main().CurrentForm();
    // The window as it opens leaves every page the room its controls need, none squeezed.
    EXPECT_GE(page->width(), page->minimumSizeHint().width());
    EXPECT_GE(page->height(),
              page->hasHeightForWidth() ? page->heightForWidth(page->width()) : page->minimumSizeHint().height());
    std::set<int> columns;
    for (QLabel* label : page->findChildren<QLabel*>())
      if (label->buddy() && label->isVisibleTo(page) &&
          label->geometry().contains(label->geometry().left(), label->buddy()->geometry().center().y()))
        columns.insert(label->buddy()->mapTo(page, QPoint()).x());
    EXPECT_LE(columns.size(), 1u);
    std::map<QChar, QString> keys = windowKeys;
    std::set<QWidget*> expected;
    for (QWidget* w : page->findChildren<QWidget*>()) {
      const auto* label = qobject_cast<QLabel*>(w);
      const auto* button = qobject_cast<QAbstractButton*>(w);
      if ((label && label->buddy() && Interactive(label->buddy())) || button) {
        const QString text = label ? label->text() : button->text();
        const qsizetype amp = text.indexOf('&');
        ASSERT_TRUE(amp >= 0 && amp + 1 < text.size()) << w->objectName().toStdString() << " has no access key";
        const QChar key = text[amp + 1].toLower();
        EXPECT_EQ(keys.count(key), 0u) << "Alt+" << QString(key).toStdString() << " on "
                                       << w->objectName().toStdString() << " and " << keys[key].toStdString();
        keys[key] = w->objectName();
      }
      if (!Interactive(w) || !w->isVisibleTo(page)) continue;
      QAccessibleInterface* access = QAccessible::queryAccessibleInterface(w);
      EXPECT_EQ(access->role(), RoleOf(w)) << w->objectName().toStdString();
      EXPECT_EQ(access->text(QAccessible::Name).toStdString(), LabelText(page, w)) << w->objectName().toStdString();
      if (w->isEnabled() && (!qobject_cast<QRadioButton*>(w) || w->focusPolicy() & Qt::TabFocus)) expected.insert(w);
    }

    tree->setFocus();
    std::set<QWidget*> reached;
    bool leftPage = false;
    for (int i = 0; i < 80; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* at = QApplication::focusWidget();
      if (at == tree) break;
      leftPage = leftPage || !page->isAncestorOf(at);
      if (leftPage) continue;
      reached.insert(at);
      if (auto* opt = qobject_cast<QRadioButton*>(at)) {
        for (QRadioButton* b : page->findChildren<QRadioButton*>(opt->objectName()))
          EXPECT_FALSE(b->isChecked() && b->isEnabled() && b != opt) << opt->objectName().toStdString();
      }
    }
    for (QWidget* w : expected) EXPECT_EQ(reached.count(w), 1u) << w->objectName().toStdString() << " not reached";
  }

  // The arrow keys move the choice of an option group; moving in the tree keeps the focus
  // there, Enter goes into the page.
  Main().SelectNodeByTag("frmChildSrvr");
  CTablePage& server = Page("frmChildSrvr");
  server.SetOption("optSrvrType", 1);
  server.Options("optSrvrType")[1]->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(server.OptionIndex("optSrvrType"), 2);
  EXPECT_EQ(QApplication::focusWidget(), server.Options("optSrvrType")[2]);
  tree->setFocus();
  QTest::keyClick(tree, Qt::Key_Down);
  EXPECT_EQ(Current(), "frmChildStdConfigs");
  EXPECT_EQ(QApplication::focusWidget(), tree);
  QAccessibleInterface* node = treeAccess->tableInterface()->selectedCells().value(0);
  ASSERT_TRUE(node && node->state().focused && treeAccess->focusChild() == node);
  QTest::keyClick(tree, Qt::Key_Return);
  EXPECT_TRUE(Main().CurrentForm()->isAncestorOf(QApplication::focusWidget()));
  // The node stays selected but no longer has the keyboard.
  EXPECT_TRUE(node->state().selected && !node->state().focused && !treeAccess->focusChild());
}

}  // namespace
