#include "wizard/CUIController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVariant>

#include "text/MMethUtils.h"
#include "base/SourceText.h"
#include "errors/AppError.h"
#include "errors/ErrGuard.h"
#include "base/NoCase.h"
#include "base/VBDate.h"
#include "base/VBFormat.h"
#include "settings/MKeyTypes.h"
#include "wizard/CMaskedConnString.h"
#include "xml/bwXMLBrowser.h"

namespace pf::wizard {

namespace {

std::string Trimmed(std::string_view s) { return std::string(srctext::TrimBlanks(s)); }

std::string NameOf(const QWidget* w) { return w ? w->objectName().toStdString() : std::string(); }

// Reading Index ignores errors: a control without it has none.
std::optional<int> OptionIndex(const QWidget* w) {
  bool ok = false;
  const int index = w->property("Index").toInt(&ok);
  if (!ok) return std::nullopt;
  return index;
}

bool TagHasWord(const QWidget* w, std::string_view word) {
  for (const std::string& t : TagWords(w))
    if (NoCase::Equals(t, word)) return true;
  return false;
}

// Typed text is refused, before anything is stored, when the key does not accept it (a
// number key holding letters, a prefix that cannot begin a name); the section element's
// name is the section the key belongs to.
void StoreTypedText(bwXMLBrowser& x, const std::string& key, const std::string& value) {
  MKeyTypes::RequireKeyValue(x.RootElement().name(), key, value);
  x.Attr(key, Variant(value));
}

void CopyTextBox(QLineEdit* box, bwXMLBrowser& x, int dir, const std::string& key, const std::string& Fmt,
                 bool ZeroAsEmpty) {
  if (dir == 0) {
    StoreTypedText(x, key, CMaskedConnString::Get(box));
    return;
  }
  std::string s = x.strAttr(key);
  if (ZeroAsEmpty && VBDate::IsZero(bwXMLBrowser::SafeDate(Variant(s)))) {
    s.clear();
  } else if (!Fmt.empty()) {
    s = VBFormat::Format(s, Fmt);
  }
  CMaskedConnString::Set(box, s);
  // A value longer than the field shows its beginning, as it was typed.
  box->setCursorPosition(0);
}

void CopyComboBox(QComboBox* combo, bwXMLBrowser& x, int dir, const std::string& key) {
  if (combo->isEditable()) {
    if (dir == 0)
      StoreTypedText(x, key, combo->currentText().toStdString());
    else
      combo->setEditText(QString::fromStdString(x.strAttr(key)));
    return;
  }
  // A drop-down list stores the position of the chosen item; no choice stores 0.
  if (dir == 0) {
    x.Attr(key, Variant(combo->currentIndex() >= 0 ? combo->currentIndex() : 0));
    return;
  }
  // A position outside the list would show a blank that the next store turns into 0:
  // the page does not open on it, and the key keeps its value.
  const int32_t index = x.lngAttr(key);
  Faultnet31::Check(combo->count() == 0 || (index >= 0 && index < combo->count()), ERR_USER_CHECK,
                    "%1.%2 holds %3, which is not a position of its list (0 to %4).", x.RootElement().name(), key,
                    x.strAttr(key), combo->count() - 1);
  combo->setCurrentIndex(index);
}

void CopyOptionButton(QRadioButton* opt, int index, bwXMLBrowser& x, int dir, const std::string& key) {
  if (dir == 0) {
    if (opt->isChecked()) x.Attr(key, Variant(index));
  } else if (x.lngAttr(key) == index) {
    opt->setChecked(true);
  }
}

void CopyCheckBox(QCheckBox* chk, bwXMLBrowser& x, int dir, const std::string& key) {
  if (dir == 0)
    x.Attr(key, Variant(chk->isChecked() ? "True" : "False"));
  else
    chk->setChecked(x.boolAttr(key));
}

// The controls a window holds, nested ones included, in creation order.
QList<QWidget*> ControlsOf(QWidget* form) { return form->findChildren<QWidget*>(); }

}  // namespace

std::vector<std::string> TagWords(const QWidget* Ctrl) {
  std::string tag = Ctrl->property("Tag").toString().toStdString();
  for (char& c : tag)
    if (c == ' ') c = ',';
  std::vector<std::string> words;
  for (std::string_view w : MMethUtils::uSplit(tag, ','))
    if (!w.empty()) words.emplace_back(w);
  return words;
}

std::string CUIController::ControlKind(const QWidget* Ctrl) {
  if (qobject_cast<const QLineEdit*>(Ctrl)) return "TextBox";
  if (qobject_cast<const QComboBox*>(Ctrl)) return "ComboBox";
  if (qobject_cast<const QListWidget*>(Ctrl)) return "ListBox";
  if (qobject_cast<const QPushButton*>(Ctrl)) return "CommandButton";
  if (qobject_cast<const QLabel*>(Ctrl)) return "Label";
  if (qobject_cast<const QRadioButton*>(Ctrl) && OptionIndex(Ctrl)) return "OptionButton";
  if (qobject_cast<const QCheckBox*>(Ctrl)) return "CheckBox";
  if (qobject_cast<const QGroupBox*>(Ctrl)) return "Frame";
  if (qobject_cast<const QTableWidget*>(Ctrl)) return "SSDBGrid";
  return Ctrl ? Ctrl->metaObject()->className() : "Nothing";
}

void CUIController::SetCopyMode(bwXMLBrowser* xSource, int Dir) {
  source_ = xSource;
  copyDir_ = Dir;
}

void CUIController::CopyControl(QWidget* Ctrl, const std::string& ElemAttrName, const std::string& Fmt,
                                bool ZeroAsEmpty) {
  const std::string ctrlName = NameOf(Ctrl);
  // Report name kept as it was: error reports and their readers rely on it.
  ErrGuard(
      "clsUIController.CopyControl(Ctrl,ElemAttrName)",
      [&] {
        const std::string key = ElemAttrName.empty() ? ctrlName : ElemAttrName;
        const std::string kind = ControlKind(Ctrl);
        Faultnet31::Check(source_ != nullptr, ERR_GENERAL, "No section to copy %1 from or to", key);
        bwXMLBrowser& x = *source_;
        if (kind == "TextBox") {
          CopyTextBox(static_cast<QLineEdit*>(Ctrl), x, copyDir_, key, Fmt, ZeroAsEmpty);
        } else if (kind == "ComboBox") {
          CopyComboBox(static_cast<QComboBox*>(Ctrl), x, copyDir_, key);
        } else if (kind == "ListBox") {
          // Lists are filled by their pages.
        } else if (kind == "OptionButton") {
          CopyOptionButton(static_cast<QRadioButton*>(Ctrl), *OptionIndex(Ctrl), x, copyDir_, key);
        } else if (kind == "CheckBox") {
          CopyCheckBox(static_cast<QCheckBox*>(Ctrl), x, copyDir_, key);
        } else {
          Faultnet31::Check(false, ERR_GENERAL, "Unknown control type: %1", kind);
        }
      },
      ctrlName, ElemAttrName);
}

void CUIController::EnableAll() {
  // Report name kept as it was: error reports and their readers rely on it.
  ErrGuard("clsUIController.EnableAll", [&] { disabledGroups_.clear(); });
}

void CUIController::SetGroupsEnabled(const std::string& AUTH, bool En, const std::vector<std::string>& pGroups) {
  std::string joined;
  for (const std::string& g : pGroups) joined += (joined.empty() ? "" : ",") + g;
  ErrGuard(
      "CUIController.SetGroupsEnabled(AUTH,En,pGroups)",
      [&] {
        for (std::string_view item : MMethUtils::uSplit(joined, ',')) {
          const std::string group = Trimmed(item);
          if (group.empty() || IsGroupDisabled(group, AUTH) != En) continue;
          const std::string entry = AUTH + ":" + group;
          if (!En) {
            disabledGroups_ += (disabledGroups_.empty() ? "" : ",") + entry;
            continue;
          }
          std::string kept;
          for (std::string_view e : MMethUtils::uSplit(disabledGroups_, ','))
            if (!e.empty() && !NoCase::Equals(e, entry)) kept += (kept.empty() ? "" : ",") + std::string(e);
          disabledGroups_ = kept;
        }
      },
      AUTH, En, joined);
}

bool CUIController::IsGroupDisabled(const std::string& AGroup, const std::string& AUTH) const {
  // Report name kept as it was: error reports and their readers rely on it.
  return ErrGuard(
      "clsUIController.IsGroupDisabled(AGroup)",
      [&] {
        // Whole entries only: authority "A" does not match an entry of authority "BA".
        const std::string list = NoCase::Lower("," + disabledGroups_ + ",");
        const std::string tail = NoCase::Lower(":" + Trimmed(AGroup) + ",");
        const std::string wanted = AUTH.empty() ? tail : NoCase::Lower("," + AUTH) + tail;
        return list.find(wanted) != std::string::npos;
      },
      AGroup);
}

void CUIController::RefreshDisabledStatus(QWidget* AForm) {
  if (refreshSuppressed_) return;
  // Report name kept as it was: error reports and their readers rely on it.
  ErrGuard(
      "clsUIController.RefreshDisabledStatus(AForm)",
      [&] {
        for (QWidget* c : ControlsOf(AForm)) {
          std::vector<std::string> groups = TagWords(c);
          groups.push_back(NameOf(c));
          bool disabled = false;
          for (const std::string& g : groups)
            if (!g.empty() && IsGroupDisabled(g, "")) disabled = true;
          EnableControl(c, !disabled);
        }
      },
      NameOf(AForm));
}

void CUIController::EnableControl(QWidget* Ctrl, bool En) {
  // Report name kept as it was: error reports and their readers rely on it.
  ErrGuard(
      "clsUIController.SetCtrlEnabled(Ctrl,En)",
      [&] {
        static const char* const kinds[] = {"TextBox", "ComboBox",     "ListBox",  "CommandButton",
                                            "Label",   "OptionButton", "CheckBox", "Frame"};
        const std::string kind = ControlKind(Ctrl);
        for (const char* k : kinds)
          if (kind == k) Ctrl->setEnabled(En);
      },
      NameOf(Ctrl), En);
}

void CUIController::ClearControls(QWidget* AForm, const std::string& Groups, bool ClearLists) {
  // Report name kept as it was: error reports and their readers rely on it.
  ErrGuard(
      "clsUIController.ClearControlsX(AForm,Groups,ClearLists)",
      [&] {
        const std::vector<std::string_view> wanted = MMethUtils::uSplit(Groups, ',');
        for (QWidget* c : ControlsOf(AForm)) {
          bool named = false;
          for (const std::string& word : TagWords(c))
            for (std::string_view g : wanted)
              if (NoCase::Equals(word, srctext::TrimBlanks(g))) named = true;
          if (named) ClearControl(c, ClearLists);
        }
      },
      NameOf(AForm), Groups, ClearLists);
}

void CUIController::ClearControl(QWidget* Ctrl, bool ClearLists) {
  // Report name kept as it was: error reports and their readers rely on it.
  ErrGuard(
      "clsUIController.ClearControl(Ctrl,ClearLists)",
      [&] {
        const std::string kind = ControlKind(Ctrl);
        // The tag alone decides whether a list loses its items.
        const bool clearItems = TagHasWord(Ctrl, "ClearList");
        if (kind == "TextBox") {
          static_cast<QLineEdit*>(Ctrl)->clear();
        } else if (kind == "ComboBox") {
          auto* combo = static_cast<QComboBox*>(Ctrl);
          combo->setCurrentIndex(-1);
          if (clearItems) combo->clear();
          if (combo->isEditable()) combo->clearEditText();
        } else if (kind == "ListBox") {
          auto* list = static_cast<QListWidget*>(Ctrl);
          list->clearSelection();
          list->setCurrentRow(-1);
          if (clearItems) list->clear();
        } else if (kind == "OptionButton") {
          // A cleared group shows its first option; the group clears its other buttons.
          if (OptionIndex(Ctrl) == 0) static_cast<QRadioButton*>(Ctrl)->setChecked(true);
        } else if (kind == "CheckBox") {
          static_cast<QCheckBox*>(Ctrl)->setChecked(false);
        } else if (kind == "SSDBGrid") {
          static_cast<QTableWidget*>(Ctrl)->setRowCount(0);
        }
      },
      NameOf(Ctrl), ClearLists);
}

void CUIController::FillListControl(QWidget* Ctrl, bwXMLBrowser& xFromList, const std::string& ItemAttr,
                                    const std::string& DataAttr, const std::string& FilterAttr,
                                    const std::string& FilterValue) {
  ErrGuard(
      "CUIController.FillListControl(Ctrl,xFromList,ItemAttr,DataAttr,FilterAttr,FilterValue)",
      [&] {
        auto* list = qobject_cast<QListWidget*>(Ctrl);
        auto* combo = qobject_cast<QComboBox*>(Ctrl);
        Faultnet31::Check(list || combo, ERR_GENERAL, "Not a list control: %1", NameOf(Ctrl));
        if (list) list->clear();
        if (combo) combo->clear();
        int count = 0;
        for (pugi::xml_node child : xFromList.Element().children()) {
          if (child.type() != pugi::node_element) continue;
          if (!FilterAttr.empty() && FilterValue != child.attribute(FilterAttr.c_str()).value()) continue;
          const QString text = QString::fromUtf8(child.attribute(ItemAttr.c_str()).value());
          QVariant data;
          if (!DataAttr.empty())
            data = bwXMLBrowser::SafeLng(Variant(std::string(child.attribute(DataAttr.c_str()).value())));
          if (list) {
            auto* item = new QListWidgetItem(text, list);
            if (data.isValid()) item->setData(Qt::UserRole, data);
          } else {
            combo->addItem(text, data);
          }
          ++count;
        }
        // Only a single item is chosen for the user (a combo box chooses its first item itself).
        if (list) list->setCurrentRow(count == 1 ? 0 : -1);
        if (combo) combo->setCurrentIndex(count == 1 ? 0 : -1);
      },
      NameOf(Ctrl), &xFromList, ItemAttr, DataAttr, FilterAttr, FilterValue);
}

int ComboBoxFind(QWidget* lst, const std::string& AText, std::optional<int> AData) {
  // Report name kept as it was: error reports and their readers rely on it.
  return ErrGuard(
      "modUICorp.ComboBoxFind(lst,AText)",
      [&]() -> int {
        const std::string wanted = Trimmed(AText);
        auto matches = [&](const QString& text, const QVariant& data) {
          if (!wanted.empty() && Trimmed(text.toStdString()) == wanted) return true;
          return AData && data.isValid() && data.toInt() == *AData;
        };
        if (auto* combo = qobject_cast<QComboBox*>(lst)) {
          for (int i = 0; i < combo->count(); ++i)
            if (matches(combo->itemText(i), combo->itemData(i))) return i;
        } else if (auto* list = qobject_cast<QListWidget*>(lst)) {
          for (int i = 0; i < list->count(); ++i)
            if (matches(list->item(i)->text(), list->item(i)->data(Qt::UserRole))) return i;
        }
        return -1;
      },
      NameOf(lst), AText);
}

void ComboBoxSelectByTextOrData(QWidget* lst, const std::string& AText, std::optional<int> AData) {
  const int index = ComboBoxFind(lst, AText, AData);
  if (auto* combo = qobject_cast<QComboBox*>(lst)) combo->setCurrentIndex(index);
  if (auto* list = qobject_cast<QListWidget*>(lst)) list->setCurrentRow(index);
}

}  // namespace pf::wizard
