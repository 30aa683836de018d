#include "wizard/frm0MDIMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "errors/AppError.h"
#include "errors/ErrGuard.h"
#include "base/AppPaths.h"
#include "base/Version.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"
#include "shell/MGlobals.h"
#include "shell/MUtils.h"
#include "wizard/CChildForm.h"
#include "wizard/MAccessibility.h"
#include "wizard/CUIController.h"
#include "wizard/ChildForms.h"
#include "wizard/MIcons.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/NextAnswers.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MsgBox.h"
#include "wizard/frmDataLink.h"
#include "wizard/frmHelp.h"
#include "wizard/frmSplash.h"

namespace pf::wizard {

namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr int kTwipsPerInch = 1440;
constexpr int kFadeStep = 80;
constexpr qint64 kFadeMinMs = 2000;
constexpr const char* kStartPage = "frmChild0StartPage";
constexpr const char* kBuildPage = "frmChildBuildCode";
constexpr const char* kResultsPage = "frmChildRunVBProject";

// Platforms without window opacity (offscreen) only follow the levels.
void SetOpacity(QWidget* w, double opacity) {
  const QString platform = QGuiApplication::platformName();
  if (platform != "offscreen" && platform != "minimal") w->setWindowOpacity(opacity);
}

std::string TagOf(const QTreeWidgetItem* node) {
  return node ? node->data(0, kTagRole).toString().toStdString() : std::string();
}

// The navigation tree, which tells the width its node texts need.
class NavTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;
  int ContentWidth() const { return sizeHintForColumn(0); }
};

// The file dialog, where a typed folder name and Enter open the folder, as a file dialog's
// user expects: Qt adds the default suffix to the typed name before it looks whether the
// name is a folder (and looks in the working folder, not the dialog's), so it asked for
// "name.sql" instead.
class FileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  void accept() override {
    const QStringList files = selectedFiles();
    const QString suffix = "." + defaultSuffix();
    if (files.size() == 1 && suffix.size() > 1 && files[0].endsWith(suffix) && !QFileInfo::exists(files[0]))
      if (const QFileInfo folder(files[0].chopped(suffix.size())); folder.isDir()) {
        setDirectory(folder.absoluteFilePath());
        selectFile(QString());
        return;
      }
    QFileDialog::accept();
  }
};

frm0MDIMain::ConnectionDesigner& Designer() {
  static frm0MDIMain::ConnectionDesigner designer;
  return designer;
}

}  // namespace

QString DialogFilter(const std::string& Filter) {
  const QStringList parts = QString::fromStdString(Filter).split('|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    const QString patterns = parts[i + 1].split(';', Qt::SkipEmptyParts).join(' ');
    // "VB Class|*.cls" shows as "VB Class (*.cls)"; a description that already names its
    // patterns in parentheses keeps its own text and gets them once.
    if (const qsizetype open = description.indexOf('('); open >= 0) description = description.left(open).trimmed();
    out << QString("%1 (%2)").arg(description, patterns);
  }
  return out.join(";;");
}

