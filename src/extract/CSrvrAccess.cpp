#include "extract/CSrvrAccess.h"

#include <algorithm>
#include <unordered_map>

#include "base/NoCase.h"
#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "text/MMethUtils.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {

using namespace ado;

// How the Jet provider's refresh describes a parameter declared with a DAO data type.
// An MSysQueries row with Attribute 2 is one declared parameter of the query ObjectId:
// Name1 its name, Flag its type as a DAO DataTypeEnum code ("What does the data in
// MSysQueries mean?", stackoverflow.com/questions/17329223; the codes: "DataTypeEnum
// Enumeration", Access Developer Reference). The ADO types are those the Jet OLE DB
// provider gives the Access types (Microsoft KB 320435, "OleDbType Enumeration vs.
// Microsoft Access Data Types"; OLE DB Programmer's Reference, "Microsoft Access data
// types"): Text is adVarWChar, Memo adLongVarWChar, Date/Time adDate, Byte
// adUnsignedTinyInt, Integer adSmallInt, Long adInteger, Decimal adNumeric. Jet has one
// date type, so the ODBC time and timestamp codes are dates too.
struct JetType {
  int Dao;
  int Type;
  long Size;
  int Precision;
  int Scale;
};
constexpr long kLongSize = 1073741823;
constexpr JetType kJetTypes[] = {
    {1, adBoolean, 2, 0, 0},
    {2, adUnsignedTinyInt, 1, 3, 0},
    {3, adSmallInt, 2, 5, 0},
    {4, adInteger, 4, 10, 0},
    {5, adCurrency, 8, 19, 4},
    {6, adSingle, 4, 7, 0},
    {7, adDouble, 8, 15, 0},
    {8, adDate, 8, 0, 0},
    {9, adVarBinary, 255, 0, 0},
    {10, adVarWChar, 255, 0, 0},
    {11, adLongVarBinary, kLongSize, 0, 0},
    {12, adLongVarWChar, kLongSize, 0, 0},
    {15, adGUID, 16, 0, 0},
    {16, adBigInt, 8, 19, 0},
    {17, adVarBinary, 255, 0, 0},
    {18, adWChar, 255, 0, 0},
    {19, adNumeric, 19, 18, 0},
    {20, adNumeric, 19, 18, 0},
    {21, adDouble, 8, 15, 0},
    {22, adDate, 8, 0, 0},
    {23, adDate, 8, 0, 0},
};

// The product name the MDBTools driver reports (it has no driver name to report).
bool IsMdbTools(const std::string& dbmsName) { return NoCase::Equals(dbmsName, "MDBTOOLS"); }

int ToInt(const std::optional<std::string>& v) {
  if (!v) return 0;
  try {
    return std::stoi(*v);
  } catch (...) {
    return 0;
  }
}

}  // namespace

ParameterInfo CSrvrAccess::JetParameter(const std::string& Name, int DaoType) {
  ParameterInfo p;
  p.Name = Name;
  p.Direction = adParamInput;
  p.Type = adVariant;  // a type Jet does not name ("Value" parameters)
  p.Attributes = adParamNullable;
  for (const JetType& t : kJetTypes) {
    if (t.Dao != DaoType) continue;
    p.Type = t.Type;
    p.Size = t.Size;
    p.Precision = t.Precision;
    p.NumericScale = t.Scale;
    if (t.Size == kLongSize) p.Attributes |= adParamLong;
  }
  return p;
}

std::optional<std::vector<ProcedureDescription>> CSrvrAccess::MdbQueries(Connection& Conn) {
  if (!IsMdbTools(Conn.DbmsName())) return std::nullopt;
  const ResultSet queries = Conn.Execute(kMdbQueryListSQL)->Data();
  const ResultSet params = Conn.Execute(kMdbParamsSQL)->Data();
  // The declared parameters per query id, in the order MSysQueries holds them, which is
  // the order of the PARAMETERS clause.
  std::unordered_map<std::string, std::vector<ParameterInfo>> byId;
  const size_t pw = params.Columns.size();
  for (size_t r = 0; r < params.RowCount(); ++r) {
    const std::optional<std::string>& id = params.Cells[r * pw];
    if (!id) continue;
    byId[*id].push_back(
        JetParameter(params.Cells[r * pw + 1].value_or(std::string()), ToInt(params.Cells[r * pw + 2])));
  }
  std::vector<ProcedureDescription> out;
  const size_t qw = queries.Columns.size();
  out.reserve(queries.RowCount());
  for (size_t r = 0; r < queries.RowCount(); ++r) {
    std::string name = queries.Cells[r * qw + 1].value_or(std::string());
    if (name.empty() || name.starts_with('~')) continue;
    ProcedureDescription& d = out.emplace_back();
    d.Name = std::move(name);
    if (const std::optional<std::string>& id = queries.Cells[r * qw]; id)
      if (auto it = byId.find(*id); it != byId.end()) d.Parameters = std::move(it->second);
  }
  // Access sorts names without regard to case; equal names so compared keep a fixed order.
  std::sort(out.begin(), out.end(), [](const ProcedureDescription& a, const ProcedureDescription& b) {
    const int c = NoCase::Compare(a.Name, b.Name);
    return c != 0 ? c < 0 : a.Name < b.Name;
  });
  return out;
}

