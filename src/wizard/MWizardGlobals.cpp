#include "wizard/MWizardGlobals.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

#include <atomic>
#include <optional>
#include <thread>

#include "errors/AppError.h"
#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"
#include "platform/ado/Provider.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"
#include "driver/MConnReport.h"
#include "driver/MGlobals.h"
#include "wizard/MStartExit.h"
#include "shell/IUserInterface.h"
#include "wizard/NextAnswers.h"
#include "wizard/WindowThread.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0MsgBox.h"
#include "wizard/MAccessibility.h"
#include "wizard/frm0Run.h"
#include "wizard/frm0Wait.h"
#include "wizard/pages/frmChildBuildCode.h"
#include "wizard/pages/frmChildRunVBProject.h"

namespace pf::wizard {

namespace {

CodeViewerHook& Viewer() {
  static CodeViewerHook hook;
  return hook;
}

// The texts of the last run that wrote its files, for Show Code on the results page.
MGlobals::GenerationResult& LastRun() {
  static MGlobals::GenerationResult run;
  return run;
}

void ShowCode(const MGlobals::GenerationResult& r, CProgress* progress) {
  if (!Viewer()) return;
  Viewer()(1, r.ClassProlog, r.ClassCode(), r.ClassFile, progress);
  if (r.ParamDefsWanted) Viewer()(0, r.ModuleProlog, r.ParamDefsCode(), r.ParamDefsFile, progress);
}

// The progress window of one run and the links to it, undone in every case.
class RunWindow {
 public:
  RunWindow(frm0MDIMain& main, CProgress& progress) : main_(main), progress_(progress) {}
  ~RunWindow() { Close(); }
  RunWindow(const RunWindow&) = delete;
  RunWindow& operator=(const RunWindow&) = delete;

  // The run begins: from now on closing the main window cancels it instead of exiting.
  void Begin() { main_.SetGenerationRun(&progress_); }
  // Shows the progress window (once).
  void Open() {
    if (form_) return;
    form_ = new frm0Run(&main_);
    form_->Progress = &progress_;
    progress_.ProgressForm = form_;
    form_->show();
    QCoreApplication::processEvents();
  }
  // The build is over; the files are checked and written next. A Cancel pressed by now
  // still stops the run before they are.
  void BuildOver() {
    if (!form_) return;
    form_->Message("Writing the files");
    QCoreApplication::processEvents();
  }
  frm0Run* Form() const { return form_; }
  // The run is over: the main window takes input again.
  void Close() {
    main_.SetGenerationRun(nullptr);
    progress_.ProgressForm = nullptr;
    if (form_) {
      form_->Progress = nullptr;
      form_->hide();
      delete form_.data();
    }
  }

 private:
  frm0MDIMain& main_;
  CProgress& progress_;
  QPointer<frm0Run> form_;
};

// The run's own thread: its progress channel and windows, for its waits.
struct WorkerRun {
  CProgress* Progress = nullptr;
  RunWindow* Run = nullptr;
  frm0Run* Form = nullptr;  // once the progress window is shown
  std::string Waiting;      // the wait its window shows

