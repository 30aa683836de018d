#include "wizard/pages/frmChildBuildCode.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "errors/ErrGuard.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/CUIController.h"
#include "wizard/CWarningList.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/UIEntry.h"
#include "wizard/pages/PageTable.h"

namespace pf::wizard {

frmChildBuildCode::frmChildBuildCode(QWidget* parent) : CChildForm(parent) {
  SetInstruction(tr("All settings are made. Press Start to read the procedures from the server and write the "
                    "database class."));

  lblFiles_ = new QLabel(this);
  lblFiles_->setObjectName("lblFiles");
  lblFiles_->setProperty("Tag", "Note");
  lblFiles_->setWordWrap(true);
  lblFiles_->setTextFormat(Qt::PlainText);
  // The module's line stays, greyed while the module is not written, so that ticking the
  // box does not move Start, however many lines its path takes.
  lblModuleFile_ = new QLabel(this);
  lblModuleFile_->setObjectName("lblModuleFile");
  lblModuleFile_->setProperty("Tag", "Note");
  lblModuleFile_->setWordWrap(true);
  lblModuleFile_->setTextFormat(Qt::PlainText);

  chkShowCodeInViewer_ = new QCheckBox(PageTable::Find("frmChildBuildCode", "chkShowCodeInViewer")->Caption, this);
  chkShowCodeInViewer_->setObjectName("chkShowCodeInViewer");
  // The module is chosen on the Stored Procedures page too; here it sits beside the
  // files the run writes, where a first run looks for it.
  chkAddExecSPbyName_ = new QCheckBox(tr("Also write the parameter-definitions &module"), this);
  chkAddExecSPbyName_->setObjectName("chkAddExecSPbyName");
  connect(chkAddExecSPbyName_, &QCheckBox::toggled, this, [this] { ShowFiles(); });

  btnStart_ = new QPushButton(tr("&Start"), this);
  btnStart_->setObjectName("btnStart");
  btnStart_->setMinimumWidth(110);
  QFont f = btnStart_->font();
  f.setBold(true);
  btnStart_->setFont(f);
  connect(btnStart_, &QPushButton::clicked, this,
          [this] { UIEntry("frmChildBuildCode.btnStart_Click", [&] { btnStart_Click(); }); });

  warnings_ = new CWarningList(tr("What the last run noted before it stopped"), this);

  auto* start = new QHBoxLayout;
  start->addStretch(1);
  start->addWidget(btnStart_);
  start->addStretch(1);
  Body()->addWidget(chkShowCodeInViewer_);
  Body()->addWidget(chkAddExecSPbyName_);
  Body()->addSpacing(8);
  auto* files = new QVBoxLayout;
  files->setSpacing(0);
  files->addWidget(lblFiles_);
  files->addWidget(lblModuleFile_);
  Body()->addLayout(files);
  Body()->addStretch(1);
  Body()->addLayout(start);
  Body()->addStretch(1);
  Body()->addWidget(warnings_);
  Body()->addStretch(1);
}

void frmChildBuildCode::CopyControls(int ACopyDir) {
  ErrGuard(
      "frmChildBuildCode.CopyControls(ACopyDir)",
      [&] {
        CSettings& settings = *MStartExit::Settings();
        CUIController& ui = MStartExit::UIController();
        ui.SetCopyMode(settings.xCode.get(), ACopyDir);
        ui.CopyControl(chkShowCodeInViewer_, "ShowCodeInViewer");
        ui.SetCopyMode(settings.xStoredProc.get(), ACopyDir);
        ui.CopyControl(chkAddExecSPbyName_, "AddExecSPByName");
        if (ACopyDir == CD_TO_CONTROLS) ShowFiles();
      },
      ACopyDir);
}

void frmChildBuildCode::ShowFiles() {
  const CSettings& settings = *MStartExit::Settings();
  auto fileOf = [&](const char* key) {
    const QString name = QString::fromStdString(settings.xCode->strAttr(key)).trimmed();
    return name.isEmpty() ? tr("(not set yet: see Output Files)") : name;
  };
  lblFiles_->setText(tr("Class file: %1").arg(fileOf("ClassFile")));
  lblModuleFile_->setText(tr("Parameter-definitions module: %1").arg(fileOf("ParamDefsFile")));
  lblModuleFile_->setEnabled(chkAddExecSPbyName_->isChecked());
}

void frmChildBuildCode::SetWarnings(const std::vector<std::string>& warnings) { warnings_->SetWarnings(warnings); }

void frmChildBuildCode::btnStart_Click() {
  warnings_->SetWarnings({});
  CopyControls(CD_TO_PROFILE);
  GenerateCode();
}

}  // namespace pf::wizard
