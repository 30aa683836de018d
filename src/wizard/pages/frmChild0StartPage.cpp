#include "wizard/pages/frmChild0StartPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "wizard/frmSplash.h"

namespace pf::wizard {

frmChild0StartPage::frmChild0StartPage(QWidget* parent) : CChildForm(parent) {
  SetInstruction(tr("Procforge writes a Visual Basic class that wraps the stored procedures of a database."));
  auto* version = new QLabel(frmSplash::VersionLine(), this);
  version->setObjectName("lblVersion");
  auto* begin = new QLabel(
      tr("<b>Where to begin:</b> click <b>Database Server</b> in the list on the left, choose the server type and "
         "either design a connection or pick a catalogue snapshot file. Then press <b>Done</b> and <b>Start</b>: "
         "the class is written beside the profile and shown on <b>Results</b>. Every other page is optional."),
      this);
  begin->setObjectName("lblWhereToBegin");
  begin->setWordWrap(true);
  begin->setTextFormat(Qt::RichText);
  Body()->addWidget(version);
  Body()->addSpacing(8);
  Body()->addWidget(begin);
  Body()->addStretch(1);
}

}  // namespace pf::wizard
