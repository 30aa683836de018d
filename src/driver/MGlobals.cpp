#include "driver/MGlobals.h"

#include <sys/stat.h>

#include <utility>
#include <vector>

#include "base/SourceText.h"
#include "builder/CCodeBuilder.h"
#include "errors/ErrGuard.h"
#include "errors/Secrets.h"
#include "extract/CServer.h"
#include "platform/FileIO.h"
#include "platform/ado/Provider.h"
#include "settings/CSettings.h"
#include "settings/MKeyTypes.h"
#include "shell/CProgress.h"
#include "vbcheck/VBCheck.h"
#include "xml/bwXMLBrowser.h"

namespace pf::MGlobals {

namespace {

std::string TrimBlanks(const std::string& s) { return std::string(srctext::TrimBlanks(s)); }

// The module would silently replace the class when both names lead to one file.
void CheckDistinctOutputFiles(CSettings& Settings) {
  if (!Settings.xStoredProc->boolAttr("AddExecSPByName", "True")) return;
  const std::string classFile = Settings.xCode->strAttr("ClassFile");
  const std::string moduleFile = TrimBlanks(Settings.xCode->strAttr("ParamDefsFile"));
  Faultnet31::Check(!FileIO::SameFile(classFile, moduleFile), ERR_USER_CHECK,
                    "The class file and the parameters definition module file must be different files: %1", classFile);
}

// A file is its prolog followed directly by its body. The body's buffer usually has room
// for the prolog too: the text is then made without a second copy of the body.
std::string Joined(const std::string& prolog, std::string body) {
  body.insert(0, prolog);
  return body;
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
  return ErrGuard("MGlobals.GenerateCode", [&] {
    try {
      // What the profile holds that is read leniently is reported, before Validate
      // forces dependent keys.
      for (std::string& w : MKeyTypes::LenientValues(Settings)) Progress.Warning(std::move(w));
      // A class told to use its default connection, with none given, connects to nothing
      // until its caller sets one.
      if (bwXMLBrowser& io = *Settings.xIniOptions;
          io.boolAttr("ConnUseDft", "True") && TrimBlanks(io.strAttr("ConnDftString")).empty())
        Progress.Warning(
            "\"Use a default connection string\" is ticked with an empty string on the Class Default "
            "Connection page: the class has no default connection until its caller sets one.");
      Settings.CheckCanStartGeneratingCode(Hooks.WriteFiles);
      CheckDistinctOutputFiles(Settings);
      Settings.Validate();
      afterBuildDue = true;
      if (Hooks.BeforeBuild) Hooks.BeforeBuild();

      GenerationResult r;
      CCodeBuilder builder;
      // The header goes in first: the class is then built behind it, not copied behind it.
      builder.ClassLead = Settings.BuildClassProlog();
      builder.BuildCode(Settings, Progress, r.NumSPs, r.NumLines, r.NumChars);
      afterBuild();

      bwXMLBrowser& code = *Settings.xCode;
      r.ClassFile = code.strAttr("ClassFile");
      r.ClassProlog = std::move(builder.ClassLead);
      r.ClassText = std::move(builder.ClassCode);
      std::vector<std::pair<std::string, std::string_view>> files;
      files.emplace_back(r.ClassFile, r.ClassText);
      CheckBuiltText(Progress, r.ClassFile, r.ClassText);

      r.ParamDefsWanted = Settings.xStoredProc->boolAttr("AddExecSPByName", "True");
      if (r.ParamDefsWanted) {
        // Blanks around the name are not part of it: the checks took the trimmed name.
        r.ParamDefsFile = TrimBlanks(code.strAttr("ParamDefsFile"));
        r.ModuleProlog = Settings.BuildModuleProlog();
        r.ParamDefsText = Joined(r.ModuleProlog, std::move(builder.ParamDefsCode));
        files.emplace_back(r.ParamDefsFile, r.ParamDefsText);
        CheckBuiltText(Progress, r.ParamDefsFile, r.ParamDefsText);
      }
      // The last cancellation point: a Cancel that comes later finds the files written.
      Progress.Poll();
      // The class and its module are one pair: both are replaced, or neither. A class with
      // a password compiled in is as secret as the profile that holds it: the pair gets
      // the profile's permissions (owner only for a profile that holds a password).
      int mode = -1;
      if (Settings.xIniOptions->boolAttr("ConnUseDft", "True") &&
          Secrets::HoldsPassword(Settings.xIniOptions->strAttr("ConnDftString"))) {
        struct stat st {};
        mode = ::stat(Settings.ProfileFileName().c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : 0600;
      }
      const bool saved = Hooks.WriteFiles && SaveFiles(files, mode);
      files.clear();
      r.ClassSaved = saved;
      r.ParamDefsSaved = saved && r.ParamDefsWanted;

      builder.Done();
      Settings.DisconnectServer();
      for (std::string& w : ado::TakeAbandonedLogouts()) Progress.Warning(std::move(w));
      r.Warnings = Progress.Warnings();
      return r;
    } catch (...) {
      // The front end's clean-up must not replace the error that ended the run.
      try {
        afterBuild();
      } catch (...) {
      }
      throw;
    }
  });
}

void TestConnection(CSettings& Settings, const std::string& AConnectString, std::vector<std::string>* Warnings) {
  ErrGuard(
      "MGlobals.TestConnection(AConnectString)",
      [&] {
        std::string tail;
        auto warn = [&](std::vector<std::string> said) {
          for (std::string& w : said) {
            if (Warnings)
              Warnings->push_back(std::move(w));
            else
              tail += (tail.empty() ? "\r\n\r\nWarnings:" : "") + std::string("\r\n- ") + w;
          }
        };
        warn(CServer::ConnectionWarnings(AConnectString));
        std::string errMsg;
        const bool ok = Settings.Server()->TestConnection(AConnectString, errMsg);
        Faultnet31::Check(ok, ERR_USER_CHECK, "Connection test failed: %1", errMsg + tail);
        // The server let us in: one that does not answer the logout still passes the test.
        warn(ado::TakeAbandonedLogouts());
        ShowMessage("Connection tested successfully." + tail);
      },
      AConnectString);
}

}  // namespace pf::MGlobals