frm0MDIMain::frm0MDIMain(QWidget* parent) : QWidget(parent) {
  setObjectName("frm0MDIMain");
  setWindowTitle("Procforge");
  setWindowIcon(MIcons::AppIcon());

  pnlMain_ = new QWidget(this);
  pnlMain_->setObjectName("pnlMain");

  pnlLeft_ = new QWidget(pnlMain_);
  pnlLeft_->setObjectName("pnlLeft");
  trvSettings_ = new NavTree(pnlLeft_);
  trvSettings_->setObjectName("trvSettings");
  trvSettings_->setAccessibleName(tr("Settings pages"));
  trvSettings_->setHeaderHidden(true);
  trvSettings_->setColumnCount(1);
  // The root stays open, so it needs no expand mark; the narrower tree leaves the pages
  // room for their longest options at the starting size.
  trvSettings_->setRootIsDecorated(false);
  trvSettings_->setIndentation(12);
  trvSettings_->setIconSize(QSize(16, 16));
  trvSettings_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Long node texts scroll sideways rather than being cut short.
  trvSettings_->setTextElideMode(Qt::ElideNone);
  trvSettings_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  trvSettings_->header()->setStretchLastSection(false);
  trvSettings_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* leftLayout = new QVBoxLayout(pnlLeft_);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(trvSettings_);

  pages_ = new QStackedWidget(pnlMain_);
  pages_->setObjectName("pnlPages");

  pnlBottom_ = new QWidget(pnlMain_);
  pnlBottom_->setObjectName("pnlBottom");
  auto* bottom = new QHBoxLayout(pnlBottom_);
  bottom->setContentsMargins(8, 6, 8, 6);
  auto* picture = new QLabel(pnlBottom_);
  picture->setObjectName("imgProgram");
  picture->setPixmap(MIcons::AppIcon().pixmap(24, 24));
  bottom->addWidget(picture);
  bottom->addStretch(1);
  struct ButtonDecl {
    const char* name;
    QString caption;
  };
  // Their access keys (v, e, o, h, u, x) are left free on every page, which shares the
  // window with them.
  for (const ButtonDecl& b : {ButtonDecl{"btnBack", tr("Pre&vious")}, ButtonDecl{"btnNext", tr("N&ext")},
                              ButtonDecl{"btnDone", tr("D&one")}, ButtonDecl{"btnHelp", tr("&Help...")},
                              ButtonDecl{"btnAbout", tr("Abo&ut...")}, ButtonDecl{"btnExit", tr("E&xit")}}) {
    auto* button = new QPushButton(b.caption, pnlBottom_);
    button->setObjectName(b.name);
    button->setAutoDefault(false);
    bottom->addWidget(button);
  }

  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(0);
  top->addWidget(pnlLeft_);
  top->addWidget(pages_, 1);
  auto* mainLayout = new QVBoxLayout(pnlMain_);
  mainLayout->setContentsMargins(0, 0, 0, 0);
  mainLayout->setSpacing(0);
  mainLayout->addLayout(top, 1);
  auto* rule = new QFrame(pnlMain_);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  mainLayout->addWidget(rule);
  mainLayout->addWidget(pnlBottom_);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(pnlMain_);

  tmrTransp_ = new QTimer(this);
  tmrTransp_->setObjectName("tmrTransp");
  tmrTransp_->setInterval(60);
  tmrFreeze_ = new QTimer(this);
  tmrFreeze_->setObjectName("tmrFreeze");
  tmrFreeze_->setSingleShot(true);

  connect(Button("btnNext"), &QPushButton::clicked, this,
          [this] { UIEntry("frm0MDIMain.btnNext_Click", [&] { SelectNextTreeNode(); }); });
  connect(Button("btnBack"), &QPushButton::clicked, this,
          [this] { UIEntry("frm0MDIMain.btnBack_Click", [&] { SelectPreviousTreeNode(); }); });
  connect(Button("btnDone"), &QPushButton::clicked, this,
          [this] { UIEntry("frm0MDIMain.btnDone_Click", [&] { SelectNodeByTag(kBuildPage); }); });
  connect(Button("btnHelp"), &QPushButton::clicked, this,
          [this] { UIEntry("frm0MDIMain.btnHelp_Click", [&] { ShowHelpButton(); }); });
  connect(Button("btnAbout"), &QPushButton::clicked, this, [this] {
    UIEntry("frm0MDIMain.btnAbout_Click", [&] {
      frm0MsgBox::ShowMessage("Procforge\r\n" + frmSplash::VersionLine().toStdString() + "\r\n" +
                                  frmSplash::VersionNumbersExplained().toStdString() +
                                  "\r\n\r\nGenerates a Visual Basic class that wraps the stored procedures of a "
                                  "database, with its run-time layer for ADO.",
                              vbOKOnly, "About Procforge");
    });
  });
  connect(Button("btnExit"), &QPushButton::clicked, this,
          [this] { UIEntry("frm0MDIMain.btnExit_Click", [&] { AskAndExit(); }); });
  // A double-click on Previous or Next counts as two clicks: the second press arrives as
  // a double-click, which moves once more and is then handled.
  Button("btnNext")->installEventFilter(this);
  Button("btnBack")->installEventFilter(this);

  connect(trvSettings_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
    UIEntry(
        "frm0MDIMain.trvSettings_NodeClick(Node)", [&] { trvSettings_NodeClick(node); }, TagOf(node));
  });
  // Keyboard moves in the tree show their page as a click does; a mouse press is
  // followed by its click, which shows the page.
  connect(trvSettings_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
    if (selecting_ || !node || QApplication::mouseButtons() != Qt::NoButton) return;
    UIEntry(
        "frm0MDIMain.trvSettings_NodeClick(Node)", [&] { trvSettings_NodeClick(node); }, TagOf(node));
  });
  // A node selected without a click or a key (through the accessibility layer) shows its
  // page as well; this runs once the selection has settled, so a click or key that
  // already showed the page finds nothing left to do.
  connect(
      trvSettings_, &QTreeWidget::itemSelectionChanged, this,
      [this] {
        const QList<QTreeWidgetItem*> selected = trvSettings_->selectedItems();
        if (selected.size() != 1 || !currentForm_ || QApplication::mouseButtons() != Qt::NoButton ||
            TagOf(selected.front()) == currentForm_->Name())
          return;
        QTreeWidgetItem* node = selected.front();
        UIEntry(
            "frm0MDIMain.trvSettings_NodeClick(Node)",
            [&] {
              SelectNode(node);
              trvSettings_NodeClick(node);
            },
            TagOf(node));
      },
      Qt::QueuedConnection);
  // Enter in the tree goes into the page, as Tab does.
  trvSettings_->installEventFilter(this);
  connect(trvSettings_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) {
    // The root stays expanded.
    if (!nodes_.empty() && node == nodes_.front()) trvSettings_->expandItem(node);
  });
  connect(tmrTransp_, &QTimer::timeout, this,
          [this] { UIEntry("frm0MDIMain.tmrTransp_Timer", [&] { tmrTransp_Timer(); }); });
  connect(tmrFreeze_, &QTimer::timeout, this,
          [this] { UIEntry("frm0MDIMain.tmrFreeze_Timer", [&] { pnlLeft_->setEnabled(true); }); });
}

