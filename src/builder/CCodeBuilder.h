#pragma once
// CCodeBuilder: one generation run's class text and parameter-definitions module text.
// It wraps every selected stored procedure as a method (through the extractor of the
// profile's server type and CSPConstructor), loads the code library, chooses the library
// blocks and conditions from the profile, fills the reference table, assembles the class
// with the block engine, then installs error handlers, the include file, the public
// members list and the reminder, and formats the result.
//
// Errors of any step (extractor, block engine, missing library, unresolved reference)
// pass through BuildCode unchanged in number and text; the run then produces no text.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "builder/CMethod.h"

namespace pf {

class CSettings;
class CProgress;
class CRefValues;

class CCodeBuilder {
 public:
  CCodeBuilder();
  ~CCodeBuilder();
  CCodeBuilder(const CCodeBuilder&) = delete;
  CCodeBuilder& operator=(const CCodeBuilder&) = delete;

  // The finished texts, without file headers, CR LF lines. Read after BuildCode.
  std::string ClassCode;
  std::string ParamDefsCode;
  // Set before BuildCode: text that ClassCode then starts with, as it is (the class file's
  // header), so that the file's text is made without copying the class behind it. Neither
  // formatted nor counted in NumLines and NumChars.
  std::string ClassLead;

  // Runs the build. Stt and Progress must outlive the builder until Done. NumSPs receives
  // the number of procedure methods, NumLines the line count of ClassCode (line breaks
  // plus one) and NumChars its length in characters.
  void BuildCode(CSettings& Stt, CProgress& Progress, int32_t& NumSPs, int32_t& NumLines, int32_t& NumChars);

  // Called for every procedure method the run adds, in procedure-list order, with the
  // procedure name as the extractor reports it.
  using MethodVisitor = std::function<void(const std::string& SPName, const CMethod& Method)>;

  // The procedure-methods step alone, as BuildCode runs it first: every selected procedure
  // becomes a method (ParamDefsCode receives their parameter definitions). With OnMethod set
  // (a listing), each method goes to OnMethod alone: none is kept for a class, and
  // ParamDefsCode stays empty. Returns the number of methods. Used by BuildCode and by listings.
  int32_t BuildSPMethods(CSettings& Stt, CProgress& Progress, const MethodVisitor& OnMethod = {});

  // Releases the block engine, the library stream, the reference table and the settings.
  void Done();

  // What the last BuildCode chose from the profile, for inspection (tests, diagnostics):
  // the block list and the condition list (comma-separated, each beginning with a comma)
  // and the reference table. Filled when the class is assembled; the table is empty
  // after Done.
  const std::string& BlockList() const;
  const std::string& ConditionList() const;
  const CRefValues& RefValues() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace pf
