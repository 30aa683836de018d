#pragma once
// frm0MDIMain: the wizard's main window. The navigation tree of the 34 pages on the left,
// the current page on the right, Previous, Next, Done, Help, About and Exit below. It
// creates every page once (from the page table, ChildForms.h), keeps one in front, and on
// every page change has the page being left store its controls into the profile and the
// new page load them (ShowForm). It offers the pages file dialogs, the connection-string
// designer, freezing the tree and access to a page by its name.
//
// Errors of its event handlers are recorded under "frm0MDIMain.<handler>" and shown by
// HandleUIError; its public operations record theirs and pass them on.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "wizard/frmHelp.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace pf {
class CProgress;
}

namespace pf::wizard {

class CChildForm;


class frm0MDIMain : public QWidget {
  Q_OBJECT

 public:
  explicit frm0MDIMain(QWidget* parent = nullptr);
  ~frm0MDIMain() override;

  // File dialogs. The initial folder and name come from FullFileName (split at its last
  // "/" or "\"); Filter is "Description|patterns|..." with ";" between patterns; Flags
  // are the file-dialog flags the pages pass (0x2: ask before overwriting). On
  // confirmation FullFileName is the chosen path and the result true. The tree is frozen
  // while the dialog is open and released 500 ms after it closes.
  bool DialogSave(std::string& FullFileName, const std::string& Ext, const std::string& Filter,
                  const std::string& Title, int Flags);
  bool DialogOpen(std::string& FullFileName, const std::string& Ext, const std::string& Filter,
                  const std::string& Title, int Flags);

  void LoadSelf();
  void ShowChildForms();
  void SelectRootNode();
  // Called by the help window when it closes.
  void FormHelpUnloaded();
  // Caption: the profile's file name up to its first full stop, then " - Procforge".
  void UpdateCaption();
  // Selects the first node with that tag and shows its page; an unknown tag does nothing.
  void SelectNodeByTag(const std::string& ATag);
  void SelectNextTreeNode();
  void SelectPreviousTreeNode();
  // Delay below 1: the tree is enabled or disabled at once; otherwise it is enabled
  // Delay milliseconds later.
  void SetTreeEnabled(bool Enabled, int Delay);
  // The page of that name; raises 0x80041065 for a name no page has.
  CChildForm* GetChildForm(const std::string& Tag);
  // The current page stores its controls into the profile.
  void SaveCurrentFormData();
  // The current page loads its controls from the profile again (it was reloaded).
  void ReloadCurrentFormData();
  // Lets the user design a connection string (new when AConnectString is blank, else an
  // edit of it). True and the designed string on confirmation.
  bool DesignConnectionString(std::string& AConnectString);
  // The designer behind DesignConnectionString; the settings pages install theirs.
  using ConnectionDesigner = std::function<bool(QWidget* owner, std::string& AConnectString)>;
  static void SetConnectionDesigner(ConnectionDesigner designer);

  CChildForm* CurrentForm() const { return currentForm_; }
  // The tag of the selected tree node (empty when none).
  std::string SelectedTag() const;
  QTreeWidget* Tree() const { return trvSettings_; }
  frmHelp* HelpForm() const { return help_; }
  // Windows that follow the main window: hidden while it is minimised, shown again when
  // it is restored (the code viewers register here; the help window always does).
  void AddCompanionWindow(QWidget* w);
  // Moves a window of its own (help, code viewer) beside this one, where the screen has
  // room for it at least MinWidth wide: to the right, else to the left, narrowed to the
  // room there; top edges aligned. Without such room it keeps its width and goes against
  // the screen's edge where it covers the least of the page and the buttons (over the
  // tree, the part least in the way).
  void PlaceBeside(QWidget* w, int MinWidth) const;
  // That place for a window of size Wanted beside the frame Main within the screen area
  // Area, covering as little of Keep as it can when it must cover Main (nothing only when
  // there is no screen).
  static std::optional<QRect> BesideRect(const QRect& Main, const QSize& Wanted, const QRect& Area, int MinWidth,
                                         const QRect& Keep = {});

  // A generation run is in progress: the window's controls are disabled, and closing
  // the window cancels the run instead of exiting. nullptr when the run is over.
  void SetGenerationRun(CProgress* progress);
  // Forgets the pages (exit); they go with the window.
  void ReleaseChildForms();

  // One tick of the fade-in timer; public so that the fade can be followed step by step.
  void tmrTransp_Timer();
  // The clock of the fade-in, in milliseconds; tests replace it.
  static std::function<qint64()>& FadeClock();
  int FadeLevel() const { return fadeLevel_; }

  // Exposed for the tests' walker and screenshots.
  QPushButton* Button(const QString& name) const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Exit, the window manager's close and Alt+F4: "Are you sure" (not after a stop
  // signal), then ExitApplication; true when the program exits.
  bool AskAndExit();
  // The first control of the page that takes Tab focus (the page itself when none does).
  static void FocusFirstControl(QWidget* page);
  void SetThisFormStyle();
  // The width the tree needs to show every node's text whole.
  int TreeWidth() const;
  void CheckButtonsState();
  void AdjustWindow();
  void SetupNavTree();
  QTreeWidgetItem* AddNode(const QString& NodeText, QTreeWidgetItem* ParentNode, const QString& FormTag,
                           const QString& Img);
  void LoadChildForms();
  void SetupChildForm(CChildForm* AForm);
  void ShowForm(const std::string& NodeTag);
  void SelectNode(QTreeWidgetItem* node);
  void ShowHelpButton();
  bool RunFileDialog(bool save, std::string& FullFileName, const std::string& Ext, const std::string& Filter,
                     const std::string& Title, int Flags);

  void trvSettings_NodeClick(QTreeWidgetItem* Node);

  QWidget* pnlMain_;
  QWidget* pnlLeft_;
  QTreeWidget* trvSettings_;
  QStackedWidget* pages_;
  QWidget* pnlBottom_;
  QTimer* tmrTransp_;
  QTimer* tmrFreeze_;

  std::vector<QTreeWidgetItem*> nodes_;  // creation order
  std::map<std::string, CChildForm*> childForms_;
  CChildForm* currentForm_ = nullptr;
  QPointer<frmHelp> help_;
  std::vector<QPointer<QWidget>> companions_;
  std::vector<QPointer<QWidget>> hiddenWithMe_;
  CProgress* run_ = nullptr;
  bool selecting_ = false;  // the tree's selection is being set by the program

  QSize startSize_;
  int fadeLevel_ = 0;
  qint64 fadeStart_ = 0;
};

// The file-dialog filter of a "Description|patterns|..." text, as Qt writes it.
QString DialogFilter(const std::string& Filter);

}  // namespace pf::wizard
