#pragma once
// Catalogue extractor for PostgreSQL.
//
// It reads the functions and procedures of the schemas on the session's search path, or of
// those the list filter names in the same form ("app, public"; system schemas left out;
// calls then name the schema, which need not be on the class's search path) with three statements whatever the
// catalogue's size: the search path, the routines of pg_proc with their schemas, and the types of pg_type. The
// statements are plain enough for a catalogue snapshot to answer them from tables of the
// same names and columns.
//
// Each routine becomes one procedure of the list, described as the ODBC driver describes
// it through ADO: input 1, input/output 3, output 2, return value 4; the columns of a set
// or table result are not parameters. Its parameter list says how a method calls it
// (SPParamList::CallText): a procedure with "CALL p(?, ...)", a function returning one
// value with "{? = call f(?, ...)}", any other function with "{call f(?, ...)}"; a function
// whose rows come through a cursor needs a transaction (NeedsTransaction).
//
// Overloads of one name are listed as the name followed by their argument types; the
// parameter list's Proc is the bare name, so that the naming rules make their methods'
// names unique. An overload a call cannot tell from another (the same parameter types as
// ADO passes them), one hidden by the same signature earlier on the search path, and one
// with an array, composite or pseudo-type argument are left out, each named in LeftOut().

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/NameTable.h"
#include "extract/ISrvrExtractor.h"
#include "platform/ado/Provider.h"

namespace pf {

namespace ado {
class Connection;
}  // namespace ado

class CSrvrPostgres : public ISrvrExtractor {
 public:
  void SetServer(std::shared_ptr<CServer> Server) override { server_ = std::move(Server); }
  std::string xmlGetSPList(const std::string& Filter) override;
  std::string xmlGetSPParameters(const std::string& SPName) override;
  SPParamList GetSPParameters(const std::string& SPName) override;
  bool ParamRowsAreTheDocument() const override { return true; }
  std::vector<std::string> LeftOut() const override { return leftOut_; }
  std::vector<CatalogueStatement> CatalogueStatements(const std::string& Filter,
                                                      const std::string& SampleProc) const override;

  // The snapshot's tables of the catalogue Conn opens, as the extractor reads them with the
  // list filter Schemas: pg_settings (the schemas read, resolved, as its search path),
  // pg_namespace, pg_proc (their routines), pg_depend and pg_type (the types they use).
  // Raises what the statements raise.
  static std::vector<std::pair<std::string, ado::ResultSet>> CaptureTables(ado::Connection& Conn,
                                                                           const std::string& Schemas);

  // One routine of the catalogue as the statements read it.
  struct Routine {
    std::string Schema, Name, Oid, Kind, ReturnType, ArgTypes, AllArgTypes, ArgModes, ArgNames;
    std::string NamespaceOid, ArgDefaults;
    bool ReturnsSet = false;
  };
  // One type of pg_type.
  struct PgType {
    std::string Oid, Name, Schema, NamespaceOid, Type, Category, BaseType, Element;
  };

 private:
  std::shared_ptr<CServer> server_;
  std::vector<std::string> leftOut_;
  std::string filter_;              // the last list's filter
  std::vector<SPParamList> lists_;  // the listed routines' parameter lists, in list order
  ExactNameMap<size_t> byName_;     // listed name -> lists_
};

}  // namespace pf
