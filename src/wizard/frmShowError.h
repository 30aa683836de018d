#pragma once
// frmShowError: shows an error report in a read-only text box of a resizable window.

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace pf::wizard {

class frmShowError : public QDialog {
  Q_OBJECT

 public:
  // Opens a window (modeless, deleted when closed) showing AReport; returns it, or
  // nullptr while the windows are scripted.
  static frmShowError* ErrorReport(const std::string& AReport);

  QString Report() const;

 private:
  explicit frmShowError(const QString& report);
  QPlainTextEdit* txtReport_;
};

}  // namespace pf::wizard
