#include "wizard/pages/frmChildRunVBProject.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "errors/ErrGuard.h"
#include "base/AppPaths.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/MUtils.h"
#include "wizard/CUIController.h"
#include "wizard/CWarningList.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/pages/PageTable.h"

namespace pf::wizard {

namespace {

QLabel* Figure(QWidget* parent, const char* name) {
  auto* label = new QLabel("0", parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(90);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  return label;
}

}  // namespace

QString frmChildRunVBProject::FormatCount(int32_t n) {
  QString digits = QString::number(n < 0 ? -static_cast<int64_t>(n) : n);
  for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, ',');
  return n < 0 ? "-" + digits : digits;
}

frmChildRunVBProject::frmChildRunVBProject(QWidget* parent) : CChildForm(parent) {
  lblNotGenerated_ = new QLabel(tr("No code has been generated yet. Go to \"Generate Code\" and press Start."), this);
  lblNotGenerated_->setObjectName("lblNotGenerated");
  lblNotGenerated_->setProperty("Tag", "Instruct");
  lblNotGenerated_->setWordWrap(true);
  lblGenerated_ = new QLabel(tr("Code generation has finished."), this);
  lblGenerated_->setObjectName("lblGenerated");
  lblGenerated_->setProperty("Tag", "Instruct");
  lblGenerated_->hide();

  fraStats_ = new QGroupBox(tr("Statistics"), this);
  fraStats_->setObjectName("fraStats");
  lblNumSPs_ = Figure(fraStats_, "lblNumSPs");
  lblNumLines_ = Figure(fraStats_, "lblNumLines");
  lblNumChars_ = Figure(fraStats_, "lblNumChars");
  auto* stats = new QFormLayout(fraStats_);
  stats->setContentsMargins(10, 4, 10, 6);
  stats->setVerticalSpacing(2);
  stats->addRow(tr("Stored procedures:"), lblNumSPs_);
  stats->addRow(tr("Lines of code:"), lblNumLines_);
  stats->addRow(tr("Characters:"), lblNumChars_);
  fraStats_->hide();

  btnShowCode_ = new QPushButton(tr("Show &Code"), fraStats_);
  btnShowCode_->setObjectName("btnShowCode");
  btnShowCode_->setToolTip(tr("Shows the class and module that the run wrote, with syntax colouring."));
  stats->addRow(btnShowCode_);

  warnings_ = new CWarningList(tr("Warnings"), this);

  auto* project = new QGroupBox(tr("Project to run"), this);
  project->setObjectName("fraProject");
  const PageTable::Page& row = *PageTable::Find("frmChildRunVBProject");
  auto* lblProject = new QLabel(PageTable::Find(row.Name, "txtProject")->Caption, project);
  lblProject->setObjectName("lblProject");
  txtProject_ = new QLineEdit(project);
  txtProject_->setObjectName("txtProject");
  lblProject->setBuddy(txtProject_);
  txtProject_->setAccessibleName(
      QString::fromStdString(PageTable::Label(row, *PageTable::Find(row.Name, "txtProject"))));
  auto* btnBrowse = new QPushButton(tr("&Browse..."), project);
  btnBrowse->setObjectName("btnBrowse");
  chkExitOnRun_ = new QCheckBox(PageTable::Find(row.Name, "chkExitOnRun")->Caption, project);
  chkExitOnRun_->setObjectName("chkExitOnRun");
  auto* btnStartProject = new QPushButton(tr("&Start Project"), project);
  btnStartProject->setObjectName("btnStartProject");
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(lblProject);
  pathRow->addWidget(txtProject_, 1);
  pathRow->addWidget(btnBrowse);
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(chkExitOnRun_, 1);
  runRow->addWidget(btnStartProject);
  auto* projectLayout = new QVBoxLayout(project);
  projectLayout->setContentsMargins(10, 4, 10, 6);
  projectLayout->addLayout(pathRow);
  projectLayout->addLayout(runRow);

  auto* lnkGuide = new QLabel(QString("<a href=\"guide\">%1</a>").arg(tr("Programmer guide to the generated class")),
                              this);
  lnkGuide->setObjectName("lnkGuide");
  lnkGuide->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);

