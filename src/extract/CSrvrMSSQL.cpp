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
// The schemas of the procedures and functions outside the login's default schema, by
// object id, and (in the row without an id) the default schema. sysobjects.uid is the
// object's schema since SQL Server 2005 ("sys.sysobjects"); a server or snapshot without
// SCHEMA_ID and SCHEMA_NAME has no schemas: every name is bare.
constexpr const char* kSchemasSQL =
    "SELECT id, SCHEMA_NAME(uid) AS schema_name FROM sysobjects WHERE type IN ('P', 'FN') AND uid <> SCHEMA_ID() "
    "UNION ALL SELECT NULL, SCHEMA_NAME()";
}  // namespace

std::string CSrvrMSSQL::ReadSchemas(CServer& server, std::map<std::string, std::string>& bySchema) {
  try {
    server.ExecSQL(kSchemasSQL);
  } catch (const AppError& e) {
    if (ado::IsConnectionLost(e)) throw;
    return {};
  }
  std::string defaultSchema;
  for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
    std::string id = server.Value("id");
    if (id.empty())
      defaultSchema = server.Value("schema_name");
    else
      bySchema.emplace(std::move(id), server.Value("schema_name"));
  }
  return defaultSchema;
}

std::string CSrvrMSSQL::xmlGetSPList(const std::string& Filter) {
  // Report name kept as it was: error reports and their readers rely on it.
  return ErrGuard(
      "CSQLServer.ISrvrExtractor_xmlGetSPList(Filter)",
      [&] {
        CServer& server = MExtractDocs::RequireServer(server_);
        const std::string pattern = Filter.empty() ? std::string("*") : Filter;
        std::map<std::string, std::string> schemaOf;
        const std::string defaultSchema = ReadSchemas(server, schemaOf);
        server.ExecSQL(kProcListSQL);
        bwXMLBrowser x;
        MExtractDocs::InitProcList(x, server);
        for (auto rs = server.Recordset(); !rs->Eof(); rs->MoveNext()) {
          const std::string name = server.Value("name");
          // The filter sees the whole name, numbered procedures' ";n" included.
          if (!MMethUtils::uIsLike(name, pattern) || !UsableName(name)) continue;
          x.CreateChild("Proc", true, false);
          // A procedure outside the default schema is called, and kept apart from one of the
          // same name elsewhere, by its qualified name; one in it keeps the bare name.
          const std::string bare = name.substr(0, name.find(';'));
          const auto schema = schemaOf.empty() ? schemaOf.end() : schemaOf.find(server.Value("id"));
          x.Attr("Name", schema == schemaOf.end() ? bare : MSqlNames::SchemaQualified(schema->second, bare));
          x.Attr("IsFunction", server.Value("type") == "FN" ? "True" : "False");
          x.POP(0);
        }
        params_.Expect(static_cast<size_t>(x.ChildCount()), server.ConnectionString(), defaultSchema);
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
  return MExtractDocs::WithRefresh({{"schemas", kSchemasSQL, ""}, {"procedure list", kProcListSQL, ""}}, SampleProc);
}

}  // namespace pf
