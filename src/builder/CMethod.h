#pragma once
// One procedure of generated code: its name, kind, scope, source lines and, for a
// stored-procedure method, its parameter-definition constants.

#include <cstdint>
#include <string>
#include <string_view>

namespace pf {

class CMethod {
 public:
  std::string Name;         // procedure name (method name of a stored-procedure method)
  int32_t ParamCount = 0;   // stored-procedure parameters, the return value included; 0 when parsed
  std::string ProcType;     // "Sub", "Function", "Property" as the header lists it
  std::string Scope;        // "Public ", "Private ", "Friend" as the header lists it, or empty
  bool IsFunction = false;  // the stored procedure is a database function
  std::string Source;       // every line preceded by CR LF
  std::string ParamDefs;    // parameter-definition constants; empty when parsed
  bool SkipParamDefs = false;

  // Copies every field but SkipParamDefs.
  void Assign(const CMethod& oM);
  // Source = Source + CR LF + Lines.
  void AppendSrcLines(std::string_view Lines);

  // Rewrites the error handler of Source when it has an "ErrorIn" line (else leaves it):
  // without UseFaultnet the handler becomes "HandleError" (public procedures) or a re-raise
  // naming the procedure; with UseFaultnet and AddStopOnError a stop line goes before
  // ErrorIn; with DisOnError a public procedure exits at its last "On Error" line when an
  // error occurred earlier.
  void SetupErrHandlers(bool UseFaultnet, bool AddStopOnError, bool DisOnError);

  // The documentation comments ("'#" lines, as ordinary comments) and the public header
  // (continuation lines included) as comment lines, each followed by CR LF.
  std::string GetCommentedDeclaration() const;
  // Appends GetCommentedDeclaration to Out.
  void AppendCommentedDeclaration(std::string& Out) const;
};

}  // namespace pf
