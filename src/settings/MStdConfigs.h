#pragma once
// The predefined profile configurations and the names behind the run-time option sums.
//
// A configuration is a fixed list of (section, key, value) triples written into the open
// profile in list order; CSettings::SetStandardConf applies it through its section viewers.
// Values that depend on the server type or on the connection string are resolved from the
// arguments, which the caller reads from the profile when it applies the configuration.

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

// Run-time option word: flag names and the IniOptions keys that feed them, same order.
inline constexpr const char* kOptionFlagNames =
    "PFGO_ERR_RAISE,PFGO_ERR_SETABORT,PFGO_ERR_DISABLECOMMIT,PFGO_STRLEN_RAISE,PFGO_STRLEN_TRIM,"
    "PFGO_NULL_EMPTYSTR,PFGO_NULL_ZERODATE,PFGO_AUTO_CONNCLOSE,PFGO_AUTO_CONNRELEASE,"
    "PFGO_AUTO_DISCONNECT_RSET,PFGO_AUTO_SKIPCLOSED,PFGO_AUTO_CHKRETVAL,PFGO_ASYNC_WAIT";
inline constexpr const char* kOptionFlagKeys =
    "ErrReraise,ErrSetAbort,ErrDisCommit,StrLenRaise,StrLenTrim,NullForEmptyStr,NullForZeroDate,"
    "AutoConnClose,AutoReleaseADO,AutoDisconnRset,AutoSkipClosed,AutoCheckRetVal,AsyncWait";

// ADO execute options: constant names and the IniOptions keys that feed them, same order.
inline constexpr const char* kADOExecFlagNames = "adAsyncExecute,adAsyncFetch,adAsyncFetchNonBlocking";
inline constexpr const char* kADOExecFlagKeys = "AsyncExec,AsyncFetch,AsyncFetchNonBlocking";

// Separator and empty value of both sums.
inline constexpr const char* kFlagSumDelim = " + ";
inline constexpr const char* kFlagSumEmpty = "0";

}  // namespace pf::MStdConfigs
