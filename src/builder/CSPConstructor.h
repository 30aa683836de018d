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
#include <memory>
#include <string>

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

  // A new CMethod from the last constructed procedure (Name, ParamCount, IsFunction,
  // Source, ParamDefs; SkipParamDefs false).
  CMethod GetMethodObject() const;

  // Builds the method text and the parameter definitions of SPName. NotSupported is set
  // when the extractor marks the parameter list as not supported; the texts are built
  // anyway and the caller discards them.
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