frm0MDIMain::~frm0MDIMain() = default;

QPushButton* frm0MDIMain::Button(const QString& name) const { return pnlBottom_->findChild<QPushButton*>(name); }

std::function<qint64()>& frm0MDIMain::FadeClock() {
  static std::function<qint64()> clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
  return clock;
}

void frm0MDIMain::SetConnectionDesigner(ConnectionDesigner designer) { Designer() = std::move(designer); }

// ---------------------------------------------------------------- set-up

void frm0MDIMain::LoadSelf() {
  ErrGuard("frm0MDIMain.LoadSelf", [&] {
    AdjustWindow();
    if (QScreen* s = screen()) {
      const QRect area = s->availableGeometry();
      move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    SetupNavTree();
    SetThisFormStyle();
    QCoreApplication::processEvents();
    LoadChildForms();
    SetThisFormStyle();  // with the pages' own needs
    fadeLevel_ = 0;
    fadeStart_ = 0;
    SetOpacity(this, 0.0);
    show();
    ShowForm(kStartPage);
    CheckButtonsState();
    QCoreApplication::processEvents();
    // The fade's first step comes once the window has been laid out and painted.
    tmrTransp_->start();
    MGlobals::ResetMousePointer();
  });
}

void frm0MDIMain::AdjustWindow() {
  // The starting size is given in twips (1440 to the inch) at the screen's logical DPI.
  const QScreen* s = screen();
  const double dpiX = s ? s->logicalDotsPerInchX() : 96.0;
  const double dpiY = s ? s->logicalDotsPerInchY() : 96.0;
  auto px = [](int twips, double dpi) { return static_cast<int>(twips * dpi / kTwipsPerInch + 0.5); };
  startSize_ = QSize(px(10300, dpiX), px(6900, dpiY));
  resize(startSize_);
  pnlLeft_->setFixedWidth(px(3200, dpiX));
}

void frm0MDIMain::SetThisFormStyle() {
  // The window may grow from its starting size, the tree and the page with it, but not
  // shrink below it or below what the pages need, where they would be cut.
  setMinimumSize(startSize_.expandedTo(minimumSizeHint()));
  if (!isVisible()) resize(minimumSize());
}

int frm0MDIMain::TreeWidth() const {
  // Measured with every group open, so that opening one never cuts a text, and with room
  // for the vertical scroll bar that the open tree needs.
  std::vector<bool> expanded;
  for (QTreeWidgetItem* node : nodes_) expanded.push_back(node->isExpanded());
  trvSettings_->expandAll();
  const int width = static_cast<NavTree*>(trvSettings_)->ContentWidth() + 2 * trvSettings_->frameWidth() +
                    trvSettings_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, trvSettings_);
  for (size_t i = 0; i < nodes_.size(); ++i) nodes_[i]->setExpanded(expanded[i]);
  return width;
}

