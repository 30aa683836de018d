#include "extract/ISrvrExtractor.h"

#include "base/Utf8.h"
#include "extract/MExtractDocs.h"

namespace pf {

SPParamList ISrvrExtractor::GetSPParameters(const std::string& SPName) {
  return MExtractDocs::ReadParamList(xmlGetSPParameters(SPName));
}

bool ISrvrExtractor::UsableName(const std::string& Name) {
  const bool nul = Name.find('\0') != std::string::npos;
  if (!nul && Utf8::IsValid(Name)) return true;
  unusable_.push_back("Procedure \"" + Utf8::Escaped(Name) + "\" is left out of the class: its name " +
                      (nul ? "holds a NUL character." : "is not valid UTF-8 text."));
  return false;
}

}  // namespace pf
