#include "extract/ISrvrExtractor.h"

#include "extract/MExtractDocs.h"

namespace pf {

SPParamList ISrvrExtractor::GetSPParameters(const std::string& SPName) {
  return MExtractDocs::ReadParamList(xmlGetSPParameters(SPName));
}

}  // namespace pf