QTreeWidgetItem* frm0MDIMain::AddNode(const QString& NodeText, QTreeWidgetItem* ParentNode, const QString& FormTag,
                                      const QString& Img) {
  auto* node = ParentNode ? new QTreeWidgetItem(ParentNode) : new QTreeWidgetItem(trvSettings_);
  node->setText(0, NodeText);
  node->setIcon(0, MIcons::TreeImage(Img));
  node->setData(0, kTagRole, FormTag);
  node->setToolTip(0, NodeText);
  nodes_.push_back(node);
  return node;
}

void frm0MDIMain::SetupNavTree() {
  trvSettings_->clear();
  nodes_.clear();
  const auto& table = ChildFormTable();
  for (size_t i = 0; i < table.size(); ++i) {
    const int parent = ParentIndex(i);
    AddNode(table[i].NodeText, parent < 0 ? nullptr : nodes_[static_cast<size_t>(parent)], table[i].Tag,
            table[i].ImageKey);
  }
  trvSettings_->expandItem(nodes_.front());
  pnlLeft_->setFixedWidth(std::max(pnlLeft_->minimumWidth(), TreeWidth()));
  SelectNode(nodes_.front());
}

void frm0MDIMain::LoadChildForms() {
  childForms_.clear();
  for (const ChildFormDecl* d : ChildFormsInLoadOrder()) {
    CChildForm* page = CreateChildForm(*d, pages_);
    page->setObjectName(d->Tag);
    page->SetHeading(d->NodeText);
    SetupChildForm(page);
    // Every page fits beside the tree at the starting size.
    page->FitWidth(startSize_.width() - pnlLeft_->width());
  }
  currentForm_ = childForms_.at(kStartPage);
  pages_->setCurrentWidget(currentForm_);
  // Tab goes from the tree into the page in front and from there to the buttons below:
  // the buttons, made before the pages, move to the end of the focus chain.
  QWidget* last = previousInFocusChain();
  for (QPushButton* b : pnlBottom_->findChildren<QPushButton*>()) {
    QWidget::setTabOrder(last, b);
    last = b;
  }
}

void frm0MDIMain::SetupChildForm(CChildForm* AForm) {
  childForms_[AForm->Name()] = AForm;
  pages_->addWidget(AForm);
  // Controls take the look their tag asks for: instructions, notes, the standard font.
  for (QWidget* c : AForm->findChildren<QWidget*>()) {
    for (const std::string& word : TagWords(c)) {
      QFont font = QApplication::font();
      QPalette palette = c->palette();
      if (word == "Instruct") {
        palette.setColor(QPalette::WindowText, QColor(0x1f, 0x3a, 0x68));
      } else if (word == "Note") {
        font.setItalic(true);
        palette.setColor(QPalette::WindowText, QColor(0x50, 0x50, 0x58));
      } else if (word != "StandardFont") {
        continue;
      }
      c->setFont(font);
      c->setPalette(palette);
    }
  }
}

