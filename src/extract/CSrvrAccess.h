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
//
// The MDBTools ODBC driver parses neither the list query's ORDER BY nor its "Not (...)",
// and cannot describe a query's parameters. Through it the extractor reads the saved
// queries and their declared parameters (MSysQueries) itself, sorts the names as Access
// does (case ignored) and describes each parameter as the Jet provider's refresh does;
// the rules above stay as they are. Other drivers and snapshots get the queries above.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "extract/ISrvrExtractor.h"
#include "platform/ado/Command.h"

namespace pf {

class CSrvrAccess : public ISrvrExtractor {
 public:
  // The catalogue statements: the list query, and the two that replace it and the
  // parameter refresh where the driver is MDBTools.
  static constexpr const char* kProcListSQL =
      "SELECT Name From MSysObjects where type=5 AND Not (Name Like '~%') Order by Name ";
  static constexpr const char* kMdbQueryListSQL =
      "SELECT Id, Name FROM MSysObjects WHERE Type=5 AND NOT Name LIKE '~%'";
  static constexpr const char* kMdbParamsSQL = "SELECT ObjectId, Name1, Flag FROM MSysQueries WHERE Attribute=2";

  void SetServer(std::shared_ptr<CServer> Server) override;
  std::string xmlGetSPList(const std::string& Filter) override;
  std::string xmlGetSPParameters(const std::string& SPName) override;
  std::vector<CatalogueStatement> CatalogueStatements(const std::string& Filter,
                                                      const std::string& SampleProc) const override;
  SPParamList GetSPParameters(const std::string& SPName) override;
  bool ParamRowsAreTheDocument() const override { return true; }
  std::vector<std::string> LeftOut() const override { return leftOut_; }

  // The saved queries of an MDBTools connection with their declared parameters as the
  // Jet provider's refresh reports them, in Access's name order, without the temporary
  // ones; std::nullopt when the connection's driver is not MDBTools.
  static std::optional<std::vector<ado::ProcedureDescription>> MdbQueries(ado::Connection& Conn);
  // The parameter the Jet provider reports for one declared with the DAO data type code
  // DaoType (the Flag of its MSysQueries row), named Name.
  static ado::ParameterInfo JetParameter(const std::string& Name, int DaoType);

 private:
  // False when a parameter of the query refers to a form control; true when none does
  // or when the parameters cannot be refreshed.
  bool CheckParamNames(const std::string& ProcName);
  // Refreshes Cmd's parameters, ignoring a failure; the failure's error number, 0 on success.
  static int32_t RefreshParams(ado::Command& Cmd);
  // The MDBTools description of the server's queries, read on first use; nullptr when the
  // driver is another.
  const std::vector<ado::ProcedureDescription>* Mdb();
  // The declared parameters of ProcName from Mdb(); nullptr when it holds no such query.
  const std::vector<ado::ParameterInfo>* MdbParams(const std::string& ProcName);

  std::shared_ptr<CServer> server_;
  std::vector<std::string> leftOut_;
  bool mdbRead_ = false;
  std::optional<std::vector<ado::ProcedureDescription>> mdb_;
};

}  // namespace pf
