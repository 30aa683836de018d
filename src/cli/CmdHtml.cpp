#include <cstdio>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliProgressLine.h"
#include "cli/CliSession.h"
#include "platform/FileIO.h"
#include "shell/CProgress.h"
#include "shell/MCode2HTML.h"

namespace pf::cli {

int RunHtml(CliSession& Session) {
  const CliOptions& o = Session.Options();
  if (o.OutputFile) CliSession::UserFileOperation([&] { FileIO::CheckOutput(*o.OutputFile, {*o.InputFile}); });
  const std::string code = CliSession::ReadInput(*o.InputFile);
  std::string html;
  {
    CProgress progress;
    CliProgressLine line(progress, Session.Ui());
    progress.ProgressForm = &line;
    MCode2HTML::VBCodeToHTML(code, html, true, true, &progress);
    progress.ProgressForm = nullptr;
  }
  // The bytes of the viewer's own file: the HTML and a line break.
  if (o.OutputFile) {
    html += "\r\n";
    CliSession::WriteOutput(*o.OutputFile, html);
    Print(*o.OutputFile + "\n");
  } else {
    html += "\r\n";
    Print(html);
  }
  return 0;
}

}  // namespace pf::cli
