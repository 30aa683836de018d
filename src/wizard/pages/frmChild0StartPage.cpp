#include "wizard/pages/frmChild0StartPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/MStartExit.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frmSplash.h"
#include "wizard/pages/frmChildSrvr.h"

namespace pf::wizard {

frmChild0StartPage::frmChild0StartPage(QWidget* parent) : CChildForm(parent) {
  SetInstruction(tr("Procforge writes a Visual Basic class that wraps the stored procedures of a database."));
  auto* version = new QLabel(frmSplash::VersionLine(), this);
  version->setObjectName("lblVersion");
  version->setToolTip(frmSplash::VersionNumbersExplained());
  auto* begin = new QLabel(
      tr("<b>Where to begin:</b> to try Procforge without a server, press <b>Open a sample...</b> and pick a "
         "catalogue snapshot from the samples (<b>mssql/OrderEntry.sql</b>, say): it sets the server type and the "
         "connection. For your own database, click <b>Database Server</b> in the list on the left instead. Then "
         "press <b>Done</b> and <b>Start</b>: the class is written beside the profile and shown on "
         "<b>Results</b>. Every other page is optional."),
      this);
  begin->setObjectName("lblWhereToBegin");
  begin->setWordWrap(true);
  begin->setTextFormat(Qt::RichText);
  auto* sample = new QPushButton(tr("Open a &sample..."), this);
  sample->setObjectName("btnOpenSample");
  connect(sample, &QPushButton::clicked, this,
          [] { UIEntry("frmChild0StartPage.btnOpenSample_Click", [] { btnOpenSample_Click(); }); });
  auto* row = new QHBoxLayout;
  row->addWidget(sample);
  row->addStretch(1);
  Body()->addWidget(version);
  Body()->addSpacing(8);
  Body()->addWidget(begin);
  Body()->addSpacing(8);
  Body()->addLayout(row);
  Body()->addStretch(1);
}

void frmChild0StartPage::btnOpenSample_Click() {
  // The server page shows what the snapshot sets: its type and its connection.
  frm0MDIMain& main = *MStartExit::MainForm();
  main.SelectNodeByTag("frmChildSrvr");
  if (auto* server = qobject_cast<frmChildSrvr*>(main.CurrentForm())) server->btnUseSnapshot_Click();
}

}  // namespace pf::wizard
