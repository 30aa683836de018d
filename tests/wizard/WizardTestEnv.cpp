#include "wizard/WizardTestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "settings/CSettings.h"
#include "settings/MKeyTypes.h"
#include "shell/MGlobals.h"
#include "support/SettingsTestEnv.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/CChildForm.h"
#include "wizard/ChildForms.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frmDataLink.h"

namespace wizardtest {

namespace fs = std::filesystem;

std::vector<std::string> TreeTags() {
  std::vector<std::string> tags;
  for (const std::string& line : DataLines("tree.txt")) {
    std::istringstream in(line);
    std::string text, tag;
    int level = 0;
    in >> std::quoted(text) >> level >> tag;
    tags.push_back(tag);
  }
  return tags;
}

void WizardTest::SetUp() {
  Faultnet31::Reset();
  AppPaths::SetProgramFolder(dir.path().string());
  for (const char* name : {"CodeLib.cls", "PFG_UserGuide.htm"}) {
    const fs::path built = fs::path(PF_BIN_DIR) / name;
    if (fs::exists(built)) fs::copy_file(built, dir.path() / name);
  }
  script = &NextAnswers::Start();
  frm0MDIMain::FadeClock() = [this] { return clockMs; };
  MGlobals::AppState = MGlobals::AS_STARTING;
}

void WizardTest::TearDown() {
  // Exit saves the profile: never over a checked-in sample.
  if (CSettings* s = MStartExit::Settings();
      s && s->ProfileFileName().rfind(PF_SOURCE_DIR, 0) == 0)
    s->ProfileFileName(dir.file("Saved.PFG"));
  if (MGlobals::AppState == MGlobals::AS_RUNNING) MStartExit::ExitApplication();
  for (QWidget* w : QApplication::topLevelWidgets()) w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (const ChildFormDecl& d : ChildFormTable()) OverrideChildForm(d.Tag, nullptr);
  NextAnswers::Stop();
  frmDataLink::ScriptedRun() = nullptr;
  frm0MDIMain::SetConnectionDesigner(nullptr);
  SetCodeViewer(nullptr);
  MGlobals::SetUserInterface(nullptr);
  MKeyTypes::SetKeyNamer(nullptr);
  MGlobals::AppState = MGlobals::AS_STARTING;
  AppPaths::SetProgramFolder("");
}

void WizardTest::Start() {
  if (!MStartExit::Main()) throw std::runtime_error("the program did not start");
  main = &Need(MStartExit::MainForm(), "the main window");
}

CSettings& WizardTest::Settings() const { return Need(MStartExit::Settings(), "the settings model"); }

void WizardTest::UseSampleProfile(const std::string& ClassFile, const std::string& ModuleFile,
                                  const std::string& Sample) {
  pftest::LoadSampleProfile(Settings(), Sample);
  Settings().ProfileFileName(dir.file("OrderEntry.PFG"));
  Settings().xCode->Attr("ClassFile", Variant(ClassFile));
  Settings().xCode->Attr("ParamDefsFile", Variant(ModuleFile));
  Settings().xCode->Attr("ConfirmOverWrite", Variant("False"));
  Settings().xStoredProc->Attr("AddExecSPByName", Variant(ModuleFile.empty() ? "False" : "True"));
  // The profile changed behind the page in front: it shows the new values, as after a
  // reload, so that leaving it does not store the old ones.
  if (main) main->ReloadCurrentFormData();
}

void WizardTest::AcceptDataLink(std::function<void(frmDataLink&)> Edit) {
  frmDataLink::ScriptedRun() = [Edit](frmDataLink& dlg) {
    if (Edit) Edit(dlg);
    dlg.accept();
    return dlg.result();
  };
}

void WizardTest::GenerateWithViewers() {
  Main().SelectNodeByTag("frmChildBuildCode");
  Child<QCheckBox>(Main().CurrentForm(), "chkShowCodeInViewer").setChecked(true);
  Click("btnStart");
}

QPushButton& WizardTest::Button(const QString& name) const {
  // Pages share button names (btnBrowse, btnDesign): the current page's comes first.
  QPushButton* b = Main().CurrentForm() ? Main().CurrentForm()->findChild<QPushButton*>(name) : nullptr;
  return b ? *b : Child<QPushButton>(main, name);
}

void WizardTest::Click(const QString& name) { QTest::mouseClick(&Button(name), Qt::LeftButton); }

void WizardTest::DoubleClick(const QString& name) {
  // As a mouse sends it: the second press arrives as a double-click.
  QPushButton* b = &Button(name);
  QTest::mouseClick(b, Qt::LeftButton);
  QTest::mouseDClick(b, Qt::LeftButton);
  QTest::mouseRelease(b, Qt::LeftButton);
}

std::string WizardTest::Current() const { return main->CurrentForm() ? main->CurrentForm()->Name() : std::string(); }

std::string WizardTest::Selected() const { return main->SelectedTag(); }

std::vector<std::string> WizardTest::Shown() const {
  std::vector<std::string> out;
  for (const auto& m : script->Messages) out.push_back(m.Msg);
  return out;
}

}  // namespace wizardtest
