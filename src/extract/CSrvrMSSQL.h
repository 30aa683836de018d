#pragma once
// Catalogue extractor for Microsoft SQL Server.
//
// Procedure list: the procedures (type P) and scalar functions (type FN) of sysobjects in
// name order, kept when the full name matches Filter (a name pattern, "*" when empty;
// case significant); Name is cut before the first ";" (numbered procedures) and, outside
// the login's default schema, qualified as "[schema].[name]"; IsFunction is "True" or
// "False". Parameter list: an ADO parameter refresh on a connection of its own, numeric
// (131) written as double (5); a parameter ADO cannot pass leaves the procedure out.

#include <map>
#include <memory>
#include <string>

#include "extract/CProcParamsCache.h"
#include "extract/ISrvrExtractor.h"

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

 private:
  // The schemas of the objects outside the default schema, by object id, into bySchema;
  // returns the default schema. Nothing (and "") where the server has no schemas.
  static std::string ReadSchemas(CServer& server, std::map<std::string, std::string>& bySchema);

  std::shared_ptr<CServer> server_;
  CProcParamsCache params_;  // every listed procedure's parameters, read with one call
};

}  // namespace pf
