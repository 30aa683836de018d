#include "settings/MStdConfigs.h"

#include "errors/ErrGuard.h"
#include "settings/MProfileKeys.h"

namespace pf::MStdConfigs {

std::vector<ConfValue> StdConfValues(int32_t StdConfType, int32_t ServerType, const std::string& ConnPfg) {
  Faultnet31::Check(StdConfType >= SC_COMPLUS && StdConfType <= SC_DESKTOP, ERR_GENERAL,
                    "Unknown standard configuration %1: expected 0, 1 or 2.", StdConfType);
  std::vector<ConfValue> values;
  for (const MProfileKeys::Key& k : MProfileKeys::Keys())
    if (k.How != MProfileKeys::Pick::None)
      values.push_back({k.Section, k.Name, MProfileKeys::ConfValue(k, StdConfType, ServerType, ConnPfg)});
  return values;
}

}  // namespace pf::MStdConfigs
