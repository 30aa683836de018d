#pragma once
// Reading a string value of the local-machine registry. Linux has no registry; the
// local-machine hive of a Wine installation stands in for it when one exists:
// $WINEPREFIX/system.reg, else ~/.wine/system.reg.

#include <string>

namespace pf::Registry {

// The path of the hive file that is read (it need not exist).
std::string LocalMachineHive();

// The string value (REG_SZ or REG_EXPAND_SZ, unexpanded) named `valueName` (empty: the
// key's default value) under the key `subKey` of the local machine ("\" or "/"
// separated, letter case ignored). Throws AppError ERR_USER_CHECK with
// "Failed to open Registry key: " and the key when the hive or the key is missing, and
// with "Failed to read registry value. Value Name: " and the name when the key holds no
// such string value.
std::string ReadLocalMachineString(const std::string& subKey, const std::string& valueName);

}  // namespace pf::Registry
