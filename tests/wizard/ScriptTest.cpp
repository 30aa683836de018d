// Sessions with the wizard written down in tests/data/wizard/scripts/*.txt, each run with the
// program started in a fresh program folder and the modal windows scripted. One step a line;
// a control is found by its objectName on the current page, else in the main window.
//   node TAG, click NAME, double NAME (a double-click), option NAME INDEX, tick NAME, type NAME TEXT, enter NAME TEXT
//   (typed into an editable list, then Return), link NAME (a label's link), set SECTION.KEY VALUE, answer yes|no, file
//   PATH|cancel, opens yes|no (what the desktop answers), profile FILE, save, write FILE TEXT, remove FILE, env NAME
//   VALUE
// and what must hold then:
//   page TAG, key SECTION.KEY VALUE, shown TEXT (the last message), shown^ TEXT (its start),
//   messages N, enabled NAME yes|no, checked NAME yes|no, chosen NAME INDEX (of an option
//   group), text NAME TEXT, request FIELD VALUE (title, filter, ext, initial or save of the
//   last file dialog), requests N, opened FILE, has FILE TEXT, state running|exiting
// TEXT takes the escapes \r \n \xHH; {D} is the program folder, {SRC} the source tree.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <list>
#include <map>

#include "settings/CSettings.h"
#include "shell/MGlobals.h"
#include "wizard/CChildForm.h"
#include "wizard/WizardTestEnv.h"
#include "wizard/frm0MDIMain.h"
#include "xml/bwXMLBrowser.h"

namespace {

using namespace wizardtest;

class ScriptTest : public WizardTest, public ::testing::WithParamInterface<std::string> {
 protected:
  template <class W>
  W* Find(const std::string& name) const {
    const QString n = QString::fromStdString(name);
    W* w = Main().CurrentForm() ? Main().CurrentForm()->findChild<W*>(n) : nullptr;
    if (!w) w = Main().findChild<W*>(n);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::string Text(const std::string& name) const {
    if (auto* c = Main().CurrentForm()->findChild<QComboBox*>(QString::fromStdString(name)))
      return c->currentText().toStdString();
    return Find<QLineEdit>(name)->text().toStdString();
  }
  bwXMLBrowser& Section(const std::string& key) const { return Settings().SectionViewer(key.substr(0, key.find('.'))); }
  std::string Expand(const std::string& s) const {
    return pftest::Expand(s, {{"{D}", dir.path().string()}, {"{SRC}", PF_SOURCE_DIR}});
  }

  void Step(const pftest::ScriptLine& l) {
    const std::string& name = l.Name;
    const std::string arg = Expand(l.Arg), all = Expand(l.Rest);
    const std::string attr = name.substr(name.find('.') + 1);
    const NextAnswers::FileRequest* request = script->FileRequests.empty() ? nullptr : &script->FileRequests.back();
    const pftest::Steps steps = {
        {"node", [&] { Main().SelectNodeByTag(name); }},
        {"click", [&] { Click(QString::fromStdString(name)); }},
        {"double", [&] { DoubleClick(QString::fromStdString(name)); }},
        {"option",
         [&] {
           for (QRadioButton* b : Main().CurrentForm()->findChildren<QRadioButton*>(QString::fromStdString(name)))
             if (b->property("Index").toInt() == std::stoi(arg)) b->click();
         }},
        {"tick", [&] { Find<QCheckBox>(name)->click(); }},
        {"type", [&] { Find<QLineEdit>(name)->setText(QString::fromStdString(arg)); }},
        {"enter",
         [&] {
           Find<QComboBox>(name)->setEditText(QString::fromStdString(arg));
           QTest::keyClick(Find<QComboBox>(name)->lineEdit(), Qt::Key_Return);
         }},
        {"link", [&] { emit Find<QLabel>(name)->linkActivated(QString::fromStdString(arg)); }},
        {"set", [&] { Section(name).Attr(attr, Variant(arg)); }},
        {"answer", [&] { Answer(all == "yes"); }},
        {"file", [&] { script->FileAnswers.push_back(all == "cancel" ? std::nullopt : std::optional(all)); }},
        {"opens", [&] { script->OpenSucceeds = all == "yes"; }},
        {"profile", [&] { Settings().ProfileFileName(all); }},
        {"save", [&] { Settings().Save(); }},
        {"write", [&] { pftest::WriteAll(Expand(name), arg); }},
        {"remove", [&] { std::filesystem::remove(all); }},
        {"env", [&] { env.emplace_back(envNames.emplace_back(name).c_str(), arg); }},
        {"page", [&] { EXPECT_EQ(Current(), all); }},
        {"key", [&] { EXPECT_EQ(Section(name).strAttr(attr), arg); }},
        {"shown", [&] { EXPECT_EQ(Shown().empty() ? "" : Shown().back(), all); }},
        {"shown^",
         [&] {
           EXPECT_TRUE(!Shown().empty() && Shown().back().starts_with(all)) << ::testing::PrintToString(Shown());
         }},
        {"messages", [&] { EXPECT_EQ(Shown().size(), std::stoul(all)) << ::testing::PrintToString(Shown()); }},
        {"enabled", [&] { EXPECT_EQ(Find<QWidget>(name)->isEnabled(), arg == "yes"); }},
        {"checked", [&] { EXPECT_EQ(Find<QAbstractButton>(name)->isChecked(), arg == "yes"); }},
        {"chosen",
         [&] {
           for (QRadioButton* b : Main().CurrentForm()->findChildren<QRadioButton*>(QString::fromStdString(name)))
             EXPECT_EQ(b->isChecked(), b->property("Index").toInt() == std::stoi(arg)) << b->property("Index").toInt();
         }},
        {"text", [&] { EXPECT_EQ(Text(name), arg); }},
        {"requests", [&] { EXPECT_EQ(script->FileRequests.size(), std::stoul(all)); }},
        {"request",
         [&] {
           ASSERT_NE(request, nullptr);
           const std::map<std::string, std::string> fields = {{"title", request->Title},
                                                              {"filter", request->Filter},
                                                              {"ext", request->Ext},
                                                              {"initial", request->Initial},
                                                              {"save", request->Save ? "yes" : "no"}};
           EXPECT_EQ(fields.at(name), arg);
         }},
        {"opened", [&] { EXPECT_EQ(script->Opened.empty() ? "" : script->Opened.back(), all); }},
        {"has", [&] { EXPECT_TRUE(pftest::Has(pftest::ReadAll(Expand(name)), arg)) << name; }},
        {"state",
         [&] { EXPECT_EQ(MGlobals::AppState, all == "exiting" ? MGlobals::AS_EXITING : MGlobals::AS_RUNNING); }},
    };
    pftest::RunStep(steps, l.Verb);
  }

  std::list<std::string> envNames;
  std::list<pftest::ScopedEnv> env;
};

TEST_P(ScriptTest, Runs) {
  Start();
  pftest::RunScript("wizard/scripts/" + GetParam(), [this](const pftest::ScriptLine& l) { Step(l); });
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptTest, ::testing::ValuesIn(pftest::DataFiles("wizard/scripts")),
                         [](const auto& info) {
                           return pftest::ReplaceAll(info.param.substr(0, info.param.find('.')), "-", "_");
                         });

}  // namespace
