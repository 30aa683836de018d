#include <cstdio>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliProgressLine.h"
#include "cli/CliSession.h"
#include "extract/CCatalogCapture.h"
#include "base/AppPaths.h"
#include "platform/FileIO.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"

namespace pf::cli {

int RunSnapshot(CliSession& Session) {
  Session.OpenProfile();
  CSettings& s = Session.Settings();
  // An output that cannot take the snapshot is refused before the catalogue is read.
  const std::string& out = *Session.Options().OutputFile;
  CliSession::UserFileOperation([&] { FileIO::CheckOutput(out, s.InputFiles()); });
  Session.RequireConnection();
  const int type = s.ServerType();
  // The catalogue is captured for what a generation run would read: Oracle's packages,
  // PostgreSQL's schemas.
  const std::string packages = s.ListFilter();
  CCatalogCapture capture;
  std::string script;
  {
    CProgress progress;
    CliProgressLine line(progress, Session.Ui());
    progress.ProgressForm = &line;
    capture.OnProgress = [&progress](const std::string& text) { progress.Message(text); };
    script = capture.Capture(type, s.xServer->strAttr("ConnPfg"), packages);
    progress.ProgressForm = nullptr;
    line.Clear();
  }
  for (const std::string& name : capture.Skipped)
    std::fprintf(stderr, "warning: the parameters of %s could not be read; it is left out of the snapshot\n",
                 name.c_str());
  for (const std::string& name : capture.ListedWithoutParameters)
    std::fprintf(stderr, "warning: the parameters of %s could not be read; the snapshot lists it without parameters\n",
                 name.c_str());
  CliSession::UserFileOperation([&] { CCatalogCapture::Write(script, out); });
  Print(AppPaths::Normalize(*Session.Options().OutputFile) + "\n");
  return 0;
}

}  // namespace pf::cli
