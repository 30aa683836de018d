#include "extract/CSrvrSybase.h"

#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "platform/ado/Ado.h"

#include <cstdlib>
#include <map>

#include "base/NoCase.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {
constexpr const char* kProcListSQL = "SELECT * FROM sysobjects  WHERE type = 'P'  ORDER BY name";

// ASE's sp_sproc_columns, which the ODBC driver's description runs, reports every
// parameter with column_type 0 and no return value. The directions are in the
// parameter rows of syscolumns, in status2: 1 IN, 2 OUT, 4 INOUT. These bit values are
// unconfirmed: ASE's reference pages for syscolumns (Reference Manual: Tables, 12.5 to
// 15.7, e.g.
// http://infocenter.sybase.com/help/topic/com.sybase.infocenter.dc36274.1570/html/tables/X14340.htm)
// list status2, but none of the copies read so far showed its values: check them against a
// live server. Transact-SQL output parameters also take a value in, and the ASE provider
// reports them as input/output.
constexpr const char* kParamModesSQL =
    "SELECT c.name, c.status2 FROM syscolumns c, sysobjects o WHERE c.id = o.id AND o.type = 'P' AND o.name = "
    "'$Proc$' ORDER BY c.colid";
constexpr int kStatus2Out = 2, kStatus2InOut = 4;

std::string Literal(const std::string& name) {
  std::string out;
  for (char c : name) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::string ParamModesStatement(const std::string& proc) {
  std::string sql = kParamModesSQL;
  sql.replace(sql.find("$Proc$"), 6, Literal(proc));
  return sql;
}

bool HasReturnOrDirection(const SPParamList& list) {
  for (const SPParamRow& r : list.Params)
    if (r.Dir != "0") return true;
  return false;
}

bool LacksADirection(const SPParamList& list) {
  for (const SPParamRow& r : list.Params)
    if (r.Dir == "0") return true;
  return false;
}

const char* DirectionOf(int status2) { return (status2 & (kStatus2Out | kStatus2InOut)) != 0 ? "3" : "1"; }
}  // namespace

void CSrvrSybase::AddDirections(CServer& server, SPParamList& list) {
  // A description with a return value or a direction, and none unknown, is the
  // provider's own, as ADO's.
  const bool aseShape = !HasReturnOrDirection(list);
  if (!aseShape && !LacksADirection(list)) return;
  const std::string sql = ParamModesStatement(list.Proc);
  try {
    server.ExecSQL(sql);
  } catch (const AppError& e) {
    if (ado::IsConnectionLost(e)) throw;
    return;  // a catalogue without syscolumns (a snapshot): the description stays as given
  }
  std::vector<std::pair<std::string, int>> modes;
  for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
    const std::string status = server.Value("status2");
    modes.emplace_back(server.Value("name"), status.empty() ? 0 : std::atoi(status.c_str()));
  }
  if (!aseShape) {
    // A provider that reports the return value and most directions leaves some output
    // parameters unknown (0): those take the catalogue's direction, found by name.
    std::map<std::string, int, NoCase::Less> byName(modes.begin(), modes.end());
    for (SPParamRow& r : list.Params)
      if (const auto it = byName.find(r.Name); r.Dir == "0" && it != byName.end()) r.Dir = DirectionOf(it->second);
    return;
  }
  if (modes.size() != list.Params.size()) {
    // The driver described fewer parameters than the procedure has (a name it compares
    // exactly, escaped as a pattern, finds nothing): the method would call it wrongly.
    list.NotSupported = true;
    list.NotSupportedReason = "the driver described " + std::to_string(list.Params.size()) + " of its " +
                              std::to_string(modes.size()) + " parameters";
    return;
  }
  for (size_t i = 0; i < modes.size(); ++i) list.Params[i].Dir = DirectionOf(modes[i].second);
  SPParamRow ret;
  ret.Name = "RETURN_VALUE";
  ret.Dir = "4";
  ret.NumericScale = "0";
  ret.Precision = "10";
  ret.Size = "4";
  ret.Type = "3";
  list.Params.insert(list.Params.begin(), std::move(ret));
}

std::string CSrvrSybase::xmlGetSPList(const std::string& Filter) {
  return ErrGuard("CSrvrSybase.ISrvrExtractor_xmlGetSPList(Filter)", [&] {
    CServer& server = MExtractDocs::RequireServer(server_);
    server.ExecSQL(kProcListSQL);
    bwXMLBrowser x;
    MExtractDocs::InitProcList(x, server);
    for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
      const std::string name = server.Value("Name");
      if (!UsableName(name)) continue;
      x.CreateChild("Proc", true, false);
      x.Attr("Name", name);
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
        rules.LeaveOutUnpassable = true;
        // Else the shared command: the one of the last query, or a new one on the open connection.
        const auto* known = params_.FindDescription(SPName);
        SPParamList list = known ? MExtractDocs::ParamsFromRefresh(SPName, *known, rules)
                                 : MExtractDocs::RefreshedParams(*server.Command(), SPName, rules);
        AddDirections(server, list);
        for (SPParamRow& r : list.Params)
          if (r.Dir == "0") r.Dir = "1";
        return list;
      },
      SPName);
}

std::string CSrvrSybase::xmlGetSPParameters(const std::string& SPName) {
  return MExtractDocs::RefreshedParamsXml(GetSPParameters(SPName));
}

std::vector<CatalogueStatement> CSrvrSybase::CatalogueStatements(const std::string&,
                                                                 const std::string& SampleProc) const {
  std::vector<CatalogueStatement> out = MExtractDocs::WithRefresh({{"procedure list", kProcListSQL, ""}}, SampleProc);
  // Read only when the description has no directions, as ASE's has none.
  if (!SampleProc.empty())
    out.push_back({"parameter directions of " + SampleProc, ParamModesStatement(SampleProc), SampleProc});
  return out;
}

}  // namespace pf
