#include "extract/ISrvrExtractor.h"

#include "base/Utf8.h"
#include "extract/MExtractDocs.h"
#include "xml/MXmlCheck.h"

namespace pf {

SPParamList ISrvrExtractor::GetSPParameters(const std::string& SPName) {
  return MExtractDocs::ReadParamList(xmlGetSPParameters(SPName));
}

std::string ISrvrExtractor::NameProblem(const std::string& Name) {
  if (Name.find('\0') != std::string::npos) return "holds a NUL character";
  if (!Utf8::IsValid(Name)) return "is not valid UTF-8 text";
  const std::string problem = MXmlCheck::TextProblem(Name);
  return problem.empty() ? problem : "holds " + problem;
}

bool ISrvrExtractor::UsableName(const std::string& Name) {
  const std::string problem = NameProblem(Name);
  if (problem.empty()) return true;
  unusable_.push_back("Procedure \"" + Utf8::Escaped(Name) + "\" is left out of the class: its name " + problem + ".");
  return false;
}

}  // namespace pf
