#include "wizard/MWizardGlobals.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QUrl>

#include "errors/AppError.h"
#include "errors/ErrGuard.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"
#include "driver/MConnReport.h"
#include "driver/MGlobals.h"
#include "wizard/MStartExit.h"
#include "shell/IUserInterface.h"
#include "wizard/NextAnswers.h"
#include "wizard/frm0MDIMain.h"
#include "wizard/frm0MsgBox.h"
#include "wizard/frm0Run.h"
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

  void Open() {
    main_.SetGenerationRun(&progress_);
    form_ = new frm0Run(&main_);
    form_->Progress = &progress_;
    progress_.ProgressForm = form_;
    form_->show();
    QCoreApplication::processEvents();
  }
  // The build is over: the main window takes input again.
  void EnableMain() { main_.SetGenerationRun(nullptr); }
  void Close() {
    EnableMain();
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

}  // namespace

void SetCodeViewer(CodeViewerHook hook) { Viewer() = std::move(hook); }

bool GenerateCode() {
  CSettings& settings = *MStartExit::Settings();
  frm0MDIMain& main = *MStartExit::MainForm();
  CProgress progress;
  RunWindow run(main, progress);
  MGlobals::GenerationHooks hooks;
  hooks.BeforeBuild = [&] { run.Open(); };
  hooks.AfterBuild = [&] { run.EnableMain(); };
  try {
    const MGlobals::GenerationResult& r = LastRun() = MGlobals::GenerateCode(settings, progress, hooks);
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
    // What the run noticed before it failed may explain the failure: the page keeps it.
    if (auto* page = qobject_cast<frmChildBuildCode*>(main.CurrentForm())) page->SetWarnings(progress.Warnings());
    // A cancelled run is no error, but it must not end unseen: the user is told that
    // nothing was written (a stop signal ends the program instead).
    try {
      throw;
    } catch (const AppError& e) {
      if (e.Number == ERR_CANCELED && !MStartExit::Stopping())
        MGlobals::ShowMessage("The run was cancelled: nothing was written.");
      throw;
    }
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

bool ResolveChangedProfile() {
  CSettings& settings = *MStartExit::Settings();
  if (!settings.ChangedOnDisk()) return true;
  std::string file = settings.ProfileFileName();
  const int answer = frm0MsgBox::ShowMessage(
      "The profile " + file +
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
  if (!DialogSaveProfileAs(file)) return false;
  settings.ProfileFileName(file);
  MStartExit::MainForm()->UpdateCaption();
  return true;
}

bool SaveProfile() {
  CSettings& settings = *MStartExit::Settings();
  // Each answer (overwrite, reload, another name) makes the next try save, unless the file
  // changed once more while the user chose.
  while (settings.SaveIfUnchanged() == CSettings::SO_CHANGED_ON_DISK)
    if (!ResolveChangedProfile()) return false;
  return true;
}

bool ShellOpen(const std::string& Path) {
  bool opened = false;
  if (NextAnswers::ScriptedOpen(Path, opened)) return opened;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(Path)));
}

}  // namespace pf::wizard
