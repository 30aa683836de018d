#include <cstdio>

#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "driver/MConnReport.h"
#include "driver/MGlobals.h"
#include "extract/CServer.h"

namespace pf::cli {

int RunTestConnection(CliSession& Session) {
  Session.OpenProfile();
  CSettings& s = Session.Settings();
  const std::string conn =
      Session.Options().ConnectString ? *Session.Options().ConnectString : s.xServer->strAttr("ConnPfg");
  if (Session.Options().Report) {
    bool connected = false;
    std::string report = MConnReport::Build(s, conn, connected);
    std::erase(report, '\r');  // a terminal's line ends
    std::fwrite(report.data(), 1, report.size(), stdout);
    s.DisconnectServer();
    return connected ? 0 : 1;
  }
  // The warnings come first, on stderr as a run's do: they may explain a failure.
  const std::vector<std::string> notes = CServer::ConnectionWarnings(conn);
  for (const std::string& w : notes) std::fprintf(stderr, "warning: %s\n", w.c_str());
  std::vector<std::string> said;
  MGlobals::TestConnection(s, conn, &said);
  s.DisconnectServer();
  // Those of the string are printed above; what the test itself found follows.
  for (size_t i = notes.size(); i < said.size(); ++i) std::fprintf(stderr, "warning: %s\n", said[i].c_str());
  return 0;
}

}  // namespace pf::cli
