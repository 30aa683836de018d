#pragma once
// The interface of the per-server catalogue extractors. An extractor reads a server's
// catalogue through a CServer and returns two XML documents as text:
//
//   procedure list  <ProcList Connection="..."><Proc Name="..." .../>...</ProcList>
//   parameter list  <Parameters Proc="..."><Param Name="..." Dir="..." .../>...</Parameters>
//
// Attributes are written in a fixed order per server type (see each extractor). A failure
// raises pf::AppError with the operation's frame in its report; no partial document is
// ever returned.

#include <memory>
#include <string>
#include <vector>

namespace pf {

class CServer;

// One Param element of a parameter-list document: the texts of the attributes that
// describe the parameter ("" where the element has none).
struct SPParamRow {
  std::string Name;
  std::string Dir;
  std::string NumericScale;
  std::string Precision;
  std::string Size;
  std::string Type;
  std::string NativeType;
  bool IsNullable = false;
  bool IsLongBinary = false;
  bool DataTypeNotSupported = false;
  // An input a call may leave out, the server then taking its default: the argument as the
  // call passes it by name ("p_rate => ?"), so that any of them can be left out. Empty for
  // an argument every call passes (and where the call text is the procedure's name).
  std::string OmitMark;
};

// A parameter-list document as rows: the root's Proc and NotSupported, and the Param
// elements in document order.
struct SPParamList {
  std::string Proc;
  bool NotSupported = false;
  // Why the procedure is not supported, when the extractor can say it better than "the
  // data types of its arguments are not supported"; "" otherwise.
  std::string NotSupportedReason;
  std::vector<SPParamRow> Params;
  // The command text a method runs, "?" marking each parameter but the return value, where
  // the server calls routines by a text of their own (PostgreSQL: "CALL p(?, ?)",
  // "{? = call f(?)}"); empty where a method calls the stored procedure by its name.
  std::string CallText;
  // The call's rows come through a cursor, which lives only inside a transaction.
  bool NeedsTransaction = false;
  // What the description changed or left out on its own, for the run's warnings.
  std::vector<std::string> Warnings;
};

// One request an extractor makes of the server to read its catalogue: a statement, or a
// parameter refresh of one procedure (a call of the driver, Sql empty).
struct CatalogueStatement {
  std::string Purpose;  // what it reads, e.g. "procedure list", "parameters of usp_x"
  std::string Sql;      // the statement as sent; empty for a parameter refresh
  std::string Proc;     // the procedure whose parameters it reads ("" for the list)
};

class ISrvrExtractor {
 public:
  virtual ~ISrvrExtractor() = default;
  // Stores the server; called once, right after creation, before any other member.
  virtual void SetServer(std::shared_ptr<CServer> Server) = 0;
  // The procedure-list document. Filter is the extractor's own: a name pattern (SQL
  // Server, Access), ignored (Sybase), a comma-separated package list (Oracle).
  virtual std::string xmlGetSPList(const std::string& Filter) = 0;
  // The parameter-list document of one procedure.
  virtual std::string xmlGetSPParameters(const std::string& SPName) = 0;
  // The same parameter list as rows, exactly as the document reads back. This reads the
  // document; extractors that describe the parameters themselves give the rows directly,
  // so a generation run does not write and parse a document per procedure.
  virtual SPParamList GetSPParameters(const std::string& SPName);
  // True when the document is written from the rows GetSPParameters gives (refreshed
  // parameters, MExtractDocs::RefreshedParamsXml): the rows then hold all it says.
  virtual bool ParamRowsAreTheDocument() const { return false; }
  // What the last xmlGetSPList left out of the list although the catalogue holds it, one
  // text per procedure naming it and why, for the run's warnings.
  virtual std::vector<std::string> LeftOut() const { return {}; }
  // The procedures the procedure lists left out for their names, one warning text each.
  const std::vector<std::string>& UnusableNames() const { return unusable_; }

  // The requests xmlGetSPList(Filter) makes, then those a parameter list of SampleProc makes
  // (none when SampleProc is empty), in order, each from the same text the extractor sends,
  // for a report of what a server answers to them.
  virtual std::vector<CatalogueStatement> CatalogueStatements(const std::string& Filter,
                                                              const std::string& SampleProc) const = 0;

  // Empty when a name read from a catalogue can stand in the procedure list, a profile and a
  // class as it is; else why not: "holds a NUL character" (it would be cut short), "is not
  // valid UTF-8 text" (a bad byte would be replaced) or, for a control character XML does
  // not allow, "holds U+001B (character 4), which XML does not allow" (no profile could
  // keep it). Callers leave such a name out and name it with Utf8::Escaped in a warning.
  static std::string NameProblem(const std::string& Name);

 protected:
  // Whether a catalogue name can stand in the procedure list (NameProblem empty). The
  // caller leaves one that cannot out, and UnusableNames names it with escapes.
  bool UsableName(const std::string& Name);

 private:
  std::vector<std::string> unusable_;
};

}  // namespace pf
