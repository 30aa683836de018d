#include "extract/CSrvrAccess.h"

#include "text/MMethUtils.h"
#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "platform/ado/Ado.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {
constexpr const char* kProcListSQL =
    "SELECT Name From MSysObjects where type=5 AND Not (Name Like '~%') Order by Name ";
}

std::string CSrvrAccess::xmlGetSPList(const std::string& Filter) {
  return ErrGuard("CSrvrAccess.ISrvrExtractorxmlGetSPList(Filter)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    const std::string pattern = Filter.empty() ? std::string("*") : Filter;
    bwXMLBrowser x;
    MExtractDocs::InitProcList(x, server);
    leftOut_.clear();
    server.ExecSQL(kProcListSQL);
    for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
      const std::string name = server.Value("Name");
      if (name.starts_with('~') || !MMethUtils::uIsLike(name, pattern)) continue;
      if (!CheckParamNames(name)) {
        leftOut_.push_back("Procedure \"" + name +
                           "\" is left out of the class: its parameters refer to form controls (\"!\").");
        continue;
      }
      x.CreateChild("Proc", true, false);
      x.Attr("Name", name);
      x.POP(0);
    }
    return x.xml();
  }, Filter);
}

bool CSrvrAccess::CheckParamNames(const std::string& ProcName) {
  return ErrGuard("CSrvrAccess.CheckParamNames(ProcName)", [&] {
    auto cmd = ado::Command::Create();
    cmd->SetActiveConnection(server_->Connection());
    cmd->CommandType = ado::adCmdStoredProc;
    cmd->CommandText = ProcName;
    if (RefreshParams(*cmd) != 0) return true;
    for (const ado::Parameter& p : cmd->Parameters())
      if (p.Name.find('!') != std::string::npos) return false;
    return true;
  }, ProcName);
}

int32_t CSrvrAccess::RefreshParams(ado::Command& Cmd) {
  try {
    Cmd.Parameters().Refresh();
    return 0;
  } catch (const AppError& e) {
    if (ado::IsConnectionLost(e)) throw;
    return e.Number != 0 ? e.Number : ERR_GENERAL;
  } catch (...) {
    return ERR_GENERAL;
  }
}

SPParamList CSrvrAccess::GetSPParameters(const std::string& SPName) {
  return ErrGuard("CSrvrAccess.ISrvrExtractorxmlGetSPParameters(SPName)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    // A connection of its own, so that the server's current result set stays.
    auto cmd = ado::Command::Create();
    cmd->SetActiveConnection(server.ConnectionString());
    cmd->CommandType = ado::adCmdStoredProc;
    cmd->CommandText = SPName;
    if (RefreshParams(*cmd) != 0) cmd->Parameters().Clear();
    MExtractDocs::RefreshRules rules;
    rules.PlainNames = true;
    rules.VarBinarySize16 = true;
    return MExtractDocs::ParamsFromRefresh(SPName, *cmd, rules);
  }, SPName);
}

std::string CSrvrAccess::xmlGetSPParameters(const std::string& SPName) {
  return MExtractDocs::RefreshedParamsXml(GetSPParameters(SPName));
}

}  // namespace pf
