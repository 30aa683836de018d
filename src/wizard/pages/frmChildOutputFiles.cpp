#include "wizard/pages/frmChildOutputFiles.h"

#include <QLineEdit>
#include <QPushButton>

#include "wizard/MStartExit.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

namespace {
constexpr int kAskOverwrite = 0x2;

// A Browse button that proposes the text's file in a save dialog and puts the choice back.
void BrowseToSave(QPushButton* btn, QLineEdit* txt, const char* entry, const char* ext, const char* filter,
                  const char* title) {
  QObject::connect(btn, &QPushButton::clicked, btn, [=] {
    UIEntry(entry, [&] {
      std::string file = txt->text().toStdString();
      if (MStartExit::MainForm()->DialogSave(file, ext, filter, title, kAskOverwrite))
        txt->setText(QString::fromStdString(file));
    });
  });
}
}  // namespace

frmChildOutputFiles::frmChildOutputFiles(QWidget* parent) : CTablePage("frmChildOutputFiles", parent) {
  BrowseToSave(Button("btnBrowseClass"), Text("txtClassFileName"), "frmChildOutputFiles.btnBrowseClass_Click", "cls",
               "VB Class|*.cls", "Save Database Class As...");
  BrowseToSave(Button("btnBrowseModule"), Text("txtParamDefsFileName"), "frmChildOutputFiles.btnBrowseModule_Click",
               "bas", "VB Module|*.bas", "Save Parameters Definitions Module As...");
}

}  // namespace pf::wizard