  Body()->addWidget(lblNotGenerated_);
  Body()->addWidget(lblGenerated_);
  Body()->addWidget(fraStats_);
  // Room the page gains goes to the warnings when there are any, else below everything,
  // not between the figures and the project.
  Body()->addWidget(warnings_, 1);
  Body()->addWidget(project);
  Body()->addWidget(lnkGuide);
  Body()->addStretch(0);

  connect(btnBrowse, &QPushButton::clicked, this,
          [this] { UIEntry("frmChildRunVBProject.btnBrowse_Click", [&] { btnBrowse_Click(); }); });
  connect(btnStartProject, &QPushButton::clicked, this,
          [this] { UIEntry("frmChildRunVBProject.btnStartProject_Click", [&] { btnStartProject_Click(); }); });
  connect(btnShowCode_, &QPushButton::clicked, this,
          [] { UIEntry("frmChildRunVBProject.btnShowCode_Click", [] { ShowLastCode(); }); });
  connect(lnkGuide, &QLabel::linkActivated, this,
          [this] { UIEntry("frmChildRunVBProject.lnkGuide_Click", [&] { lnkGuide_Click(); }); });
}

void frmChildRunVBProject::CopyControls(int ACopyDir) {
  ErrGuard(
      "frmChildRunVBProject.CopyControls(ACopyDir)",
      [&] {
        CUIController& ui = MStartExit::UIController();
        ui.SetCopyMode(MStartExit::Settings()->xMisc.get(), ACopyDir);
        ui.CopyControl(txtProject_, "RunProject");
        ui.CopyControl(chkExitOnRun_, "ExitOnRun");
      },
      ACopyDir);
}

void frmChildRunVBProject::SetDone() {
  lblNotGenerated_->hide();
  lblGenerated_->show();
  fraStats_->show();
}

void frmChildRunVBProject::SetStats(int32_t NumSPs, int32_t NumLines, int32_t NumChars) {
  lblNumSPs_->setText(FormatCount(NumSPs));
  lblNumLines_->setText(FormatCount(NumLines));
  lblNumChars_->setText(FormatCount(NumChars));
}

void frmChildRunVBProject::SetWarnings(const std::vector<std::string>& warnings) {
  warnings_->SetWarnings(warnings);
}

void frmChildRunVBProject::btnBrowse_Click() {
  std::string file = txtProject_->text().toStdString();
  if (MStartExit::MainForm()->DialogOpen(file, "", "VB Project Files (vbp, vbg)|*.vbp;*.vbg|All Files|*.*",
                                         "Project To Run", 0x1000 | 0x4))
    txtProject_->setText(QString::fromStdString(file));
}

void frmChildRunVBProject::btnStartProject_Click() {
  CopyControls(CD_TO_PROFILE);
  CSettings& settings = *MStartExit::Settings();
  settings.ReleaseServer();
  const std::string project = AppPaths::Normalize(settings.xMisc->strAttr("RunProject"));
  if (!project.empty()) {
    Faultnet31::Check(MUtils::FileExists(project), ERR_USER_CHECK, "File not found: %1", project);
    Faultnet31::Check(ShellOpen(project), ERR_USER_CHECK, "No program is set up to open %1", project);
  }
  if (settings.xMisc->boolAttr("ExitOnRun")) MStartExit::ExitApplication();
}

void frmChildRunVBProject::lnkGuide_Click() {
  const std::string guide = AppPaths::DataFolder({kProgrammerGuide}) + "/" + kProgrammerGuide;
  Faultnet31::Check(MUtils::FileExists(guide), ERR_USER_CHECK, "File not found: %1", guide);
  Faultnet31::Check(ShellOpen(guide), ERR_USER_CHECK, "No program is set up to open %1", guide);
}

}  // namespace pf::wizard
