#include "wizard/frm0VBCode.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "base/AppPaths.h"
#include "errors/ErrGuard.h"
#include "shell/MCode2HTML.h"
#include "shell/MGlobals.h"
#include "shell/MUtils.h"
#include "wizard/CCodeView.h"
#include "wizard/MAccessibility.h"
#include "wizard/MIcons.h"
#include "wizard/MStartExit.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/UIEntry.h"
#include "wizard/frm0MDIMain.h"

namespace pf::wizard {

namespace {

// Save dialog options: ask before overwriting, keep the current folder, explorer style,
// long names.
constexpr int kSaveFlags = 0x28000A;
// Narrower, a line of generated code no longer shows its statement.
constexpr int kMinWidth = 480;
// How far the second viewer opens from the first: more than a title bar's height.
constexpr int kStep = 32;

QPointer<frm0VBCode>& Viewer(int32_t ModuleType) {
  static QPointer<frm0VBCode> classViewer, moduleViewer;
  return ModuleType == 1 ? classViewer : moduleViewer;
}

frm0VBCode* ViewerFor(int32_t ModuleType) {
  QPointer<frm0VBCode>& v = Viewer(ModuleType);
  if (!v) {
    frm0MDIMain* main = MStartExit::MainForm();
    v = new frm0VBCode(main);
    if (main) main->AddCompanionWindow(v);
  }
  return v;
}

}  // namespace

frm0VBCode::frm0VBCode(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("frm0VBCode");
  setWindowIcon(MIcons::AppIcon());
  view_ = new CCodeView(this);
  view_->setAccessibleName(tr("Generated code"));
  btnCopy_ = new QPushButton(tr("&Copy"), this);
  btnCopy_->setObjectName("btnCopy");
  btnCopy_->setToolTip(tr("Copy the code to the clipboard"));
  btnSaveAs_ = new QPushButton(tr("&Save As..."), this);
  btnSaveAs_->setObjectName("btnSaveAs");
  btnClose_ = new QPushButton(tr("C&lose"), this);
  btnClose_->setObjectName("btnClose");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnCopy_);
  buttons->addWidget(btnSaveAs_);
  buttons->addStretch(1);
  buttons->addWidget(btnClose_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  resize(860, 640);

  connect(btnCopy_, &QPushButton::clicked, this, [this] { btnCopy_Click(); });
  connect(btnSaveAs_, &QPushButton::clicked, this, [this] { btnSaveAs_Click(); });
  connect(btnClose_, &QPushButton::clicked, this, [this] { close(); });
  MAccessibility::CloseOnEscape(this);
}

frm0VBCode::~frm0VBCode() { Form_Unload(); }

std::string frm0VBCode::TempFileFor(int32_t ModuleType) {
  return AppPaths::BesideProgram(std::string("$$$Tmp") + (ModuleType == 1 ? "Cls" : "Bas") + ".htm");
}

void frm0VBCode::SetCode(int32_t ModuleType, const std::string& AProlog, std::string_view ACode,
                         const std::string& AFileName, CProgress* oProgress) {
  ErrGuard(
      "frm0VBCode.SetCode(ModuleType,AProlog,ACode,AFileName)",
      [&] {
        try {
          moduleType_ = ModuleType;
          prolog_ = AProlog;
          code_ = ACode;
          fileName_ = AFileName;
          setWindowTitle(QString::fromStdString(AFileName + " (Procforge)"));

          std::string html;
          MCode2HTML::VBCodeToHTML(code_, html, true, true, oProgress);

          Form_Unload();  // the file of the last run, when it was another
          tempFile_ = TempFileFor(ModuleType);
          std::string errMsg;
          if (!MGlobals::CheckFile(tempFile_, errMsg, true)) {
            const std::string path = tempFile_;
            tempFile_.clear();
            hide();
            MGlobals::ShowMessage("Cannot create temporary file " + path + "\r\n" + errMsg);
            return;
          }
          MUtils::SaveText(tempFile_, html);
          view_->LoadFile(tempFile_);
          if (!isVisible()) {
            if (frm0MDIMain* main = MStartExit::MainForm()) main->PlaceBeside(this, kMinWidth);
            if (frm0VBCode* other = Viewer(ModuleType == 1 ? 0 : 1); other && other->isVisible()) StepFrom(*other);
          }
          show();
          raise();
        } catch (...) {
          // A viewer that could not be filled stays closed.
          hide();
          Form_Unload();
          throw;
        }
      },
      ModuleType, AProlog, ACode, AFileName);
}

void frm0VBCode::StepFrom(const QWidget& Other) {
  const QScreen* s = Other.screen();
  if (!s) return;
  // A title bar lower and to the right of the other viewer, within the screen: both title
  // bars stay in view, and neither viewer hides the other.
  const QRect area = s->availableGeometry();
  QPoint at = Other.frameGeometry().topLeft() + QPoint(kStep, kStep);
  at.setX(std::min(at.x(), area.right() + 1 - kMinWidth));
  const QSize room(area.right() + 1 - at.x(), area.bottom() + 1 - at.y());
  resize(size().boundedTo(room - (Other.frameGeometry().size() - Other.size())));
  move(at);
}

void frm0VBCode::SaveAs() {
  ErrGuard("frm0VBCode.SaveAs", [&] {
    frm0MDIMain* main = MStartExit::MainForm();
    Faultnet31::Check(main != nullptr, ERR_GENERAL, "The main window is gone.");
    const bool isClass = moduleType_ == 1;
    std::string name = fileName_;
    if (main->DialogSave(name, isClass ? "cls" : "bas", isClass ? "VB Class|*.cls" : "VB Module|*.bas", "Save As...",
                         kSaveFlags))
      MGlobals::SaveFile(name, prolog_ + code_);
  });
}

void frm0VBCode::btnSaveAs_Click() {
  UIEntry("frm0VBCode.btnSaveAs_Click", [&] { SaveAs(); });
}

void frm0VBCode::btnCopy_Click() {
  UIEntry("frm0VBCode.btnCopy_Click", [&] {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromUtf8(code_));
  });
}

void frm0VBCode::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
  // The wizard, active again, has the keyboard where it left it, with the focus mark shown.
  if (frm0MDIMain* main = MStartExit::MainForm(); main && main->isVisible())
    QTimer::singleShot(0, main, [main] {
      if (!main->isActiveWindow()) return;
      if (QWidget* f = main->focusWidget(); f && f->isVisible() && f->isEnabled()) MAccessibility::FocusWithMark(f);
    });
}

void frm0VBCode::Form_Unload() {
  if (tempFile_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(tempFile_, ec);  // a file already gone is fine
  tempFile_.clear();
}

frm0VBCode* ClassViewer() { return Viewer(1); }
frm0VBCode* ParamDefsViewer() { return Viewer(0); }

void InstallCodeViewers() {
  SetCodeViewer([](int ModuleType, const std::string& AProlog, std::string_view ACode, const std::string& AFileName,
                   CProgress* oProgress) {
    ViewerFor(ModuleType == 1 ? 1 : 0)->SetCode(ModuleType, AProlog, ACode, AFileName, oProgress);
  });
}

}  // namespace pf::wizard
