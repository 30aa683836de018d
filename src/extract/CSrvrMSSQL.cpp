#include "extract/CSrvrMSSQL.h"

#include "text/MMethUtils.h"
#include "text/MSqlNames.h"
#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/MExtractDocs.h"
#include "platform/ado/Ado.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {
constexpr const char* kProcListSQL = "SELECT * FROM sysobjects  WHERE type IN ('P', 'FN')  ORDER BY [name]";
}  // namespace

// The schemas of the procedures and functions outside the login's default schema, by
// object id, and (in the row without an id) the default schema. sysobjects.uid is the
// object's schema since SQL Server 2005 ("sys.sysobjects"); a server or snapshot without
// SCHEMA_ID and SCHEMA_NAME has no schemas: every name is bare.
const char* const CSrvrMSSQL::SchemasSQL =
    "SELECT id, SCHEMA_NAME(uid) AS schema_name FROM sysobjects WHERE type IN ('P', 'FN') AND uid <> SCHEMA_ID() "
    "UNION ALL SELECT NULL, SCHEMA_NAME()";

CSrvrMSSQL::Schemas CSrvrMSSQL::SchemasFrom(const ado::ResultSet& Rows) {
  Schemas out;
  const size_t width = Rows.Columns.size();
  if (width < 2) return out;
  for (size_t r = 0; r < Rows.RowCount(); ++r) {
    const std::optional<std::string>& id = Rows.Cells[r * width];
    std::string schema = Rows.Cells[r * width + 1].value_or(std::string());
    if (!id || id->empty())
      out.Default = std::move(schema);
    else
      out.ById.emplace(*id, std::move(schema));
  }
  return out;
}

std::optional<CSrvrMSSQL::Schemas> CSrvrMSSQL::ReadSchemas(
    const std::function<ado::ResultSet(const std::string&)>& Query) {
  try {
    return SchemasFrom(Query(SchemasSQL));
  } catch (const AppError& e) {
    if (ado::IsConnectionLost(e)) throw;
    return std::nullopt;
  }
}

std::string CSrvrMSSQL::Schemas::ListedName(const std::string& Name, const std::string& Id) const {
  // A procedure outside the default schema is called, and kept apart from one of the same
  // name elsewhere, by its qualified name; one in it keeps the bare name.
  std::string bare = Name.substr(0, Name.find(';'));
  const auto schema = ById.empty() ? ById.end() : ById.find(Id);
  return schema == ById.end() ? bare : MSqlNames::SchemaQualified(schema->second, bare);
}

std::string CSrvrMSSQL::xmlGetSPList(const std::string& Filter) {
  // Report name kept as it was: error reports and their readers rely on it.
  return ErrGuard(
      "CSQLServer.ISrvrExtractor_xmlGetSPList(Filter)",
      [&] {
        CServer& server = MExtractDocs::RequireServer(server_);
        const std::string pattern = Filter.empty() ? std::string("*") : Filter;
        const Schemas schemas = ReadSchemas([&](const std::string& sql) {
                                  server.ExecSQL(sql);
                                  return server.Recordset()->Data();
                                }).value_or(Schemas());
        server.ExecSQL(kProcListSQL);
        bwXMLBrowser x;
        MExtractDocs::InitProcList(x, server);
        for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
          const std::string name = server.Value("name");
          // The filter sees the whole name, numbered procedures' ";n" included.
          if (!MMethUtils::uIsLike(name, pattern) || !UsableName(name)) continue;
          x.CreateChild("Proc", true, false);
          x.Attr("Name", schemas.ListedName(name, schemas.ById.empty() ? std::string() : server.Value("id")));
          x.Attr("IsFunction", server.Value("type") == "FN" ? "True" : "False");
          x.POP(0);
        }
        params_.Expect(static_cast<size_t>(x.ChildCount()), server.ConnectionString(), schemas.Default);
        return x.xml();
      },
      Filter);
}

SPParamList CSrvrMSSQL::GetSPParameters(const std::string& SPName) {
  return ErrGuard(
      "CSrvrMSSQL.ISrvrExtractor_xmlGetSPParameters(SPName)",
      [&] {
        CServer& server = MExtractDocs::RequireServer(server_);
        MExtractDocs::RefreshRules rules;
        rules.NumericAsDouble = true;
        rules.LeaveOutUnpassable = true;
        if (const auto* known = params_.FindDescription(SPName))
          return MExtractDocs::ParamsFromRefresh(SPName, *known, rules);
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
  return MExtractDocs::WithRefresh({{"schemas", SchemasSQL, ""}, {"procedure list", kProcListSQL, ""}}, SampleProc);
}

}  // namespace pf
