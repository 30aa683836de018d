#include <cstdio>
#include <string>

#include "base/Utf8.h"
#include "builder/CCodeBuilder.h"
#include "builder/CMethod.h"
#include "cli/CliCommands.h"
#include "cli/CliProgressLine.h"
#include "cli/CliSession.h"
#include "settings/CSettings.h"
#include "shell/CProgress.h"

namespace pf::cli {

int RunList(CliSession& Session) {
  Session.OpenProfile();
  CSettings& s = Session.Settings();
  // The names come out as a generation run makes them, with dependent keys forced.
  s.Validate();
  Session.RequireConnection();
  std::string out;
  CProgress progress;
  {
    CliProgressLine line(progress, Session.Ui());
    progress.ProgressForm = &line;
    CCodeBuilder builder;
    // A name is escaped as the warnings show it: a tab, a line break or a terminal's
    // escape sequence in it would split a record or reach the terminal.
    builder.BuildSPMethods(s, progress, [&out](const std::string& SPName, const CMethod& Method) {
      out.append(Utf8::Escaped(SPName)).append(1, '\t').append(Method.Name).append(1, '\n');
    });
    progress.ProgressForm = nullptr;
    line.Clear();
    builder.Done();
  }
  s.DisconnectServer();
  Print(out);
  ReportWarnings(progress.Warnings(), false);
  return 0;
}

}  // namespace pf::cli
