#include "extract/MExtractDocs.h"

#include "text/MMethUtils.h"
#include "errors/Faultnet31.h"
#include "extract/CServer.h"
#include "xml/bwXMLBrowser.h"

namespace pf::MExtractDocs {

CServer& RequireServer(const std::shared_ptr<CServer>& server) {
  Faultnet31::Check(server != nullptr, ERR_GENERAL, "The extractor has no server: SetServer was not called.");
  return *server;
}

void InitProcList(bwXMLBrowser& x, CServer& server) {
  x.Init("ProcList");
  x.Attr("Connection", server.ConnectionString());
}

std::string ParamsFromRefresh(const std::string& SPName, const ado::Command& Cmd, const RefreshRules& rules) {
  bwXMLBrowser x;
  x.Init("Parameters");
  x.Attr("Proc", SPName);
  for (const ado::Parameter& p : Cmd.Parameters()) {
    x.CreateChild("Param", true, false);
    x.Attr("Name", rules.PlainNames ? MMethUtils::RemoveSpecChars(p.Name) : p.Name);
    x.Attr("Dir", rules.UnknownDirAsInput && p.Direction == ado::adParamUnknown ? ado::adParamInput : p.Direction);
    x.Attr("NumericScale", p.NumericScale);
    x.Attr("Precision", p.Precision);
    x.Attr("Size", p.Size);
    x.Attr("Type", rules.NumericAsDouble && p.Type == ado::adNumeric ? ado::adDouble : p.Type);
    if (rules.VarBinarySize16 && p.Type == ado::adVarBinary) x.Attr("Size", 16);
    x.Attr("IsNullable", (p.Attributes & ado::adParamNullable) != 0 ? "True" : "False");
    x.Attr("IsLongBinary", (p.Attributes & ado::adParamLong) != 0 ? "True" : "False");
    x.POP(0);
  }
  return x.xml();
}

}  // namespace pf::MExtractDocs