void CSrvrAccess::SetServer(std::shared_ptr<CServer> Server) {
  server_ = std::move(Server);
  mdbRead_ = false;
  mdb_.reset();
}

const std::vector<ProcedureDescription>* CSrvrAccess::Mdb() {
  if (!mdbRead_) {
    mdb_ = MdbQueries(*MExtractDocs::RequireServer(server_).Connection());
    mdbRead_ = true;
  }
  return mdb_ ? &*mdb_ : nullptr;
}

const std::vector<ParameterInfo>* CSrvrAccess::MdbParams(const std::string& ProcName) {
  // The list is in Access's order: the names equal to ProcName ignoring case are together.
  auto it = std::lower_bound(
      mdb_->begin(), mdb_->end(), ProcName,
      [](const ProcedureDescription& d, const std::string& n) { return NoCase::Compare(d.Name, n) < 0; });
  const ProcedureDescription* folded = nullptr;
  for (; it != mdb_->end() && NoCase::Equals(it->Name, ProcName); ++it) {
    if (it->Name == ProcName) return &it->Parameters;
    if (!folded) folded = &*it;
  }
  return folded ? &folded->Parameters : nullptr;
}

std::string CSrvrAccess::xmlGetSPList(const std::string& Filter) {
  return ErrGuard(
      "CSrvrAccess.ISrvrExtractorxmlGetSPList(Filter)",
      [&] {
        CServer& server = MExtractDocs::RequireServer(server_);
        const std::string pattern = Filter.empty() ? std::string("*") : Filter;
        bwXMLBrowser x;
        MExtractDocs::InitProcList(x, server);
        leftOut_.clear();
        auto add = [&](const std::string& name, bool formControls) {
          if (name.starts_with('~') || !MMethUtils::uIsLike(name, pattern) || !UsableName(name)) return;
          if (formControls) {
            leftOut_.push_back("Procedure \"" + name +
                               "\" is left out of the class: its parameters refer to form controls (\"!\").");
            return;
          }
          x.CreateChild("Proc", true, false);
          x.Attr("Name", name);
          x.POP(0);
        };
        if (const auto* queries = Mdb()) {
          for (const ProcedureDescription& d : *queries)
            add(d.Name, std::any_of(d.Parameters.begin(), d.Parameters.end(),
                                    [](const ParameterInfo& p) { return p.Name.find('!') != std::string::npos; }));
          return x.xml();
        }
        server.ExecSQL(kProcListSQL);
        for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
          const std::string name = server.Value("Name");
          if (name.starts_with('~') || !MMethUtils::uIsLike(name, pattern)) continue;
          add(name, !CheckParamNames(name));
        }
        return x.xml();
      },
      Filter);
}

bool CSrvrAccess::CheckParamNames(const std::string& ProcName) {
  return ErrGuard(
      "CSrvrAccess.CheckParamNames(ProcName)",
      [&] {
        auto cmd = ado::Command::Create();
        cmd->SetActiveConnection(server_->Connection());
        cmd->CommandType = ado::adCmdStoredProc;
        cmd->CommandText = ProcName;
        if (RefreshParams(*cmd) != 0) return true;
        for (const ado::Parameter& p : cmd->Parameters())
          if (p.Name.find('!') != std::string::npos) return false;
        return true;
      },
      ProcName);
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
  return ErrGuard(
      "CSrvrAccess.ISrvrExtractorxmlGetSPParameters(SPName)",
      [&] {
        CServer& server = MExtractDocs::RequireServer(server_);
        MExtractDocs::RefreshRules rules;
        rules.PlainNames = true;
        rules.VarBinarySize16 = true;
        if (Mdb()) {
          // A query MSysQueries does not know has no declared parameters, as a refresh of it
          // that fails has none.
          static const std::vector<ParameterInfo> kNone;
          const std::vector<ParameterInfo>* params = MdbParams(SPName);
          return MExtractDocs::ParamsFromRefresh(SPName, params ? *params : kNone, rules);
        }
        // A connection of its own, so that the server's current result set stays.
        auto cmd = ado::Command::Create();
        cmd->SetActiveConnection(server.ConnectionString());
        cmd->CommandType = ado::adCmdStoredProc;
        cmd->CommandText = SPName;
        if (RefreshParams(*cmd) != 0) cmd->Parameters().Clear();
        return MExtractDocs::ParamsFromRefresh(SPName, *cmd, rules);
      },
      SPName);
}

std::string CSrvrAccess::xmlGetSPParameters(const std::string& SPName) {
  return MExtractDocs::RefreshedParamsXml(GetSPParameters(SPName));
}

std::vector<CatalogueStatement> CSrvrAccess::CatalogueStatements(const std::string&,
                                                                 const std::string& SampleProc) const {
  // Through MDBTools the saved queries and their declared parameters are read from the
  // system tables, once for all queries; other drivers list and refresh.
  bool mdb = false;
  try {
    mdb = server_ && IsMdbTools(server_->Connection()->DbmsName());
  } catch (...) {
  }
  if (mdb)
    return {{"saved queries (MDBTools)", kMdbQueryListSQL, ""}, {"declared parameters (MDBTools)", kMdbParamsSQL, ""}};
  return MExtractDocs::WithRefresh({{"procedure list", kProcListSQL, ""}}, SampleProc);
}

}  // namespace pf
