#pragma once
// frm0MsgBox: the program's own modal message window (OK, or Yes and No). A message
// that carries an error report below its first line shows the first line only, with a
// Details button that opens the report in frmShowError.

#include <QDialog>
#include <string>

namespace pf::wizard {

class frm0MsgBox : public QDialog {
  Q_OBJECT

 public:
  // Options: 0 OK only, 4 Yes/No. Returns 1 (OK), 6 (Yes) or 7 (No); closing the window
  // answers OK or No. An empty caption is "Procforge".
  static int ShowMessage(const std::string& Msg, int Options, const std::string& ACaption);

 private:
  frm0MsgBox(const QString& text, const QString& details, int options, const QString& caption, QWidget* parent);
  int answer_;
};

}  // namespace pf::wizard
