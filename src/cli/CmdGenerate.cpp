#include <cstdio>

#include "cli/CliCommands.h"
#include "cli/CliProgressLine.h"
#include "cli/CliSession.h"
#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "shell/CProgress.h"
#include "driver/MGlobals.h"

namespace pf::cli {

int RunGenerate(CliSession& Session) {
  Session.OpenProfile();
  CProgress progress;
  MGlobals::GenerationResult r;
  {
    CliProgressLine line(progress, Session.Ui());
    MGlobals::GenerationHooks hooks;
    hooks.BeforeBuild = [&] { progress.ProgressForm = &line; };
    hooks.AfterBuild = [&] {
      progress.ProgressForm = nullptr;
      line.Clear();
    };
    r = MGlobals::GenerateCode(Session.Settings(), progress, hooks);
  }

  // SaveFile has told the user why; a run that left a file unwritten has failed.
  std::string unwritten;
  if (!r.ClassSaved) unwritten = r.ClassFile;
  if (r.ParamDefsWanted && !r.ParamDefsSaved) unwritten += (unwritten.empty() ? "" : ", ") + r.ParamDefsFile;
  Faultnet31::Check(unwritten.empty(), ERR_USER_CHECK, "Generation failed: not written: %1", unwritten);

  for (const std::string& w : r.Warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  std::printf("Procedures: %d\nLines: %d\nCharacters: %d\n", r.NumSPs, r.NumLines, r.NumChars);
  std::printf("%s\n", AppPaths::Normalize(r.ClassFile).c_str());
  if (r.ParamDefsWanted) std::printf("%s\n", AppPaths::Normalize(r.ParamDefsFile).c_str());
  if (Session.Options().Strict && !r.Warnings.empty()) {
    std::fprintf(stderr, "procforge-cli: %zu warning(s) with --strict: the run counts as failed.\n",
                 r.Warnings.size());
    return 1;
  }
  return 0;
}

}  // namespace pf::cli
