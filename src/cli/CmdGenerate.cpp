#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliProgressLine.h"
#include "cli/CliSession.h"
#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "shell/CProgress.h"
#include "driver/MGlobals.h"
#include "shell/MOutputCheck.h"

namespace pf::cli {

namespace {

// generate --check: 0 when both files agree with this run, 1 with their differences (or
// with a warning under --strict).
int ReportCheck(const MGlobals::GenerationResult& r, bool Strict) {
  bool differs = false;
  auto check = [&](const std::string& file, const std::string& text) {
    const std::vector<std::string> lines = MOutputCheck::Differences(file, text);
    const std::string shown = AppPaths::Normalize(file);
    if (lines.empty()) {
      Print(shown + ": up to date\n");
      return;
    }
    differs = true;
    Print(shown + ": differs from this run\n");
    for (const std::string& l : lines) Print("  " + l + "\n");
  };
  check(r.ClassFile, r.ClassText);
  if (r.ParamDefsWanted) check(r.ParamDefsFile, r.ParamDefsText);
  return ReportWarnings(r.Warnings, Strict) | (differs ? 1 : 0);
}

}  // namespace

int RunGenerate(CliSession& Session) {
  Session.OpenProfile();
  CProgress progress;
  MGlobals::GenerationResult r;
  try {
    CliProgressLine line(progress, Session.Ui());
    MGlobals::GenerationHooks hooks;
    hooks.BeforeBuild = [&] { progress.ProgressForm = &line; };
    hooks.AfterBuild = [&] {
      progress.ProgressForm = nullptr;
      line.Clear();
    };
    hooks.WriteFiles = !Session.Options().Check;
    r = MGlobals::GenerateCode(Session.Settings(), progress, hooks);
  } catch (...) {
    // What the run noticed before it failed may explain the failure.
    ReportWarnings(progress.Warnings(), false);
    throw;
  }
  if (Session.Options().Check) return ReportCheck(r, Session.Options().Strict);

  // SaveFile has told the user why; a run that left a file unwritten has failed.
  std::string unwritten;
  if (!r.ClassSaved) unwritten = r.ClassFile;
  if (r.ParamDefsWanted && !r.ParamDefsSaved) unwritten += (unwritten.empty() ? "" : ", ") + r.ParamDefsFile;
  Faultnet31::Check(unwritten.empty(), ERR_USER_CHECK, "Generation failed: not written: %1", unwritten);

  const int status = ReportWarnings(r.Warnings, Session.Options().Strict);
  Print("Procedures: " + std::to_string(r.NumSPs) + "\nLines: " + std::to_string(r.NumLines) +
        "\nCharacters: " + std::to_string(r.NumChars) + "\n" + AppPaths::Normalize(r.ClassFile) + "\n");
  if (r.ParamDefsWanted) Print(AppPaths::Normalize(r.ParamDefsFile) + "\n");
  return status;
}

}  // namespace pf::cli
