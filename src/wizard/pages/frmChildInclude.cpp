#include "wizard/pages/frmChildInclude.h"

#include <QLineEdit>
#include <QPushButton>

#include "wizard/MStartExit.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

frmChildInclude::frmChildInclude(QWidget* parent) : CTablePage("frmChildInclude", parent) {
  QLineEdit* txt = Text("txtIncCode");
  connect(Button("btnBrowse"), &QPushButton::clicked, this, [txt] {
    UIEntry("frmChildInclude.btnBrowse_Click", [&] {
      std::string file = txt->text().toStdString();
      if (MStartExit::MainForm()->DialogOpen(file, "Cls", "VB Source Files (Cls, Bas)|*.cls;*.bas|All Files|*.*",
                                             "Select Include/Override File", 0))
        txt->setText(QString::fromStdString(file));
    });
  });
}

}  // namespace pf::wizard
