#include "wizard/pages/frmChildSrvr.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "base/AppPaths.h"
#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "extract/CCatalogCapture.h"
#include "settings/CSettings.h"
#include "platform/ado/ConnStr.h"
#include "shell/MGlobals.h"
#include "shell/MUtils.h"
#include "wizard/CMaskedConnString.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

const char* const frmChildSrvr::kAccessWarning =
    "Attention! MS Jet driver doesn't support parameterized queries, so for MS Access database "
    "you should always use 'OLE DB Provider for ODBC drivers' connection. "
    "For this you should setup ODBC DSN for your MS Access database in Data Sources "
    "(ODBC) applet in Control Panel prior to setting up connection string.";

frmChildSrvr::frmChildSrvr(QWidget* parent) : CTablePage("frmChildSrvr", parent) {
  new CMaskedConnString(Text("txtConnPfg"));
  for (QRadioButton* opt : Options("optSrvrType")) {
    connect(opt, &QRadioButton::toggled, this, [this, opt](bool on) {
      if (!on || busy_) return;
      UIEntry("frmChildSrvr.optSrvrType_Click(Index)", [&] { CopyControls(CD_TO_PROFILE); },
              opt->property("Index").toInt());
    });
  }
  connect(Button("btnCheckConnection"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildSrvr.btnCheckConnection_Click", [&] { TestConnection(ConnPfg()); }); });
  connect(Button("btnConnDetails"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildSrvr.btnConnDetails_Click", [&] { ShowConnectionReport(ConnPfg()); }); });
  connect(Button("btnDesign"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildSrvr.btnDesign_Click", [&] { btnDesign_Click(); }); });
  connect(Button("btnUseSnapshot"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildSrvr.btnUseSnapshot_Click", [&] { btnUseSnapshot_Click(); }); });
}

void frmChildSrvr::btnUseSnapshot_Click() {
  // The dialog opens on the snapshot in use, else in the samples' folder, where a first
  // try finds a catalogue of each server type.
  std::string file;
  const ado::ConnStr::Pairs pairs = ado::ConnStr::Parse(ConnPfg());
  const std::string* provider = ado::ConnStr::Find(pairs, "Provider");
  const std::string* source = ado::ConnStr::Find(pairs, "Data Source");
  if (provider && source && ado::ConnStr::ProviderFamily(*provider) == ado::ConnStr::Family::Snapshot &&
      MUtils::FileExists(*source))
    file = *source;
  else if (const std::string samples = AppPaths::SamplesFolder(); !samples.empty())
    file = samples + "/";
  if (!MStartExit::MainForm()->DialogOpen(file, "sql", "Catalogue Snapshot (*.sql, *.db)|*.sql;*.db|All Files|*.*",
                                          "Use a Snapshot File", 0x280000))
    return;
  // The snapshot says which server it was taken from; the option follows it.
  if (const int type = CCatalogCapture::SnapshotServerType(file); type >= 0) SetOption("optSrvrType", type);
  const std::string problem = CCatalogCapture::SnapshotProblem(file, std::max(OptionIndex("optSrvrType"), 0));
  Faultnet31::Check(problem.empty(), ERR_USER_CHECK, "%1", problem);
  CMaskedConnString::Set(Text("txtConnPfg"), CCatalogCapture::SnapshotConnection(file));
  CopyControls(CD_TO_PROFILE);
}

void frmChildSrvr::CopyPage(int ACopyDir) {
  const int32_t oldType = MStartExit::Settings()->ServerType();
  busy_ = true;
  try {
    CopyBound(ACopyDir);
  } catch (...) {
    busy_ = false;
    throw;
  }
  busy_ = false;
  if (ACopyDir == CD_TO_PROFILE) {
    MStartExit::Settings()->ReleaseServer();
    MStartExit::Settings()->FollowServerType(oldType);
    MStartExit::Settings()->DefaultOutputFiles();
  }
}

void frmChildSrvr::btnDesign_Click() {
  if (OptionIndex("optSrvrType") == 0) MGlobals::ShowMessage(kAccessWarning);
  std::string conn = ConnPfg();
  if (MStartExit::MainForm()->DesignConnectionString(conn)) CMaskedConnString::Set(Text("txtConnPfg"), conn);
}

std::string frmChildSrvr::ConnPfg() const { return CMaskedConnString::Get(Text("txtConnPfg")); }

}  // namespace pf::wizard
