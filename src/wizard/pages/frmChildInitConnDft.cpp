#include "wizard/pages/frmChildInitConnDft.h"

#include <QLineEdit>
#include <QPushButton>

#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

frmChildInitConnDft::frmChildInitConnDft(QWidget* parent) : CTablePage("frmChildInitConnDft", parent) {
  QLineEdit* txt = Text("txtConnDft");
  connect(Button("btnCopy"), &QPushButton::clicked, this, [txt] {
    UIEntry("frmChildInitConnDft.btnCopy_Click",
            [&] { txt->setText(QString::fromStdString(MStartExit::Settings()->xServer->strAttr("ConnPfg"))); });
  });
  connect(Button("btnDesign"), &QPushButton::clicked, this, [txt] {
    UIEntry("frmChildInitConnDft.btnDesign_Click", [&] {
      std::string conn = txt->text().toStdString();
      if (MStartExit::MainForm()->DesignConnectionString(conn)) txt->setText(QString::fromStdString(conn));
    });
  });
  connect(Button("btnTest"), &QPushButton::clicked, this, [txt] {
    UIEntry("frmChildInitConnDft.btnTest_Click", [&] { TestConnection(txt->text().toStdString()); });
  });
}

}  // namespace pf::wizard
