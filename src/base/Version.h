#pragma once
// The program's version line, as the splash and About windows, the generated class's
// heading and procforge-cli --version show it: the product version, then the program's
// major, minor and revision numbers.

#include <string>

namespace pf {

inline std::string VersionLine() { return std::string("Version 2.2 (") + PF_VERSION + ")"; }

}  // namespace pf
