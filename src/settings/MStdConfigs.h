#pragma once
// The predefined profile configurations and the texts of the run-time option sums.
//
// A configuration is the list of (section, key, value) triples that the profile key table
// (MProfileKeys) gives for it, written into the open profile in table order;
// CSettings::SetStandardConf applies it through its section viewers. Values that depend
// on the server type or on the connection string are resolved from the arguments, which
// the caller reads from the profile when it applies the configuration.

#include <cstdint>
#include <string>
#include <vector>

namespace pf::MStdConfigs {

// Configuration numbers, as the option positions of the configuration page.
enum StdConf : int32_t {
  SC_COMPLUS = 0,  // class in a COM+ middle-tier component
  SC_ASP = 1,      // class used directly from web page scripts
  SC_DESKTOP = 2,  // class used by a client/server desktop application; every new profile
  SC_MANUAL = 3,   // no configuration (the page's "configure manually" choice)
};

struct ConfValue {
  const char* Section;
  const char* Key;
  std::string Value;
};

// The values of configuration StdConfType (0, 1 or 2) for server type ServerType, in the
// order they are written. Throws ERR_GENERAL for any other configuration number.
std::vector<ConfValue> StdConfValues(int32_t StdConfType, int32_t ServerType, const std::string& ConnPfg);

// Name of the package entry that stands for procedures outside any package.
inline constexpr const char* kUnpackaged = "(Unpackaged)";

// Separator and empty value of both sums.
inline constexpr const char* kFlagSumDelim = " + ";
inline constexpr const char* kFlagSumEmpty = "0";

}  // namespace pf::MStdConfigs
