#include <cstdio>
#include <string>

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
  {
    CProgress progress;
    CliProgressLine line(progress, Session.Ui());
    progress.ProgressForm = &line;
    CCodeBuilder builder;
    builder.BuildSPMethods(s, progress, [&out](const std::string& SPName, const CMethod& Method) {
      out.append(SPName).append(1, '\t').append(Method.Name).append(1, '\n');
    });
    progress.ProgressForm = nullptr;
    builder.Done();
  }
  s.DisconnectServer();
  Print(out);
  return 0;
}

}  // namespace pf::cli
