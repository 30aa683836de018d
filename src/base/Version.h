#pragma once
// The program's version line, as the splash and About windows, the generated class's
// heading and procforge-cli --version show it: the product version, then the program's
// major, minor and revision numbers.

#include <string>

namespace pf {

// The product version, which the generated class's heading names.
constexpr const char* kProductVersion = "2.2";

inline std::string VersionLine() { return std::string("Version ") + kProductVersion + " (" + PF_VERSION + ")"; }

}  // namespace pf
