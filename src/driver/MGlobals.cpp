#include "driver/MGlobals.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "base/SourceText.h"
#include "builder/CCodeBuilder.h"
#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "settings/CSettings.h"
#include "settings/MKeyTypes.h"
#include "shell/CProgress.h"
#include "vbcheck/VBCheck.h"
#include "xml/bwXMLBrowser.h"

namespace pf::MGlobals {

namespace {

std::string TrimBlanks(const std::string& s) { return std::string(srctext::TrimBlanks(s)); }

// The module would silently replace the class when both names lead to one file (the
// checks before a run have created both, so they exist).
void CheckDistinctOutputFiles(CSettings& Settings) {
  if (!Settings.xStoredProc->boolAttr("AddExecSPByName", "True")) return;
  const std::string classFile = Settings.xCode->strAttr("ClassFile");
  const std::string moduleFile = TrimBlanks(Settings.xCode->strAttr("ParamDefsFile"));
  std::error_code ec;
  const bool same = std::filesystem::equivalent(classFile, moduleFile, ec);
  Faultnet31::Check(!same || ec, ERR_USER_CHECK,
                    "The class file and the parameters definition module file must be different files: %1", classFile);
}

// The output files a run may write (and its checks create): the class file, and the
// module when the profile asks for it.
std::vector<std::string> OutputFiles(CSettings& Settings) {
  std::vector<std::string> files{Settings.xCode->strAttr("ClassFile")};
  if (Settings.xStoredProc->boolAttr("AddExecSPByName", "True"))
    files.push_back(TrimBlanks(Settings.xCode->strAttr("ParamDefsFile")));
  return files;
}

// Removes the files of Created that are still empty: the run's checks made them, and the
// run did not complete. Never throws.
void RemoveCreated(const std::vector<std::string>& Created) noexcept {
  for (const std::string& f : Created) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(f, ec) && std::filesystem::file_size(f, ec) == 0 && !ec)
      std::filesystem::remove(f, ec);
  }
}

// A file is its prolog followed directly by its body.
std::string Joined(const std::string& prolog, const std::string& body) {
  std::string text;
  text.reserve(prolog.size() + body.size());
  text += prolog;
  text += body;
  return text;
}

// What the Visual Basic checker finds in a file as it is written, as warnings: a finding
// means the generator made code that will not compile.
void CheckBuiltText(CProgress& Progress, const std::string& File, const std::string& Text) {
  for (const VBFinding& f : CheckVB(Text))
    Progress.Warning("Generated file " + File + ", line " + std::to_string(f.Line) + ": " + f.Message);
}

}  // namespace

GenerationResult GenerateCode(CSettings& Settings, CProgress& Progress, const GenerationHooks& Hooks) {
  // AfterBuild undoes what BeforeBuild did, so it runs exactly once whenever BeforeBuild ran.
  bool afterBuildDue = false;
  auto afterBuild = [&] {
    if (!afterBuildDue) return;
    afterBuildDue = false;
    if (Hooks.AfterBuild) Hooks.AfterBuild();
  };
  // The checks create missing output files empty; a run that does not complete removes
  // the ones it created, so that it leaves nothing behind.
  std::vector<std::string> created;
  for (const std::string& f : OutputFiles(Settings))
    if (!f.empty() && !std::filesystem::exists(f)) created.push_back(f);
  return ErrGuard("MGlobals.GenerateCode", [&] {
    try {
      // What the profile holds that is read leniently is reported, before Validate
      // forces dependent keys.
      for (std::string& w : MKeyTypes::LenientValues(Settings)) Progress.Warning(std::move(w));
      Settings.CheckCanStartGeneratingCode(Hooks.WriteFiles);
      CheckDistinctOutputFiles(Settings);
      Settings.Validate();
      afterBuildDue = true;
      if (Hooks.BeforeBuild) Hooks.BeforeBuild();

      GenerationResult r;
      CCodeBuilder builder;
      builder.BuildCode(Settings, Progress, r.NumSPs, r.NumLines, r.NumChars);
      afterBuild();

      bwXMLBrowser& code = *Settings.xCode;
      r.ClassFile = code.strAttr("ClassFile");
      r.ClassProlog = Settings.BuildClassProlog();
      r.ClassCode = std::move(builder.ClassCode);
      std::vector<std::pair<std::string, std::string>> files;
      files.emplace_back(r.ClassFile, Joined(r.ClassProlog, r.ClassCode));
      CheckBuiltText(Progress, r.ClassFile, files.back().second);

      r.ParamDefsWanted = Settings.xStoredProc->boolAttr("AddExecSPByName", "True");
      if (r.ParamDefsWanted) {
        // Blanks around the name are not part of it: the checks created the trimmed name.
        r.ParamDefsFile = TrimBlanks(code.strAttr("ParamDefsFile"));
        r.ModuleProlog = Settings.BuildModuleProlog();
        r.ParamDefsCode = std::move(builder.ParamDefsCode);
        files.emplace_back(r.ParamDefsFile, Joined(r.ModuleProlog, r.ParamDefsCode));
        CheckBuiltText(Progress, r.ParamDefsFile, files.back().second);
      }
      // The last cancellation point: a Cancel that comes later finds the files written.
      Progress.Poll();
      // The class and its module are one pair: both are replaced, or neither.
      const bool saved = Hooks.WriteFiles && SaveFiles(files);
      files.clear();
      r.ClassSaved = saved;
      r.ParamDefsSaved = saved && r.ParamDefsWanted;
      if (!saved && Hooks.WriteFiles) RemoveCreated(created);

      builder.Done();
      Settings.DisconnectServer();
      r.Warnings = Progress.Warnings();
      return r;
    } catch (...) {
      // The front end's clean-up must not replace the error that ended the run.
      try {
        afterBuild();
      } catch (...) {
      }
      RemoveCreated(created);
      throw;
    }
  });
}

void TestConnection(CSettings& Settings, const std::string& AConnectString) {
  ErrGuard(
      "MGlobals.TestConnection(AConnectString)",
      [&] {
        std::string errMsg;
        const bool ok = Settings.Server()->TestConnection(AConnectString, errMsg);
        Faultnet31::Check(ok, ERR_USER_CHECK, "Connection test failed: %1", errMsg);
        ShowMessage("Connection tested successfully.");
      },
      AConnectString);
}

}  // namespace pf::MGlobals
