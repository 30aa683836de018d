#pragma once
// frm0Run: the small modeless progress window of a generation run, owned by the main
// window: one message line, a bar with the count of procedures done and their total,
// and Cancel. Cancel marks the run cancelled (the next progress
// message then stops the build) and closes the window. While the run waits for the
// database server, a second line says what it waits for.
//
// The run works on a thread of its own and reports through IProgressDisplay from there:
// each message waits until this window shows it, so the run is never ahead of what the
// user sees; the other calls are passed to the window thread without waiting.

#include <QDialog>
#include <string>

#include "shell/CProgress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pf::wizard {

class frm0Run : public QDialog, public IProgressDisplay {
  Q_OBJECT

 public:
  explicit frm0Run(QWidget* owner);

  // The run this window shows; set and cleared by the generation command.
  CProgress* Progress = nullptr;

  // Shows a message: a blank, then the text, cut after 45 characters with " ...".
  void Message(const std::string& Msg);
  QString MessageText() const;

  // IProgressDisplay: the label text as CProgress laid it out, and pending events.
  void SetMessage(const std::string& labelText) override;
  void DoEvents() override;
  void SetCount(int32_t Done, int32_t Total) override;
  // What the run waits for (empty: it waits no longer); the line shows only meanwhile.
  void SetWaiting(const std::string& Text);

  QPushButton* CancelButton() const { return btnCancel_; }

 protected:
  void reject() override;

 private:
  void btnCancel_Click();

  QLabel* lblMessage_;
  QLabel* lblWait_;
  QProgressBar* barProgress_;
  QPushButton* btnCancel_;
};

}  // namespace pf::wizard
