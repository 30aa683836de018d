#include "extract/CSrvrSybase.h"

#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {
constexpr const char* kProcListSQL = "SELECT * FROM sysobjects  WHERE type = 'P'  ORDER BY name";
}

std::string CSrvrSybase::xmlGetSPList(const std::string& Filter) {
  return ErrGuard("CSrvrSybase.ISrvrExtractor_xmlGetSPList(Filter)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    server.ExecSQL(kProcListSQL);
    bwXMLBrowser x;
    MExtractDocs::InitProcList(x, server);
    for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
      x.CreateChild("Proc", true, false);
      x.Attr("Name", server.Value("Name"));
      x.POP(0);
    }
    params_.Expect(static_cast<size_t>(x.ChildCount()), server.ConnectionString());
    return x.xml();
  }, Filter);
}

SPParamList CSrvrSybase::GetSPParameters(const std::string& SPName) {
  // Report name kept as it was: error reports and their readers rely on it.
  return ErrGuard(
      "CSQLServer.ISrvrExtractor_xmlGetSPParameters(SPName)",
      [&] {
        CServer& server = MExtractDocs::RequireServer(server_);
        MExtractDocs::RefreshRules rules;
        rules.NumericAsDouble = true;
        rules.UnknownDirAsInput = true;
        if (const auto* known = params_.Find(SPName)) return MExtractDocs::ParamsFromRefresh(SPName, *known, rules);
        // The shared command: the one of the last query, or a new one on the open connection.
        return MExtractDocs::RefreshedParams(*server.Command(), SPName, rules);
      },
      SPName);
}

std::string CSrvrSybase::xmlGetSPParameters(const std::string& SPName) {
  return MExtractDocs::RefreshedParamsXml(GetSPParameters(SPName));
}

}  // namespace pf
