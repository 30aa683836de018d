#pragma once
// CUIController: moves values between the controls of a wizard page and the keys of one
// profile section, in either direction, with one rule per kind of control; plus a small
// control-group mechanism (groups disabled by an authority) and list filling.
//
// Kinds are told apart by the widget's class and reported under these names:
//   QLineEdit "TextBox", QComboBox "ComboBox" (not editable: a drop-down list),
//   QListWidget "ListBox", QPushButton "CommandButton", QLabel "Label",
//   QRadioButton with an integer property "Index" "OptionButton" (the buttons of one
//   option group share their objectName and differ by Index), QCheckBox "CheckBox",
//   QGroupBox "Frame", QTableWidget "SSDBGrid". Anything else is reported by its class.
// A control's groups are the words of its string property "Tag" (commas or blanks
// between them) and its own objectName; the word "ClearList" in the tag lets clearing
// remove a list's items.
//
// Errors are AppError, recorded with the error library and passed on.

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace pf {
class bwXMLBrowser;
}

namespace pf::wizard {

class CUIController {
 public:
  // ---- copying
  // The section viewer the keys are read from and written to, and the direction
  // (0: controls to profile, 1: profile to controls). The viewer is not owned.
  void SetCopyMode(bwXMLBrowser* xSource, int Dir);
  int CopyDir() const { return copyDir_; }
  void CopyDir(int Dir) { copyDir_ = Dir; }
  // Copies one control in the current direction. An empty key name means the control's
  // objectName; Fmt formats a text box's value (a number or date picture, VBFormat) when
  // loading; a drop-down list whose key holds no position of its list raises
  // 0x80041065 when loading and is left as it was; with
  // ZeroAsEmpty a text box shows nothing for a value that reads as the zero date (an
  // empty, zero or non-date value).
  void CopyControl(QWidget* Ctrl, const std::string& ElemAttrName = {}, const std::string& Fmt = {},
                   bool ZeroAsEmpty = false);

  // ---- control groups (plain text logic; DisabledGroups holds "AUTH:group" entries)
  void EnableRefresh(bool En) { refreshSuppressed_ = !En; }
  const std::string& DisabledGroups() const { return disabledGroups_; }
  void DisabledGroups(const std::string& groups) { disabledGroups_ = groups; }
  void EnableAll();
  // Each argument may be a group name or a comma list of them.
  void SetGroupsEnabled(const std::string& AUTH, bool En, const std::vector<std::string>& pGroups);
  // True when AGroup is disabled by AUTH, or by any authority when AUTH is empty.
  bool IsGroupDisabled(const std::string& AGroup, const std::string& AUTH) const;

  // ---- controls of a window
  // Enables every control of AForm unless one of its groups is disabled by any authority.
  void RefreshDisabledStatus(QWidget* AForm);
  // Sets Enabled for the kinds TextBox, ComboBox, ListBox, CommandButton, Label,
  // OptionButton, CheckBox and Frame; other kinds are left alone.
  void EnableControl(QWidget* Ctrl, bool En);
  // ClearControl on every control of AForm whose tag names one of Groups (a comma list).
  void ClearControls(QWidget* AForm, const std::string& Groups, bool ClearLists);
  // A list or combo box loses its items when its tag holds "ClearList", whatever
  // ClearLists says.
  void ClearControl(QWidget* Ctrl, bool ClearLists);

  // ---- lists
  // Empties a list or combo box and adds one item per child element of xFromList's
  // current element (only those whose FilterAttr equals FilterValue when FilterAttr is
  // given): ItemAttr as the text and DataAttr read as an integer as the item's data.
  // A single item is selected.
  void FillListControl(QWidget* Ctrl, bwXMLBrowser& xFromList, const std::string& ItemAttr,
                       const std::string& DataAttr = {}, const std::string& FilterAttr = {},
                       const std::string& FilterValue = {});

  // The kind name of a control (see above).
  static std::string ControlKind(const QWidget* Ctrl);

 private:
  bwXMLBrowser* source_ = nullptr;
  int copyDir_ = 0;
  std::string disabledGroups_;
  bool refreshSuppressed_ = false;
};

// Index of the first item of a list or combo box whose text, blanks trimmed, equals
// AText trimmed (AText not blank), or whose item data equals AData; -1 when none.
int ComboBoxFind(QWidget* lst, const std::string& AText, std::optional<int> AData = {});
// Selects the item ComboBoxFind finds; no selection when there is none.
void ComboBoxSelectByTextOrData(QWidget* lst, const std::string& AText, std::optional<int> AData = {});

// The words of a control's tag: separated by commas and blanks.
std::vector<std::string> TagWords(const QWidget* Ctrl);

}  // namespace pf::wizard
