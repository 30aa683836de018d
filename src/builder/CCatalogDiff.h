#pragma once
// Compares two catalogues under a profile's rules: procedures added and removed,
// parameters added, removed or changed. A change is breaking when it changes the
// declaration of a method the profile generates (or removes such a method and no other
// procedure gives the same one), letter case aside, unless the new declaration takes every
// call the old one took and declares the same to the server (trailing inputs that became
// Optional, or were added as Optional, where the server's defaults allow leaving them out).

#include <map>
#include <string>
#include <vector>

namespace pf {

class CSettings;
class CProgress;

class CCatalogDiff {
 public:
  // One parameter as the extractor describes it: the values of its attributes but Name, in
  // the order Dir, Type, NativeType, NativeTypeName, Size, Precision, NumericScale,
  // IsNullable, IsLongBinary, IsRetVal, DataTypeNotSupported, and "True" when a call may
  // leave the parameter out (OmitMark).
  struct Param {
    std::string Name;
    std::vector<std::string> Attrs;
  };
  struct Proc {
    std::vector<Param> Params;
    // The generated method's declaration and what it declares of each parameter to the
    // server (name, type, direction: one "AddParam" line each); empty when none is generated.
    std::string Signature;
  };
  using Catalogue = std::map<std::string, Proc>;  // by procedure name as listed

  // Reads the catalogue that ConnectionString opens, with the profile's server type,
  // filters and naming rules (the profile's connection string is put back afterwards).
  static Catalogue Read(CSettings& Stt, const std::string& ConnectionString, CProgress& Progress);

  // One line per change, sorted; breaking lines end in " (breaking)".
  static std::vector<std::string> Compare(const Catalogue& Old, const Catalogue& New);
  static bool IsBreaking(const std::string& Line);
};

}  // namespace pf
