#include "wizard/MStartExit.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "errors/ErrGuard.h"
#include "platform/StopSignals.h"
#include "platform/ado/Ado.h"
#include "settings/CSettings.h"
#include "settings/MKeyTypes.h"
#include "shell/MGlobals.h"
#include "wizard/CQtUserInterface.h"
#include "wizard/CUIController.h"
#include "wizard/MWizardGlobals.h"
#include "wizard/MAccessibility.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0VBCode.h"
#include "wizard/frm0Wait.h"
#include "wizard/frmSplash.h"
#include "wizard/pages/PageTable.h"

namespace pf::wizard::MStartExit {

namespace {

struct Program {
  std::unique_ptr<CSettings> Settings;
  CUIController UIController;
  QPointer<frm0MDIMain> MainForm;
  QPointer<QWidget> Splash;
  std::unique_ptr<StopSignals::Scope> StopSignals;
  bool Stopping = false;  // a stop signal arrived: the exit does not wait for the user
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

// After a stop signal nobody is there to choose what becomes of a profile that another
// program changed since it was opened, or keeps locked. Without changes here, the file
// stays as the other program left it; with changes, the settings shown here go to a new
// file under a free name beside it, so that both are kept. Stderr says which, and says "saved" only once the
// file is written.
void SaveWhenStopped(CSettings& Settings) {
  const std::string file = Settings.ProfileFileName();
  std::string failure;
  const CSettings::SaveOutcome saved = Settings.SaveIfUnchanged(&failure);
  if (saved == CSettings::SO_SAVED) return;
  if (saved == CSettings::SO_FAILED) {
    std::fprintf(stderr, "procforge: the settings were not saved to %s: %s\n", file.c_str(), failure.c_str());
    return;
  }
  // Another program holds the profile's lock: its file is treated as changed by it.
  const char* why =
      saved == CSettings::SO_LOCKED ? "is locked by another program" : "was changed on disk by another program";
  if (!Settings.Modified()) {
    std::fprintf(stderr, "procforge: the profile %s %s; it is left as it is (there were no changes here).\n",
                 file.c_str(), why);
    return;
  }
  try {
    const std::string beside = Settings.SaveBeside();
    std::fprintf(stderr, "procforge: the profile %s %s; the settings are saved to %s.\n", file.c_str(), why,
                 beside.c_str());
  } catch (const AppError& e) {
    std::fprintf(stderr, "procforge: the profile %s %s; the settings shown here were not saved: %s\n", file.c_str(),
                 why, e.Description.c_str());
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

bool Main(const std::string& Profile) {
  Program& p = Objects();
  try {
    // Report name kept as it was: error reports and their readers rely on it.
    ErrGuard("MGlobals.Main", [&] {
      MGlobals::AppState = MGlobals::AS_STARTING;
      p.Stopping = false;
      MGlobals::SetUserInterface(std::make_shared<CQtUserInterface>());
      MAccessibility::Install();
      frm0Wait::Install();
      // Refused values are named by their fields, as the pages label them.
      MKeyTypes::SetKeyNamer(&PageTable::FieldName);
      ado::RegisterWithErrorLibrary();
      p.UIController = CUIController();
      p.Settings = std::make_unique<CSettings>();
      MGlobals::SetDisconnectServer([] {
        if (CSettings* s = Settings()) s->DisconnectServer();
      });
      p.Settings->Init();
      if (!Profile.empty()) {
        p.Settings->ProfileFileName(std::filesystem::absolute(Profile).lexically_normal().string());
        p.Settings->ProfileLoad();
      }
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

void StopOnSignals() {
  Program& p = Objects();
  if (p.StopSignals) return;
  // The handler writes the signal to one end; the event loop reads it from the other.
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) return;
  p.StopSignals = std::make_unique<StopSignals::Scope>(fds[1]);
  auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd = fds[0]] {
    char sig = 0;
    if (::read(fd, &sig, 1) == 1) StopForSignal(sig);
  });
}

void StopForSignal(int Sig) {
  Objects().Stopping = true;
  const int status = StopSignals::ExitStatus(Sig);
  auto* closer = new QTimer(qApp);
  closer->setInterval(20);
  QObject::connect(closer, &QTimer::timeout, closer, [closer, status] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal->close();
      return;
    }
    // During a run, closing the main window cancels the run and keeps the window: try
    // again once the run has stopped.
    if (frm0MDIMain* main = MainForm(); main && !main->close()) return;
    closer->deleteLater();
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(status);
  });
  closer->start(0);
}

bool Stopping() { return Objects().Stopping; }

bool ExitApplication() {
  if (MGlobals::AppState != MGlobals::AS_RUNNING) return false;
  Program& p = Objects();
  // The page is stored first, as leaving it does: a value it refuses is shown, and the
  // program stays open so that nothing typed is lost. A stop signal ends it regardless.
  try {
    if (p.MainForm) p.MainForm->SaveCurrentFormData();
    // Saved under the profile's lock; when another program changed the profile file since
    // it was opened, the user decides before anything is saved, and may stay.
    if (!p.Stopping && p.MainForm && !SaveProfile()) return false;
  } catch (...) {
    if (!p.Stopping) {
      MGlobals::HandleUIError();
      return false;
    }
  }
  MGlobals::AppState = MGlobals::AS_EXITING;
  IgnoringErrors([&] {
    if (!p.Settings) return;
    if (p.Stopping)
      SaveWhenStopped(*p.Settings);
    else if (!p.MainForm)
      p.Settings->SaveIfUnchanged();
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
  // The main window was hidden before it closed, so no "last window closed" ends the
  // event loop: the exit ends it.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
  return true;
}

}  // namespace pf::wizard::MStartExit
