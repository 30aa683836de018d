#include "extract/CSrvrInformix.h"

#include "shell/MGlobals.h"

namespace pf {

std::string CSrvrInformix::xmlGetSPList(const std::string&) {
  MGlobals::ShowMessage("Place stuff here");
  return {};
}

std::string CSrvrInformix::xmlGetSPParameters(const std::string&) {
  MGlobals::ShowMessage("Place stuff here");
  return {};
}

std::vector<CatalogueStatement> CSrvrInformix::CatalogueStatements(const std::string&, const std::string&) const {
  return {};
}

}  // namespace pf
