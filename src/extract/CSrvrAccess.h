#pragma once
// Catalogue extractor for Microsoft Access databases: the "procedures" are the saved
// queries (MSysObjects type 5) and their parameters come from an ADO parameter refresh.
//
// Procedure list: saved queries in name order, without the temporary ones (names
// beginning with "~") and without queries whose parameters refer to form controls (a
// parameter name holding "!"), kept when the name matches Filter (a name pattern, "*"
// when empty; case significant). A query whose parameters cannot be refreshed is still
// listed. Parameter list: Name reduced to ASCII letters and digits, the ADO type as
// reported (numeric stays 131), Size 16 for varbinary (204); a query whose refresh fails
// has no Param.

#include <memory>
#include <string>

#include "extract/ISrvrExtractor.h"
#include "platform/ado/Command.h"

namespace pf {

class CSrvrAccess : public ISrvrExtractor {
 public:
  void SetServer(std::shared_ptr<CServer> Server) override { server_ = std::move(Server); }
  std::string xmlGetSPList(const std::string& Filter) override;
  std::string xmlGetSPParameters(const std::string& SPName) override;
  SPParamList GetSPParameters(const std::string& SPName) override;
  bool ParamRowsAreTheDocument() const override { return true; }
  std::vector<std::string> LeftOut() const override { return leftOut_; }

 private:
  // False when a parameter of the query refers to a form control; true when none does
  // or when the parameters cannot be refreshed.
  bool CheckParamNames(const std::string& ProcName);
  // Refreshes Cmd's parameters, ignoring a failure; the failure's error number, 0 on success.
  static int32_t RefreshParams(ado::Command& Cmd);

  std::shared_ptr<CServer> server_;
  std::vector<std::string> leftOut_;
};

}  // namespace pf
