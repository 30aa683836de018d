#include "wizard/pages/frmChildFuncConnSrc.h"

#include <QLineEdit>
#include <QPushButton>

#include "errors/AppError.h"
#include "base/AppPaths.h"
#include "platform/FileIO.h"
#include "platform/Registry.h"
#include "settings/CSettings.h"
#include "shell/MGlobals.h"
#include "shell/MUtils.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frmDataLink.h"

namespace pf::wizard {

frmChildFuncConnSrc::frmChildFuncConnSrc(QWidget* parent) : CTablePage("frmChildFuncConnSrc", parent) {
  connect(Button("btnBrowseLink"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildFuncConnSrc.btnBrowseLink_Click", [&] { btnBrowseLink_Click(); }); });
  connect(Button("btnEditLink"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildFuncConnSrc.btnEditLink_Click", [&] { btnEditLink_Click(); }); });
  connect(Button("btnTestLink"), &QPushButton::clicked, this, [this] {
    UIEntry("frmChildFuncConnSrc.btnTestLink_Click", [&] { TestConnection("File Name=" + FullLinkPath()); });
  });
  connect(Button("btnTestReg"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildFuncConnSrc.btnTestReg_Click", [&] { btnTestReg_Click(); }); });
}

std::string frmChildFuncConnSrc::FullLinkPath() const {
  const std::string text = Text("txtLinkFile")->text().toStdString();
  if (AppPaths::HasFolder(text)) return text;
  const std::string profile = AppPaths::Normalize(MStartExit::Settings()->ProfileFileName());
  const size_t slash = profile.rfind('/');
  return (slash == std::string::npos ? std::string(".") : profile.substr(0, slash)) + "/" + text;
}

void frmChildFuncConnSrc::btnBrowseLink_Click() {
  std::string file = FullLinkPath();
  if (!MStartExit::MainForm()->DialogOpen(file, "udl", "Data Link File(*.udl)|*.udl", "Specify Data Link File",
                                          0x280000))
    return;
  if (!MUtils::FileExists(file)) {
    if (!MGlobals::AskYesNo("File " + file + " does not exist. Do you want to create it?")) return;
    FileIO::WriteAtomic(file, "");
  }
  Text("txtLinkFile")->setText(QString::fromStdString(file));
  frmDataLink::EditFile(this, file, &TestConnection);
}

void frmChildFuncConnSrc::btnEditLink_Click() {
  if (Text("txtLinkFile")->text().trimmed().isEmpty()) return;
  try {
    frmDataLink::EditFile(this, FullLinkPath(), &TestConnection);
  } catch (const AppError& e) {
    throw AppError(ERR_USER_CHECK, e.Source, "Cannot open link file. " + e.Description);
  }
}

void frmChildFuncConnSrc::btnTestReg_Click() {
  const std::string key = Text("txtRegKey")->text().toStdString();
  if (key.find_first_of("<>") != std::string::npos) {
    MGlobals::ShowError("Invalid SubKey value.");
    return;
  }
  std::string value;
  try {
    value = Registry::ReadLocalMachineString(key, Text("txtValueName")->text().toStdString());
  } catch (const AppError& e) {
    MGlobals::ShowError("Failed to retrieve registry value.\r\n" + e.Description);
    return;
  }
  MGlobals::ShowMessage("Success! String retrieved: \r\n\"" + value + "\"");
}

}  // namespace pf::wizard
