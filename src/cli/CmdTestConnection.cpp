#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "driver/MGlobals.h"

namespace pf::cli {

int RunTestConnection(CliSession& Session) {
  Session.OpenProfile();
  CSettings& s = Session.Settings();
  const std::string conn = Session.Options().ConnectString ? *Session.Options().ConnectString
                                                           : s.xServer->strAttr("ConnPfg");
  MGlobals::TestConnection(s, conn);
  s.DisconnectServer();
  return 0;
}

}  // namespace pf::cli
