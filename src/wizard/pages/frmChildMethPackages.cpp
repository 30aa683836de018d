#include "wizard/pages/frmChildMethPackages.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "errors/Faultnet31.h"
#include "extract/CServer.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/MGlobals.h"
#include "wizard/MStartExit.h"
#include "wizard/UIEntry.h"

namespace pf::wizard {

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kPrefixRole = Qt::UserRole + 1;
constexpr int kOracle = 3;

QListWidget* List(const CTablePage& page) { return qobject_cast<QListWidget*>(page.Control("lstPackages")); }

// The busy pointer for as long as the object lives.
struct BusyPointer {
  BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

frmChildMethPackages::frmChildMethPackages(QWidget* parent) : CTablePage("frmChildMethPackages", parent) {
  QListWidget* list = List(*this);
  QLineEdit* prefix = Text("txtPrefix");
  connect(list, &QListWidget::itemClicked, this, [this, prefix](QListWidgetItem* item) {
    filling_ = true;
    prefix->setText(item->data(kPrefixRole).toString());
    filling_ = false;
  });
  connect(list, &QListWidget::currentItemChanged, this, [this, prefix](QListWidgetItem* item) {
    filling_ = true;
    prefix->setText(item ? item->data(kPrefixRole).toString() : QString());
    filling_ = false;
  });
  connect(prefix, &QLineEdit::textChanged, this, [this, list](const QString& text) {
    if (filling_ || !list->currentItem()) return;
    list->currentItem()->setData(kPrefixRole, text.trimmed());
    ShowItem(list->currentItem());
  });
  // Report name kept as it was: error reports and their readers rely on it.
  connect(Button("btnRefresh"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildSPMethods.btnMethRefresh_Click", [&] { btnRefresh_Click(); }); });
  connect(Button("btnSelectAll"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildMethPackages.btnSelectAll_Click", [&] { SelectAll(true); }); });
  connect(Button("btnUnselectAll"), &QPushButton::clicked, this,
          [this] { UIEntry("frmChildMethPackages.btnUnselectAll_Click", [&] { SelectAll(false); }); });
}

void frmChildMethPackages::ShowItem(QListWidgetItem* item) const {
  const QString name = item->data(kNameRole).toString(), prefix = item->data(kPrefixRole).toString();
  item->setText(prefix.isEmpty() ? name : name + " : " + prefix);
}

void frmChildMethPackages::CopyPage(int ACopyDir) {
  CSettings& settings = *MStartExit::Settings();
  if (settings.ServerType() != kOracle) return;
  bwXMLBrowser& p = *settings.xPackages;
  QListWidget* list = List(*this);
  if (ACopyDir == CD_TO_CONTROLS) {
    filling_ = true;
    list->clear();
    Text("txtPrefix")->clear();
    p.POP(0);
    if (p.MoveToFirstChild()) {
      do {
        auto* item = new QListWidgetItem(list);
        item->setData(kNameRole, QString::fromStdString(p.strAttr("Name")));
        item->setData(kPrefixRole, QString::fromStdString(p.strAttr("Prefix")));
        ShowItem(item);
        item->setSelected(p.strAttr("Selected") == "True");
      } while (p.MoveNext());
    }
    filling_ = false;
    return;
  }
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    const std::string name = item->data(kNameRole).toString().toStdString();
    const std::string prefix = item->data(kPrefixRole).toString().toStdString();
    p.POP(0);
    if (!p.FindElem("Package", "Name", name)) {
      if (prefix.empty() && !item->isSelected()) continue;
      p.POP(0);
      p.CreateChild("Package", true, false);
      p.Attr("Name", Variant(name));
    }
    p.Attr("Prefix", Variant(prefix));
    p.Attr("Selected", Variant(std::string(item->isSelected() ? "True" : "False")));
  }
}

void frmChildMethPackages::btnRefresh_Click() {
  BusyPointer busy;
  CSettings& settings = *MStartExit::Settings();
  std::string error;
  Faultnet31::Check(settings.Server()->CanConnect(error), ERR_USER_CHECK, "Connection failed: " + error);
  CopyControls(CD_TO_PROFILE);
  settings.PackagesRefresh();
  CopyControls(CD_TO_CONTROLS);
  EnableControls();
}

void frmChildMethPackages::SelectAll(bool select) {
  if (!MGlobals::Confirm(select ? "Are you sure? Every package in the list will be selected, and the class will wrap "
                                  "the procedures of all of them."
                                : "Are you sure? No package will stay selected, and the class will wrap none of "
                                  "their procedures."))
    return;
  QListWidget* list = List(*this);
  for (int i = 0; i < list->count(); ++i) list->item(i)->setSelected(select);
}

}  // namespace pf::wizard
