#pragma once
// frm0MsgBox: the program's own modal message window (OK, or Yes and No). A message
// that carries an error report below its first line shows the first line only, with a
// Details button that opens the report in frmShowError.

#include <QDialog>
#include <QStringList>
#include <string>

namespace pf::wizard {

class frm0MsgBox : public QDialog {
  Q_OBJECT

 public:
  // Options: 0 OK only, 4 Yes/No, 3 Yes/No/Cancel. Returns 1 (OK), 6 (Yes), 7 (No) or
  // 2 (Cancel); closing the window answers OK, No, or Cancel when there is one. An empty
  // caption is "Procforge". Choices, when given, are the captions of Yes, No and Cancel;
  // with Yes/No/Cancel a fourth choice is a third answer, between No and Cancel, that
  // answers 4 (Retry), so that Cancel and Escape keep their meaning.
  static int ShowMessage(const std::string& Msg, int Options, const std::string& ACaption,
                         const QStringList& Choices = {});

 private:
  frm0MsgBox(const QString& text, const QString& details, int options, const QString& caption,
             const QStringList& choices, QWidget* parent);
  int answer_;
};

}  // namespace pf::wizard
