#include <cstdio>
#include <string>
#include <vector>

#include "builder/CCatalogDiff.h"
#include "cli/CliCommands.h"
#include "cli/CliProgressLine.h"
#include "cli/CliSession.h"
#include "errors/AppError.h"
#include "extract/CCatalogCapture.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"

namespace pf::cli {

int RunDiff(CliSession& Session) {
  Session.OpenProfile();
  CSettings& s = Session.Settings();
  // Methods are named as a generation run names them, with dependent keys forced.
  s.Validate();
  const std::vector<std::string>& files = Session.Options().Operands;
  // A side that cannot be opened is an error (2), not a difference.
  for (const std::string& file : files) {
    const std::string problem = CCatalogCapture::SnapshotProblem(file, s.ServerType());
    if (!problem.empty()) {
      std::fprintf(stderr, "procforge-cli: %s\n", problem.c_str());
      return 2;
    }
  }
  if (files.size() == 1) {
    try {
      Session.RequireConnection();
    } catch (const AppError& e) {
      std::fprintf(stderr, "procforge-cli: %s\n", e.Description.c_str());
      return 2;
    }
  }
  std::vector<std::string> lines;
  {
    CProgress progress;
    CliProgressLine line(progress, Session.Ui());
    progress.ProgressForm = &line;
    const CCatalogDiff::Catalogue before =
        CCatalogDiff::Read(s, CCatalogCapture::SnapshotConnection(files[0]), progress);
    const std::string live = s.xServer->strAttr("ConnPfg");
    const CCatalogDiff::Catalogue after = CCatalogDiff::Read(
        s, files.size() > 1 ? CCatalogCapture::SnapshotConnection(files[1]) : live, progress);
    lines = CCatalogDiff::Compare(before, after);
    progress.ProgressForm = nullptr;
    line.Clear();
  }
  bool breaking = false;
  for (const std::string& l : lines) {
    Print(l + "\n");
    breaking = breaking || CCatalogDiff::IsBreaking(l);
  }
  return breaking ? 1 : 0;
}

}  // namespace pf::cli
