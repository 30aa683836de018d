#pragma once
// CSPConstructor: turns one stored procedure into one public method of the generated
// class and, for a procedure that is not a function, its two parameter-definition
// constants. One constructor serves a whole generation run: Init once, then
// ConstructMethod for every selected procedure in procedure-list order. Method names
// stay unique across the run (a collision gets the digits of a counter appended, and the
// constants get the same digits).
//
// Every failure of ConstructMethod ends in 0x80041065 "Error constructing method [name] : "
// followed by the cause, with the operation's frame recorded by the error library.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "builder/CMethod.h"

namespace pf {

class CSettings;
class ISrvrExtractor;

class CSPConstructor {
 public:
  CSPConstructor();
  ~CSPConstructor();
  CSPConstructor(const CSPConstructor&) = delete;
  CSPConstructor& operator=(const CSPConstructor&) = delete;

  // Keeps both (the settings must outlive the constructor), reads and caches the profile
  // keys the constructor uses, and clears the package cache and the method-name list.
  void Init(CSettings& Stt, std::shared_ptr<ISrvrExtractor> SrvrExtr);

  // Names methods must not take (the members of the class the methods go into), compared
  // without letter case; a method that would take one is counted on (Execute1). Kept
  // until the next Init.
  void ReserveMethodNames(const std::vector<std::string>& Names);

  // Receives the run's warnings: names made valid, parameters without a name or a known
  // type, procedures left out. Without a sink they are not reported.
  void SetWarningSink(std::function<void(std::string)> Sink);

  // The methods constructed since the last call (those left out not counted) whose
  // signature declares a Variant for a 64-bit or unsigned 32-bit integer, which the type
  // model would otherwise have declared Long; the list is emptied.
  std::vector<std::string> TakeWideIntegerMethods();

  // A new CMethod from the last constructed procedure (Name, ParamCount, IsFunction,
  // Source, ParamDefs; SkipParamDefs false).
  CMethod GetMethodObject() const;

  // Builds the method text and the parameter definitions of SPName. NotSupported is set
  // when the extractor marks the parameter list as not supported, when a parameter has a
  // type or direction code without a name, and when the method would break the
  // compiler's limits (names, line length, line continuations); the texts are built
  // anyway, the caller discards them, and the last two are reported as warnings.
  //
  // Every identifier is valid and unique in its scope (methods in the class, parameters
  // in their method, constants in the module); every catalogue name in the code is a
  // string expression (quotes doubled, other characters as ChrW$), so the procedure the
  // method calls is the one in the catalogue.
  void ConstructMethod(const std::string& SPName, bool IsFunc, bool& NotSupported);

  // The last method text and parameter-definition text (CR LF lines).
  const std::string& GetMethodText() const;
  const std::string& GetParamDefs() const;

  // Naming rules of the generated code for parameters and methods.
  std::string ParamNameToVBName(const std::string& PName, const std::string& ATypeName);
  std::string SPNameToVBName(const std::string& SPName);
  // "SP_" and "PRM_" constant names of SPName, with the collision counter's digits.
  void GetParamDefConstNames(const std::string& SPName, std::string& SPConstName, std::string& PrmConstName);
  // The VB type of one parameter under the cached type switches.
  std::string GetVBType(int32_t ADOType, const std::string& ParamName, const std::string& NativeType,
                        int32_t ParamNumScale);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace pf
