#pragma once
// Catalogue extractor for Microsoft SQL Server.
//
// Procedure list: the procedures (type P) and scalar functions (type FN) of sysobjects in
// name order, kept when the full name matches Filter (a name pattern, "*" when empty;
// case significant); Name is cut before the first ";" (numbered procedures) and, outside
// the login's default schema, qualified as "[schema].[name]"; IsFunction is "True" or
// "False". Parameter list: an ADO parameter refresh on a connection of its own, numeric
// (131) written as double (5); a parameter ADO cannot pass leaves the procedure out.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "extract/CProcParamsCache.h"
#include "extract/ISrvrExtractor.h"
#include "platform/ado/Provider.h"

namespace pf {

class CSrvrMSSQL : public ISrvrExtractor {
 public:
  void SetServer(std::shared_ptr<CServer> Server) override { server_ = std::move(Server); }
  std::string xmlGetSPList(const std::string& Filter) override;
  std::string xmlGetSPParameters(const std::string& SPName) override;
  std::vector<CatalogueStatement> CatalogueStatements(const std::string& Filter,
                                                      const std::string& SampleProc) const override;
  SPParamList GetSPParameters(const std::string& SPName) override;
  bool ParamRowsAreTheDocument() const override { return true; }

  // The login's default schema and the schema of each procedure outside it, as the rows of
  // SchemasSQL give them; both empty where the server has no schemas.
  struct Schemas {
    std::string Default;
    std::map<std::string, std::string> ById;  // object id -> schema, outside the default schema
    // The name the procedure list gives the sysobjects row Name with object id Id: cut
    // before ";" (numbered procedures), and "[schema].[name]" outside the default schema.
    std::string ListedName(const std::string& Name, const std::string& Id) const;
  };
  static const char* const SchemasSQL;
  static Schemas SchemasFrom(const ado::ResultSet& Rows);
  // The schemas, read with SchemasSQL through Query; none where the server has no schemas
  // (the statement fails). A lost connection raises.
  static std::optional<Schemas> ReadSchemas(const std::function<ado::ResultSet(const std::string&)>& Query);

 private:
  std::shared_ptr<CServer> server_;
  CProcParamsCache params_;  // every listed procedure's parameters, read with one call
};

}  // namespace pf