void frm0MDIMain::ShowChildForms() {
  for (auto& [tag, page] : childForms_) page->setVisible(true);
}

void frm0MDIMain::ReleaseChildForms() {
  childForms_.clear();
  currentForm_ = nullptr;
}

// ---------------------------------------------------------------- navigation

void frm0MDIMain::SelectNode(QTreeWidgetItem* node) {
  selecting_ = true;
  trvSettings_->setCurrentItem(node);
  selecting_ = false;
}

std::string frm0MDIMain::SelectedTag() const { return TagOf(trvSettings_->currentItem()); }

void frm0MDIMain::ShowForm(const std::string& NodeTag) {
  ErrGuard(
      "frm0MDIMain.ShowForm(NodeTag)",
      [&] {
        const auto found = childForms_.find(NodeTag);
        Faultnet31::Check(found != childForms_.end(), ERR_USER_CHECK, "Form for tag [%1] not found.", NodeTag);
        if (MGlobals::AppState != MGlobals::AS_RUNNING) return;
        CChildForm* page = found->second;
        CChildForm* old = currentForm_;
        try {
          if (old) old->CopyControls(CD_TO_PROFILE);
          MStartExit::Settings()->Validate();
          pages_->setCurrentWidget(page);
          page->CopyControls(CD_TO_CONTROLS);
          page->EnableControls();
          // Walking the tree with the arrow keys keeps the focus in the tree; otherwise
          // the page's first control takes it, with its focus mark.
          if (!trvSettings_->hasFocus()) FocusFirstControl(page);
          if (help_) help_->ShowHelp(page->HelpAnchor(), false);
        } catch (...) {
          // The change stops here: the old page stays current, and it is the one in
          // front, so that what the user sees is what will be stored.
          if (old) {
            pages_->setCurrentWidget(old);
            for (QTreeWidgetItem* node : nodes_)
              if (TagOf(node) == old->Name()) {
                SelectNode(node);
                break;
              }
          }
          CheckButtonsState();
          throw;
        }
        currentForm_ = page;
      },
      NodeTag);
}

void frm0MDIMain::trvSettings_NodeClick(QTreeWidgetItem* Node) {
  ShowForm(TagOf(Node));
  CheckButtonsState();
}

void frm0MDIMain::SelectRootNode() {
  ErrGuard("frm0MDIMain.SelectRootNode", [&] {
    SelectNode(nodes_.front());
    ShowForm(TagOf(nodes_.front()));
    CheckButtonsState();
  });
}

void frm0MDIMain::SelectNodeByTag(const std::string& ATag) {
  ErrGuard(
      "frm0MDIMain.SelectNodeByTag(ATag)",
      [&] {
        for (QTreeWidgetItem* node : nodes_) {
          if (TagOf(node) != ATag) continue;
          SelectNode(node);
          ShowForm(ATag);
          CheckButtonsState();
          return;
        }
      },
      ATag);
}

void frm0MDIMain::SelectNextTreeNode() {
  ErrGuard("frm0MDIMain.SelectNextTreeNode", [&] {
    const auto at = std::find(nodes_.begin(), nodes_.end(), trvSettings_->currentItem());
    if (at == nodes_.end() || at + 1 == nodes_.end()) return;
    SelectNode(*(at + 1));
    ShowForm(TagOf(*(at + 1)));
    CheckButtonsState();
  });
}

void frm0MDIMain::SelectPreviousTreeNode() {
  ErrGuard("frm0MDIMain.SelectPreviousTreeNode", [&] {
    const auto at = std::find(nodes_.begin(), nodes_.end(), trvSettings_->currentItem());
    if (at == nodes_.end() || at == nodes_.begin()) return;
    SelectNode(*(at - 1));
    ShowForm(TagOf(*(at - 1)));
    CheckButtonsState();
  });
}

