#pragma once
// Catalogue extractor for Sybase.
//
// Procedure list: every procedure (type P) of sysobjects in name order, Name only (Filter
// is ignored; functions are never listed). Parameter list: an ADO parameter refresh on
// the server's shared command and connection; direction 0 is written as 1 (input) and
// numeric (131) as double (5). A description in ASE's shape (every direction 0, no return
// value) gets its directions and return value from syscolumns; in any other description,
// a parameter with direction 0 takes its direction from syscolumns when that has it.

#include <memory>
#include <string>

#include "extract/CProcParamsCache.h"
#include "extract/ISrvrExtractor.h"

namespace pf {

class CSrvrSybase : public ISrvrExtractor {
 public:
  void SetServer(std::shared_ptr<CServer> Server) override { server_ = std::move(Server); }
  std::string xmlGetSPList(const std::string& Filter) override;
  std::string xmlGetSPParameters(const std::string& SPName) override;
  std::vector<CatalogueStatement> CatalogueStatements(const std::string& Filter,
                                                      const std::string& SampleProc) const override;
  SPParamList GetSPParameters(const std::string& SPName) override;
  bool ParamRowsAreTheDocument() const override { return true; }

 private:
  // Where the description has neither a direction nor a return value (ASE's), the
  // directions from syscolumns and the return value first, as ADO with the ASE provider
  // reports them; a description that misses parameters makes the procedure unsupported.
  // Elsewhere, the parameters of direction 0 take theirs from syscolumns by name.
  static void AddDirections(CServer& server, SPParamList& list);

  std::shared_ptr<CServer> server_;
  CProcParamsCache params_;  // every listed procedure's parameters, read with one call
};

}  // namespace pf
