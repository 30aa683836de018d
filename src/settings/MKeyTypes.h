#pragma once
// What each profile key accepts. Every place where a value enters the profile by hand
// (procforge-cli configure, the wizard's pages) asks CheckKeyValue first and refuses the
// value with its message, changing nothing; loading a profile stays lenient (a wrong
// Boolean reads as false, a wrong number as 0), and LenientValues lists what a loaded
// profile holds that would have been refused, so that a run can warn about it.
//
// The type and range of every key are its row of the profile key table (MProfileKeys.h).

#include <string>
#include <string_view>
#include <vector>

namespace pf {
class CSettings;
}

namespace pf::MKeyTypes {

// Empty when Section.Key accepts Value; otherwise the message, naming the key and what it
// accepts, for example "IniOptions.CmdTimeout takes a whole number from 0 to 2147483647,
// not 'xyz'.". No key accepts a value that is not UTF-8 or holds a character XML does not
// allow (control characters but tab, line feed and carriage return); otherwise text keys,
// and names the key table does not know, accept any text (the section viewers refuse
// unknown names themselves).
std::string CheckKeyValue(std::string_view Section, std::string_view Key, std::string_view Value);

// How the refusals of CheckKeyValue name a key: "Section.Key" unless a front end names it
// as its user sees it (the wizard: the field's label, the key in brackets after it). A
// namer returns an empty text for keys it does not know, which keep "Section.Key".
using KeyNamer = std::string (*)(std::string_view Section, std::string_view Key);
void SetKeyNamer(KeyNamer namer);

// Raises ERR_USER_CHECK with CheckKeyValue's message when it is not empty.
void RequireKeyValue(std::string_view Section, std::string_view Key, std::string_view Value);

// Why the base name of an output file (up to its first full stop) is no class or module
// name, or empty when it is one. An empty base name is left to the output-file checks.
std::string CheckModuleName(std::string_view FileName);

// One line per Boolean or integer key of the profile whose stored value CheckKeyValue
// would refuse, saying what it is read as, for example "IniOptions.CmdTimeout holds 'xyz',
// which is read as 0.". In section and key order.
std::vector<std::string> LenientValues(CSettings& Settings);

}  // namespace pf::MKeyTypes
