#pragma once
// CTablePage: a settings page built from its row of the page table (PageTable.h). It
// lays out the row's controls in order (labels as buddies of their fields, option
// groups in frames, notes under their controls), binds them to the row's keys in that
// order (CopyControls) and applies the row's enable rules (EnableControls), also
// whenever a control named in a rule is clicked or edited. Pages with actions derive
// from it and find their controls by name.

#include <QList>
#include <string>

#include "wizard/CChildForm.h"
#include "wizard/pages/PageTable.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pf {
class bwXMLBrowser;
}

namespace pf::wizard {

class CTablePage : public CChildForm {
  Q_OBJECT

 public:
  CTablePage(const char* pageName, QWidget* parent);

  // Binds the row's controls to the row's keys in table order. Errors are recorded
  // under "<page>.CopyControls(ACopyDir)" and passed on.
  void CopyControls(int ACopyDir) override;
  // Applies the row's rules in order. A control a rule greys out says in its tool tip
  // what makes it available.
  void EnableControls() override;

  const PageTable::Page& Row() const { return *row_; }
  // The control of that name (the first button of an option group); nullptr when none.
  QWidget* Control(const char* name) const;
  QPushButton* Button(const char* name) const;
  QLineEdit* Text(const char* name) const;
  QCheckBox* Check(const char* name) const;
  QComboBox* Combo(const char* name) const;
  // The buttons of an option group, in Index order.
  QList<QRadioButton*> Options(const char* name) const;
  // The index of the set button of an option group, -1 when none is set.
  int OptionIndex(const char* name) const;
  void SetOption(const char* name, int index);

  // The page's section viewer, taken afresh from the settings model (it is replaced
  // whenever the profile is).
  bwXMLBrowser* Viewer() const;
  // "<module>.<handler>" as this page's error reports name it.
  std::string ReportName(const char* handler) const;

 protected:
  // The body of CopyControls, run under its error frame; by default CopyBound.
  virtual void CopyPage(int ACopyDir) { CopyBound(ACopyDir); }
  // SetCopyMode with the page's viewer, then CopyControl for each bound control.
  void CopyBound(int ACopyDir);

 private:
  void Build();
  bool Holds(const PageTable::Term& t) const;
  // What a term asks for, in the words of the page: "\"Log to a file\" is ticked".
  QString Explain(const PageTable::Term& t) const;

  const PageTable::Page* row_;
};

}  // namespace pf::wizard
