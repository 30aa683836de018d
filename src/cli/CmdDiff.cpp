#include <cstdio>
#include <string>
#include <vector>

#include "builder/CCatalogDiff.h"
#include "cli/CliCommands.h"
#include "cli/CliProgressLine.h"
#include "cli/CliSession.h"
#include "errors/AppError.h"
#include "extract/CCatalogCapture.h"
#include "platform/StopSignals.h"
#include "shell/MGlobals.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"

namespace pf::cli {

namespace {
struct SideUnreadable {};
}  // namespace

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
    // A side that cannot be read to its end (a server that drops the connection, a
    // snapshot that breaks in the middle) is as much an error as one that cannot be
    // opened: the differences would be made up. The message is shown (and an internal
    // error logged) as for any failure; a cancelled run stays cancelled.
    auto read = [&](const std::string& connection) {
      try {
        return CCatalogDiff::Read(s, connection, progress);
      } catch (...) {
        if (ToAppError(std::current_exception()).Number == ERR_CANCELED || StopSignals::Received() != 0) throw;
        line.Clear();
        MGlobals::HandleUIError();
        throw SideUnreadable();
      }
    };
    try {
      const CCatalogDiff::Catalogue before = read(CCatalogCapture::SnapshotConnection(files[0]));
      const CCatalogDiff::Catalogue after =
          read(files.size() > 1 ? CCatalogCapture::SnapshotConnection(files[1]) : s.xServer->strAttr("ConnPfg"));
      lines = CCatalogDiff::Compare(before, after);
    } catch (const SideUnreadable&) {
      return 2;
    }
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
