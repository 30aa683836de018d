#include "wizard/pages/frmChildInitConnDft.h"

#include <QLineEdit>
#include <QPushButton>

#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/CMaskedConnString.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

frmChildInitConnDft::frmChildInitConnDft(QWidget* parent) : CTablePage("frmChildInitConnDft", parent) {
  QLineEdit* txt = Text("txtConnDft");
  new CMaskedConnString(txt);
  connect(Button("btnCopy"), &QPushButton::clicked, this, [txt] {
    UIEntry("frmChildInitConnDft.btnCopy_Click",
            [&] { CMaskedConnString::Set(txt, MStartExit::Settings()->xServer->strAttr("ConnPfg")); });
  });
  connect(Button("btnDesign"), &QPushButton::clicked, this, [txt] {
    UIEntry("frmChildInitConnDft.btnDesign_Click", [&] {
      std::string conn = CMaskedConnString::Get(txt);
      if (MStartExit::MainForm()->DesignConnectionString(conn)) CMaskedConnString::Set(txt, conn);
    });
  });
  connect(Button("btnTest"), &QPushButton::clicked, this, [txt] {
    UIEntry("frmChildInitConnDft.btnTest_Click", [&] { TestConnection(CMaskedConnString::Get(txt)); });
  });
}

}  // namespace pf::wizard
