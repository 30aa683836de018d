#pragma once
// A connection string shown in a text box with its password values as "***" (Secrets),
// so that a password never stands on the screen or in a screenshot while the string stays
// editable as text: editing around a masked value keeps the password it stands for, typing
// over it replaces it, and a password typed in clear is masked once the box is left.
//
// The object is a child of its box and keeps the real string the box was last filled
// with; the real string now is that, with the user's edits of the shown text applied.

#include <QObject>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace pf::wizard {

class CMaskedConnString : public QObject {
  Q_OBJECT

 public:
  explicit CMaskedConnString(QLineEdit* box);
  explicit CMaskedConnString(QPlainTextEdit* box);

  // Fills the box with `real`, masked.
  void Show(const std::string& real);
  // The real string behind what the box shows.
  std::string Real() const;

  // The string of a line edit: the real one when it masks, else its text. Set fills it.
  static std::string Get(const QLineEdit* box);
  static void Set(QLineEdit* box, const std::string& real);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string Shown() const;

  QLineEdit* line_ = nullptr;
  QPlainTextEdit* plain_ = nullptr;
  std::string shownFrom_;  // the real string the box was last filled with
};

}  // namespace pf::wizard
