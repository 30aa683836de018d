#pragma once
// frmDataLink: the connection-string dialog, in the place of the platform's data-link
// dialog. A provider list (SQL Server, Sybase, Oracle, Access/Jet, ODBC, catalogue
// snapshots, or the raw string), the fields the chosen provider needs (password shown
// masked), the whole string as text with its passwords masked (CMaskedConnString), and
// Test Connection. An existing string is parsed into the fields; keys the dialog does not
// know are kept as they stand (DataLinkFields). OK accepts only a string the data-access
// layer takes, or the string it opened with; Cancel changes nothing.

#include <QDialog>
#include <functional>
#include <string>

#include "platform/ado/DataLinkFields.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pf::wizard {

class CMaskedConnString;

class frmDataLink : public QDialog {
  Q_OBJECT

 public:
  // Tests a connection string; shows its own messages.
  using Tester = std::function<void(const std::string& AConnectString)>;

  frmDataLink(const std::string& AConnectString, Tester tester, QWidget* parent = nullptr);

  std::string ConnectionString() const { return model_.Text(); }
  const ado::DataLinkFields& Model() const { return model_; }
  // The line edit of a field (objectName "txt" + field name), for tests and tools.
  QLineEdit* FieldEdit(ado::DataLinkFields::Field f) const;

  // Refuses (with a message) a string the data-access layer would not take.
  void accept() override;

  // The modal uses. Design: a new string when AConnectString is blank, else an edit of
  // it; true and the string on OK. EditFile: the same dialog on the string of a data link
  // file, written back atomically on OK; a file that is not a link file is refused with
  // an AppError before the dialog opens and is left alone.
  static bool Design(QWidget* owner, std::string& AConnectString, Tester tester);
  static bool EditFile(QWidget* owner, const std::string& Path, Tester tester);

  // Tests put a function in the place of the modal loop: it gets the open dialog and
  // returns what exec() would (QDialog::Accepted after calling accept(), or Rejected).
  static std::function<int(frmDataLink&)>& ScriptedRun();

 private:
  void ShowProvider();
  void FieldEdited(ado::DataLinkFields::Field f, const QString& value);
  void RawEdited();
  void ShowFields();
  int Run();

  ado::DataLinkFields model_;
  Tester tester_;
  bool updating_ = false;
  QComboBox* cmbProvider_;
  QFormLayout* form_;
  QCheckBox* chkIntegrated_;
  QPlainTextEdit* txtConnString_;
  CMaskedConnString* connString_;
  QLabel* lblRawNote_;
};

}  // namespace pf::wizard