void frm0MDIMain::CheckButtonsState() {
  const std::string tag = SelectedTag();
  if (tag.empty()) return;
  const bool next = tag != kBuildPage && tag != kResultsPage;
  Button("btnBack")->setEnabled(tag != kStartPage);
  Button("btnNext")->setEnabled(next);
  Button("btnDone")->setEnabled(next);
}

bool frm0MDIMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == trvSettings_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
    return QWidget::eventFilter(watched, event);
  }
  if (event->type() == QEvent::MouseButtonDblClick && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->isEnabled()) {
    if (watched == Button("btnNext")) {
      UIEntry("frm0MDIMain.btnNext_DblClick", [&] { SelectNextTreeNode(); });
      return true;
    }
    if (watched == Button("btnBack")) {
      UIEntry("frm0MDIMain.btnBack_DblClick", [&] { SelectPreviousTreeNode(); });
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- services to the pages

CChildForm* frm0MDIMain::GetChildForm(const std::string& Tag) {
  return ErrGuard(
      "frm0MDIMain.GetChildForm(Tag)",
      [&] {
        const auto found = childForms_.find(Tag);
        Faultnet31::Check(found != childForms_.end(), ERR_USER_CHECK, "Form for tag [%1] not found.", Tag);
        return found->second;
      },
      Tag);
}

void frm0MDIMain::SaveCurrentFormData() {
  ErrGuard("frm0MDIMain.SaveCurrentFormData", [&] {
    if (currentForm_) currentForm_->CopyControls(CD_TO_PROFILE);
  });
}

void frm0MDIMain::ReloadCurrentFormData() {
  ErrGuard("frm0MDIMain.ReloadCurrentFormData", [&] {
    if (!currentForm_) return;
    currentForm_->CopyControls(CD_TO_CONTROLS);
    currentForm_->EnableControls();
  });
}

void frm0MDIMain::UpdateCaption() {
  ErrGuard("frm0MDIMain.UpdateCaption", [&] {
    const std::string baseName =
        MUtils::SplitPath(AppPaths::Normalize(MStartExit::Settings()->ProfileFileName())).BaseName;
    setWindowTitle(QString::fromStdString(baseName) + " - Procforge");
    SetThisFormStyle();
  });
}

void frm0MDIMain::SetTreeEnabled(bool Enabled, int Delay) {
  if (Delay < 1) {
    tmrFreeze_->stop();
    pnlLeft_->setEnabled(Enabled);
    return;
  }
  tmrFreeze_->start(Delay);
}

bool frm0MDIMain::RunFileDialog(bool save, std::string& FullFileName, const std::string& Ext, const std::string& Filter,
                                const std::string& Title, int Flags) {
  SetTreeEnabled(false, 0);
  struct Release {
    frm0MDIMain* self;
    ~Release() { self->SetTreeEnabled(true, 500); }
  } release{this};

  std::optional<std::string> chosen;
  if (!NextAnswers::ScriptedFile({save, FullFileName, Ext, Filter, Title, Flags}, chosen)) {
    const QString path = QString::fromStdString(AppPaths::Normalize(FullFileName));
    FileDialog dialog(this, QString::fromStdString(Title));
    // Wide enough for the file list's columns: the modification date (the last of them)
    // whole whatever width the list had when it was last used, the name taking the rest.
    if (const QScreen* s = screen())
      dialog.resize(QSize(860, 560).boundedTo(s->availableGeometry().size() * 0.9).expandedTo(dialog.sizeHint()));
    if (auto* list = dialog.findChild<QTreeView*>("treeView")) {
      list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
      list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(DialogFilter(Filter));
    dialog.setDefaultSuffix(QString::fromStdString(Ext));
    if (save && !(Flags & 0x2)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QFileInfo info(path);
    if (info.isDir()) {
      dialog.setDirectory(path);
    } else if (!path.isEmpty()) {
      dialog.setDirectory(info.absolutePath());
      dialog.selectFile(info.fileName());
    }
    // The samples are one click away in every dialog that opens a file.
    if (const QString samples = QString::fromStdString(AppPaths::SamplesFolder()); !save && !samples.isEmpty()) {
      // Qt keeps the side bar of earlier dialogs, which may name folders gone since (the
      // samples of another install): those are left out rather than shown greyed.
      QList<QUrl> places;
      for (const QUrl& url : dialog.sidebarUrls())
        if (!url.isLocalFile() || url.toLocalFile().isEmpty() || QFileInfo::exists(url.toLocalFile()))
          places.append(url);
      if (!places.contains(QUrl::fromLocalFile(samples))) places.append(QUrl::fromLocalFile(samples));
      dialog.setSidebarUrls(places);
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().front().toStdString();
  }
  if (!chosen) return false;
  FullFileName = *chosen;
  return true;
}

bool frm0MDIMain::DialogSave(std::string& FullFileName, const std::string& Ext, const std::string& Filter,
                             const std::string& Title, int Flags) {
  return ErrGuard(
      "frm0MDIMain.DialogSave(FullFileName,Ext,Filter,Title,Flags)",
      [&] { return RunFileDialog(true, FullFileName, Ext, Filter, Title, Flags); }, FullFileName, Ext, Filter, Title,
      Flags);
}

bool frm0MDIMain::DialogOpen(std::string& FullFileName, const std::string& Ext, const std::string& Filter,
                             const std::string& Title, int Flags) {
  return ErrGuard(
      "frm0MDIMain.DialogOpen(FullFileName,Ext,Filter,Title,Flags)",
      [&] { return RunFileDialog(false, FullFileName, Ext, Filter, Title, Flags); }, FullFileName, Ext, Filter, Title,
      Flags);
}

bool frm0MDIMain::DesignConnectionString(std::string& AConnectString) {
  return ErrGuard(
      "frm0MDIMain.DesignConnectionString(AConnectString)",
      [&] {
        if (Designer()) return Designer()(this, AConnectString);
        return frmDataLink::Design(this, AConnectString, &TestConnection);
      },
      AConnectString);
}

// ---------------------------------------------------------------- help and companions

void frm0MDIMain::ShowHelpButton() {
  const std::string file = MGlobals::GetHelpFileName();
  Faultnet31::Check(MUtils::FileExists(file), ERR_USER_CHECK, "Help file not found: ||%1", file);
  if (!help_) {
    help_ = new frmHelp(this);
    AddCompanionWindow(help_);
  }
  help_->ShowHelp(currentForm_ ? currentForm_->HelpAnchor() : std::string(), true);
  help_->raise();
}

void frm0MDIMain::FormHelpUnloaded() { help_ = nullptr; }

void frm0MDIMain::AddCompanionWindow(QWidget* w) { companions_.emplace_back(w); }

std::optional<QRect> frm0MDIMain::BesideRect(const QRect& Main, const QSize& Wanted, const QRect& Area, int MinWidth,
                                             const QRect& Keep) {
  constexpr int kGap = 8;
  const int right = Area.right() - Main.right() - kGap;
  const int left = Main.left() - Area.left() - kGap;
  const bool toRight = right >= Wanted.width() || (left < Wanted.width() && right >= left);
  const int room = toRight ? right : left;
  const int height = std::min(Wanted.height(), Area.height());
  const int top = std::clamp(Main.top(), Area.top(), Area.bottom() + 1 - height);
  if (room < MinWidth) {
    // No room beside: at its own width against one of the screen's edges, over the main
    // window's edge but never over all of it, nor left where the platform puts a window it
    // is not told where to put (the screen's corner). Of the two edges, the one where it
    // covers less of Keep (the page and the buttons; the tree matters least), the wider
    // side when both cover as much.
    const int width = std::min(Wanted.width(), Area.width());
    const QRect atLeft(Area.left(), top, width, height), atRight(Area.right() + 1 - width, top, width, height);
    const auto covered = [&](const QRect& r) {
      const QRect c = r.intersected(Keep);
      return c.isEmpty() ? 0LL : static_cast<long long>(c.width()) * c.height();
    };
    const long long left = covered(atLeft), right = covered(atRight);
    return left != right ? (left < right ? atLeft : atRight) : (toRight ? atRight : atLeft);
  }
  const int width = std::min(Wanted.width(), room);
  const int x = toRight ? Main.right() + 1 + kGap : Main.left() - kGap - width;
  return QRect(x, top, width, height);
}

void frm0MDIMain::PlaceBeside(QWidget* w, int MinWidth) const {
  const QScreen* s = screen();
  if (!s) return;
  // What a window over this one should leave in view: the page and the buttons, right of
  // the tree.
  QRect keep = frameGeometry();
  keep.setLeft(pnlLeft_->mapToGlobal(QPoint(pnlLeft_->width(), 0)).x());
  if (const std::optional<QRect> place =
          BesideRect(frameGeometry(), w->size(), s->availableGeometry(), MinWidth, keep)) {
    // The place is the window's frame; the window manager's frame is taken as the same as
    // this window's.
    w->resize(place->size() - (frameGeometry().size() - size()));
    w->move(place->topLeft());
  }
}

void frm0MDIMain::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (isMinimized()) {
    hiddenWithMe_.clear();
    for (const QPointer<QWidget>& w : companions_)
      if (w && w->isVisible()) {
        w->hide();
        hiddenWithMe_.push_back(w);
      }
  } else {
    for (const QPointer<QWidget>& w : hiddenWithMe_)
      if (w) w->show();
    hiddenWithMe_.clear();
  }
}

// ---------------------------------------------------------------- fade-in, run, close

void frm0MDIMain::tmrTransp_Timer() {
  const qint64 now = FadeClock()();
  if (fadeStart_ == 0) fadeStart_ = now;
  if (fadeLevel_ <= 255) {
    SetOpacity(this, fadeLevel_ / 255.0);
    fadeLevel_ += kFadeStep;
  } else if (now - fadeStart_ > kFadeMinMs) {
    SetOpacity(this, 1.0);
    tmrTransp_->stop();
    MStartExit::CloseSplash();
  }
}

void frm0MDIMain::SetGenerationRun(CProgress* progress) {
  run_ = progress;
  pnlMain_->setEnabled(progress == nullptr);
}

void frm0MDIMain::closeEvent(QCloseEvent* event) {
  if (run_) {
    // Exiting now would pull the settings from under the running build: cancel it, and
    // let the user close the window once it has stopped.
    run_->Cancelled = true;
    event->ignore();
    return;
  }
  if (MGlobals::AppState == MGlobals::AS_RUNNING) {
    // The window manager's close button and Alt+F4 ask as Exit does. No, or a value the
    // current page refuses, keeps the window open.
    bool exited = false;
    UIEntry("frm0MDIMain.Form_QueryUnload", [&] { exited = AskAndExit(); });
    if (!exited) {
      event->ignore();
      return;
    }
    QCoreApplication::processEvents();
  }
  event->accept();
}

void frm0MDIMain::FocusFirstControl(QWidget* page) {
  for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain())
    if (page->isAncestorOf(w) && w->isVisibleTo(page) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
      MAccessibility::FocusWithMark(w);
      return;
    }
  // A page without a control of its own (an introduction) hands the focus to Next, or the
  // first button that takes it: always a named control with its focus mark, never the
  // page's unnamed panel.
  for (const char* name : {"btnNext", "btnBack", "btnHelp", "btnExit"})
    if (auto* b = page->window()->findChild<QPushButton*>(name); b && b->isVisible() && b->isEnabled()) {
      MAccessibility::FocusWithMark(b);
      return;
    }
  MAccessibility::FocusWithMark(page);
}

bool frm0MDIMain::AskAndExit() {
  // After a stop signal nobody is there to answer.
  if (!MStartExit::Stopping() && !MGlobals::AskYesNo("Are you sure you want to exit Procforge?")) return false;
  return MStartExit::ExitApplication();
}

}  // namespace pf::wizard
