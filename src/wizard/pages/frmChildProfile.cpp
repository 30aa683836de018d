#include "wizard/pages/frmChildProfile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"
#include "settings/CSettings.h"
#include "shell/CIniFile.h"
#include "shell/MUtils.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

namespace {

class ComboAdapter : public IComboBox {
 public:
  explicit ComboAdapter(QComboBox* cmb) : cmb_(cmb) {}
  void Clear() override { cmb_->clear(); }
  void AddItem(const std::string& text) override { cmb_->addItem(QString::fromStdString(text)); }
  void SetText(const std::string& text) override { cmb_->setEditText(QString::fromStdString(text)); }

 private:
  QComboBox* cmb_;
};

}  // namespace

frmChildProfile::frmChildProfile(QWidget* parent) : CTablePage("frmChildProfile", parent) {
  QComboBox* cmb = Combo("cmbProfile");
  cmb->setInsertPolicy(QComboBox::NoInsert);
  cmb->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cmb->setMinimumContentsLength(20);
  // The text part is what a screen reader lands in: it carries the box's name.
  if (cmb->lineEdit()) cmb->lineEdit()->setAccessibleName(cmb->accessibleName());
  // Choosing an entry of the list, or pressing Enter in its text, opens that profile.
  // Enter on a text the list holds makes the combo box itself report the entry as chosen
  // (before the line's own signal), so that Enter opens the profile once.
  auto chosen = std::make_shared<QString>();
  connect(cmb, &QComboBox::activated, this, [this, cmb, chosen](int index) {
    *chosen = cmb->itemText(index);
    UIEntry("frmChildProfile.cmbProfile_Click", [&] { LoadProfile(chosen->toStdString()); });
  });
  connect(cmb->lineEdit(), &QLineEdit::returnPressed, this, [this, cmb, chosen] {
    const QString text = cmb->currentText();
    const bool done = !chosen->isNull() && *chosen == text;
    *chosen = QString();
    if (done) return;
    UIEntry("frmChildProfile.cmbProfile_KeyPress(KeyAscii)", [&] { LoadProfile(text.toStdString()); }, 13);
  });
  connect(Button("btnBrowse"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildProfile.btnBrowse_Click", [&] { btnBrowse_Click(); }); });
  connect(Button("btnSaveAs"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildProfile.btnSaveAs_Click", [&] { btnSaveAs_Click(); }); });
}

void frmChildProfile::FillList() {
  ComboAdapter adapter(Combo("cmbProfile"));
  MStartExit::Settings()->IniFile->RecentFillCombo(adapter);
}

void frmChildProfile::CopyPage(int ACopyDir) {
  QComboBox* cmb = Combo("cmbProfile");
  if (cmb->count() == 0) FillList();
  if (ACopyDir == CD_TO_CONTROLS) cmb->setEditText(QString::fromStdString(MStartExit::Settings()->ProfileFileName()));
}

void frmChildProfile::LoadProfile(const std::string& FileName) {
  ErrGuard(
      "frmChildProfile.LoadProfile",
      [&] {
        Faultnet31::Check(FileName.find_first_not_of(" \t") != std::string::npos, ERR_USER_CHECK,
                          "Please enter profile location");
        Faultnet31::Check(MUtils::FileExists(FileName), ERR_USER_CHECK, "File not found at specified location.");
        CSettings& settings = *MStartExit::Settings();
        if (!SaveProfile()) return;
        settings.ProfileFileName(FileName);
        settings.ProfileLoad();
        FillList();
        MStartExit::MainForm()->UpdateCaption();
      },
      FileName);
}

void frmChildProfile::btnBrowse_Click() {
  std::string file = Combo("cmbProfile")->currentText().toStdString();
  if (MStartExit::MainForm()->DialogOpen(file, "PFG", kProfileFilter, "Load Profile", kProfileDialogFlags)) LoadProfile(file);
}

void frmChildProfile::btnSaveAs_Click() {
  std::string file = Combo("cmbProfile")->currentText().toStdString();
  if (!DialogSaveProfileAs(file)) return;
  CSettings& settings = *MStartExit::Settings();
  settings.ProfileFileName(file);
  SaveProfile();
  FillList();
  MStartExit::MainForm()->UpdateCaption();
}

}  // namespace pf::wizard
