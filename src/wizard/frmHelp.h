#pragma once
// frmHelp: the user guide in a window of its own beside the wizard, kept at the anchor of
// the current page. Deleted when closed; the main window then forgets it.

#include <QWidget>
#include <string>

class QTextBrowser;

namespace pf::wizard {

class frmHelp : public QWidget {
  Q_OBJECT

 public:
  explicit frmHelp(QWidget* owner);
  ~frmHelp() override;

  // Shows the user guide at Anchor. With Position, a window not yet shown is placed beside
  // the main window where the screen has room and shown (without blocking the wizard).
  void ShowHelp(const std::string& Anchor, bool Position);
  // The address shown: the guide's URL with the anchor as its fragment.
  QUrl Source() const;
  QTextBrowser* Browser() const { return browser_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void WrapCodeLines();
  QTextBrowser* browser_;
};

}  // namespace pf::wizard
