#include "extract/CSrvrMSSQL.h"

#include "text/MMethUtils.h"
#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {
constexpr const char* kProcListSQL = "SELECT * FROM sysobjects  WHERE type IN ('P', 'FN')  ORDER BY [name]";
}

std::string CSrvrMSSQL::xmlGetSPList(const std::string& Filter) {
  // Report name kept as it was: error reports and their readers rely on it.
  return ErrGuard("CSQLServer.ISrvrExtractor_xmlGetSPList(Filter)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    const std::string pattern = Filter.empty() ? std::string("*") : Filter;
    server.ExecSQL(kProcListSQL);
    bwXMLBrowser x;
    MExtractDocs::InitProcList(x, server);
    for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
      const std::string name = server.Value("name");
      // The filter sees the whole name, numbered procedures' ";n" included.
      if (!MMethUtils::uIsLike(name, pattern) || !UsableName(name)) continue;
      x.CreateChild("Proc", true, false);
      x.Attr("Name", name.substr(0, name.find(';')));
      x.Attr("IsFunction", server.Value("type") == "FN" ? "True" : "False");
      x.POP(0);
    }
    params_.Expect(static_cast<size_t>(x.ChildCount()), server.ConnectionString());
    return x.xml();
  }, Filter);
}

SPParamList CSrvrMSSQL::GetSPParameters(const std::string& SPName) {
  return ErrGuard(
      "CSrvrMSSQL.ISrvrExtractor_xmlGetSPParameters(SPName)",
      [&] {
        CServer& server = MExtractDocs::RequireServer(server_);
        MExtractDocs::RefreshRules rules;
        rules.NumericAsDouble = true;
        if (const auto* known = params_.FindDescription(SPName)) {
          SPParamList list = MExtractDocs::ParamsFromRefresh(SPName, known->Parameters, rules);
          if (!known->OtherNumbers.empty()) {
            std::string others;
            for (const std::string& n : known->OtherNumbers) others += (others.empty() ? "" : ", ") + SPName + ";" + n;
            list.Warnings.push_back("Procedure \"" + SPName +
                                    "\" is numbered: a call of it runs its first number, "
                                    "whose parameters the method takes; " +
                                    others + " are left out.");
          }
          return list;
        }
        // A command and connection of its own, so that the server's current result set stays.
        auto cmd = ado::Command::Create();
        cmd->SetActiveConnection(server.ConnectionString());
        return MExtractDocs::RefreshedParams(*cmd, SPName, rules);
      },
      SPName);
}

std::string CSrvrMSSQL::xmlGetSPParameters(const std::string& SPName) {
  return MExtractDocs::RefreshedParamsXml(GetSPParameters(SPName));
}

std::vector<CatalogueStatement> CSrvrMSSQL::CatalogueStatements(const std::string&,
                                                                const std::string& SampleProc) const {
  return MExtractDocs::WithRefresh({{"procedure list", kProcListSQL, ""}}, SampleProc);
}

}  // namespace pf
