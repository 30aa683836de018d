#include "wizard/pages/frmChildStdConfigs.h"

#include <QPushButton>

#include "settings/CSettings.h"
#include "shell/MGlobals.h"
#include "wizard/CUIController.h"
#include "wizard/MStartExit.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

namespace {
constexpr int kManual = 3;  // "No, thanks, I will configure Procforge manually"
}

frmChildStdConfigs::frmChildStdConfigs(QWidget* parent) : CTablePage("frmChildStdConfigs", parent) {
  // Nothing is chosen until the user chooses, so Apply starts disabled.
  SetOption("optConfType", kManual);
  EnableControls();
  connect(Button("btnConfigure"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildStdConfigs.btnConfigure_Click", [&] { btnConfigure_Click(); }); });
}

int frmChildStdConfigs::GetConfType() const {
  const int set = OptionIndex("optConfType");
  return set < 0 ? 0 : set;
}

void frmChildStdConfigs::CopyPage(int ACopyDir) {
  MStartExit::UIController().SetCopyMode(MStartExit::Settings()->xServer.get(), ACopyDir);
}

void frmChildStdConfigs::btnConfigure_Click() {
  if (!MGlobals::Confirm("All settings will be reset to configuration you've selected.\r\n"
                         "Are you sure you want to proceed?"))
    return;
  MStartExit::Settings()->SetStandardConf(GetConfType());
  MGlobals::ShowMessage("Your database class settings have been set successfully.");
  SetOption("optConfType", kManual);
  MStartExit::MainForm()->SelectNodeByTag("frmChildOutputFiles");
}

}  // namespace pf::wizard