  void ShowForm() {
    if (Form) return;
    OnWindowThread([this] { Run->Open(); });
    Form = Run->Form();
  }
};
thread_local WorkerRun tRun;

// The wait hook of the run's thread: the progress window says what the run waits for (it
// is shown for a wait that lasts, also before the build, while the checks connect), and
// Cancel gives up the wait at once.
bool WorkerWaitHook(const ado::WaitState& s) {
  constexpr double kShowAfterSeconds = 0.5;
  if (!s.Finished && s.ElapsedSeconds >= kShowAfterSeconds) tRun.ShowForm();
  if (tRun.Form) {
    std::string text;
    if (!s.Finished && s.ElapsedSeconds >= kShowAfterSeconds)
      text = "Waiting: " + s.What + " (" + frm0Wait::Elapsed(s).toStdString() + ")";
    // The hook is called many times a second: the window hears only of a change.
    if (text != tRun.Waiting) tRun.Form->SetWaiting(tRun.Waiting = text);
  }
  return !(tRun.Progress && tRun.Progress->Cancelled);
}

// Runs the generation command on a thread of its own, so that a server that does not
// answer never holds up the windows: the window thread handles events until the run ends,
// then takes its result or its error.
MGlobals::GenerationResult GenerateOnWorker(CSettings& settings, CProgress& progress, RunWindow& run) {
  // The hooks run on the run's thread; the windows they touch are the window thread's.
  MGlobals::GenerationHooks hooks;
  hooks.BeforeBuild = [] { tRun.ShowForm(); };
  hooks.AfterBuild = [&] { OnWindowThread([&] { run.BuildOver(); }); };
  run.Begin();
  std::atomic<bool> done = false;
  std::optional<MGlobals::GenerationResult> result;
  std::exception_ptr error;
  std::thread worker([&] {
    tRun = {&progress, &run, nullptr};
    ado::SetWaitHook(&WorkerWaitHook);
    try {
      result = MGlobals::GenerateCode(settings, progress, hooks);
    } catch (...) {
      error = std::current_exception();
    }
    ado::SetWaitHook(nullptr);
    done = true;
    // Wakes the window thread's wait below.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
  });
  while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  worker.join();
  if (error) {
    // The run's handlers reported the error on its thread: this thread takes it over.
    try {
      std::rethrow_exception(error);
    } catch (const AppError& e) {
      Faultnet31::Adopt(e);
      throw;
    }
  }
  return std::move(*result);
}

}  // namespace

void SetCodeViewer(CodeViewerHook hook) { Viewer() = std::move(hook); }

bool GenerateCode() {
  CSettings& settings = *MStartExit::Settings();
  frm0MDIMain& main = *MStartExit::MainForm();
  CProgress progress;
  RunWindow run(main, progress);
  try {
    const MGlobals::GenerationResult& r = LastRun() = GenerateOnWorker(settings, progress, run);
    // The files are written: a Cancel from here on only stops filling the code viewers.
    // Report name kept as it was: error reports and their readers rely on it.
    try {
      ErrGuard("MGlobals.GenerateCode", [&] {
        if (settings.xCode->boolAttr("ShowCodeInViewer")) ShowCode(r, &progress);
      });
    } catch (const AppError& e) {
      if (e.Number != ERR_CANCELED) throw;
    }
    // A Cancel pressed while the files were written waits in the queue: it lands on the
    // progress window before it closes, and is answered below.
    QCoreApplication::processEvents();
    run.Close();
    main.SelectNodeByTag("frmChildRunVBProject");
    if (auto* results = qobject_cast<frmChildRunVBProject*>(main.CurrentForm())) {
      results->SetDone();
      results->SetStats(r.NumSPs, r.NumLines, r.NumChars);
      results->SetWarnings(r.Warnings);
    }
    main.raise();
    main.activateWindow();
    if (progress.Cancelled && !MStartExit::Stopping())
      MGlobals::ShowMessage(
          "Cancel came too late to stop the run: the files were already being written. The run "
          "has finished, and Results shows what it wrote.");
    return true;
  } catch (...) {
    run.Close();
    // The page stays: the keyboard is back on Start (the disabled window had lost it).
    if (auto* start = main.CurrentForm() ? main.CurrentForm()->findChild<QPushButton*>("btnStart") : nullptr)
      MAccessibility::FocusWithMark(start);
    // What the run noticed before it failed may explain the failure: the page keeps it.
    if (auto* page = qobject_cast<frmChildBuildCode*>(main.CurrentForm())) page->SetWarnings(progress.Warnings());
    // A cancelled run is no error, but it must not end unseen: the user is told that
    // nothing was written (a stop signal ends the program instead).
    // A Cancel that gave up a wait in the checks (the connection) ends the check with
    // its own message: the run was cancelled all the same.
    const bool cancelled = progress.Cancelled;
    try {
      throw;
    } catch (const AppError& e) {
      if (e.Number != ERR_CANCELED && !cancelled) throw;
    } catch (...) {
      if (!cancelled) throw;
    }
    if (!MStartExit::Stopping()) MGlobals::ShowMessage("The run was cancelled: nothing was written.");
    throw AppError(ERR_CANCELED, "MGlobals.GenerateCode", "Operation Canceled");
  }
}

bool ShowLastCode() {
  if (LastRun().ClassFile.empty()) return false;
  CProgress progress;
  ShowCode(LastRun(), &progress);
  return true;
}

void TestConnection(const std::string& AConnectString) {
  // The core records the error under this entry's own name.
  try {
    MGlobals::TestConnection(*MStartExit::Settings(), AConnectString);
  } catch (...) {
    MGlobals::HandleUIError();
  }
}

void ShowConnectionReport(const std::string& AConnectString) {
  bool connected = false;
  const std::string report = MConnReport::Build(*MStartExit::Settings(), AConnectString, connected);
  frm0MsgBox::ShowMessage(report, 0, "Connection Report");
}

bool DialogSaveProfileAs(std::string& File) {
  return MStartExit::MainForm()->DialogSave(File, "PFG", kProfileFilter, "Save Profile As...", kProfileDialogFlags);
}

namespace {

// The Save As answer: the settings go to a file the user names, which becomes the profile's.
bool SaveUnderAnotherName() {
  std::string file = MStartExit::Settings()->ProfileFileName();
  if (!DialogSaveProfileAs(file)) return false;
  MStartExit::Settings()->ProfileFileName(file);
  MStartExit::MainForm()->UpdateCaption();
  return true;
}

}  // namespace

bool ResolveChangedProfile() {
  CSettings& settings = *MStartExit::Settings();
  if (!settings.ChangedOnDisk()) return true;
  const int answer = frm0MsgBox::ShowMessage(
      "The profile " + settings.ProfileFileName() +
          " was changed on disk after this wizard opened it (by another wizard or procforge-cli, say).\r\n"
          "Overwrite: save the settings shown here over it.\r\n"
          "Reload: take the file as it is now; the changes made here are dropped.\r\n"
          "Save As: keep the file and save the settings shown here under another name.\r\n"
          "Cancel: save nothing and stay in the wizard.",
      vbYesNoCancel, "Profile Changed on Disk",
      {QObject::tr("&Overwrite"), QObject::tr("&Reload"), QObject::tr("Save &As..."), QObject::tr("Cancel")});
  if (answer == vbCancel) return false;
  if (answer == vbYes) {
    settings.AcceptDiskVersion();
    return true;
  }
  if (answer == vbNo) {
    settings.ProfileLoad();
    MStartExit::MainForm()->ReloadCurrentFormData();
    MStartExit::MainForm()->UpdateCaption();
    return true;
  }
  return SaveUnderAnotherName();
}

bool SaveProfile() {
  CSettings& settings = *MStartExit::Settings();
  // Each answer (overwrite, reload, another name, wait again) makes the next try save,
  // unless the file changed once more, or is still locked, while the user chose.
  for (;;) {
    std::string failure;
    switch (settings.SaveIfUnchanged(&failure)) {
      case CSettings::SO_SAVED:
        return true;
      case CSettings::SO_FAILED:
        MGlobals::ShowError("Error saving profile: " + failure);
        return true;
      case CSettings::SO_CHANGED_ON_DISK:
        if (!ResolveChangedProfile()) return false;
        break;
      case CSettings::SO_LOCKED: {
        const int answer =
            frm0MsgBox::ShowMessage(failure +
                                        "\r\nRetry: wait for the other program again.\r\n"
                                        "Save As: save the settings shown here under another name.\r\n"
                                        "Cancel: save nothing and stay in the wizard.",
                                    vbYesNoCancel, "Profile Locked",
                                    {QObject::tr("&Retry"), QObject::tr("Save &As..."), QObject::tr("Cancel")});
        if (answer == vbCancel || (answer == vbNo && !SaveUnderAnotherName())) return false;
        break;
      }
    }
  }
}

bool ShellOpen(const std::string& Path) {
  bool opened = false;
  if (NextAnswers::ScriptedOpen(Path, opened)) return opened;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(Path)));
}

}  // namespace pf::wizard
