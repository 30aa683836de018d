#pragma once
// Extractor class for Informix: placeholders only, and no server type selects it.
// Both document members show the message "Place stuff here" and return an empty text.

#include <memory>
#include <string>

#include "extract/ISrvrExtractor.h"

namespace pf {

class CSrvrInformix : public ISrvrExtractor {
 public:
  void SetServer(std::shared_ptr<CServer> Server) override { server_ = std::move(Server); }
  std::string xmlGetSPList(const std::string& Filter) override;
  std::string xmlGetSPParameters(const std::string& SPName) override;
  std::vector<CatalogueStatement> CatalogueStatements(const std::string& Filter,
                                                      const std::string& SampleProc) const override;

 private:
  std::shared_ptr<CServer> server_;
};

}  // namespace pf
