#include "wizard/MStartExit.h"

#include <QApplication>
#include <QPointer>

#include <memory>

#include "errors/ErrGuard.h"
#include "platform/ado/Ado.h"
#include "settings/CSettings.h"
#include "shell/MGlobals.h"
#include "wizard/CQtUserInterface.h"
#include "wizard/CUIController.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0VBCode.h"
#include "wizard/frmSplash.h"

namespace pf::wizard::MStartExit {

namespace {

struct Program {
  std::unique_ptr<CSettings> Settings;
  CUIController UIController;
  QPointer<frm0MDIMain> MainForm;
  QPointer<QWidget> Splash;
};

Program& Objects() {
  static Program program;
  return program;
}

// Runs one step of the exit and ignores its errors, so that the next step runs.
template <class F>
void IgnoringErrors(F&& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

CSettings* Settings() { return Objects().Settings.get(); }
CUIController& UIController() { return Objects().UIController; }
frm0MDIMain* MainForm() { return Objects().MainForm; }
QWidget* Splash() { return Objects().Splash; }

void CloseSplash() {
  if (QWidget* splash = Objects().Splash) splash->close();
}

bool Main() {
  Program& p = Objects();
  try {
    ErrGuard("MGlobals.Main", [&] {
      MGlobals::AppState = MGlobals::AS_STARTING;
      MGlobals::SetUserInterface(std::make_shared<CQtUserInterface>());
      ado::RegisterWithErrorLibrary();
      p.UIController = CUIController();
      p.Settings = std::make_unique<CSettings>();
      MGlobals::SetDisconnectServer([] {
        if (CSettings* s = Settings()) s->DisconnectServer();
      });
      p.Settings->Init();
      InstallCodeViewers();
      QApplication::setOverrideCursor(Qt::WaitCursor);
      p.Splash = new frmSplash;
      p.Splash->show();
      QCoreApplication::processEvents();
      p.MainForm = new frm0MDIMain;
      p.MainForm->LoadSelf();
      MGlobals::AppState = MGlobals::AS_RUNNING;
      p.MainForm->SelectRootNode();
      p.MainForm->UpdateCaption();
    });
  } catch (...) {
    MGlobals::HandleUIError();
  }
  return p.MainForm != nullptr;
}

bool ExitApplication() {
  if (MGlobals::AppState != MGlobals::AS_RUNNING) return false;
  Program& p = Objects();
  MGlobals::AppState = MGlobals::AS_EXITING;
  IgnoringErrors([&] {
    if (p.MainForm) p.MainForm->SaveCurrentFormData();
  });
  IgnoringErrors([&] {
    if (p.Settings) p.Settings->Save();
  });
  IgnoringErrors([&] {
    if (p.Settings) p.Settings->DisconnectServer();
  });
  IgnoringErrors([&] {
    if (frm0MDIMain* main = p.MainForm) {
      main->hide();
      main->ReleaseChildForms();
      main->close();
      main->deleteLater();
    }
  });
  IgnoringErrors([&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible()) w->close();
  });
  IgnoringErrors([&] {
    MGlobals::SetDisconnectServer({});
    p.Settings.reset();
  });
  IgnoringErrors([] { QApplication::restoreOverrideCursor(); });
  return true;
}

}  // namespace pf::wizard::MStartExit
