#pragma once
// The one table of profile keys. Every key of every section is a row: its section, its
// name, what it accepts, the value each predefined configuration gives it, the flag it
// feeds in the run-time option sums and the condition it turns on in the code library.
// The section viewers take their allowed names from it, the type check its types and
// ranges, the predefined configurations their values, the class code builder its
// switch conditions; the wizard's page table names a key only to bind a control to it.
//
// Rows are in section order (Server, StoredProc, AddnlFunc, ErrHndl, IniOptions, Misc,
// Code, Packages) and, within a section, in the order of its allowed-names list, which
// is also the order in which a configuration writes the keys it sets.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pf::MProfileKeys {

// What a key accepts: Boolean keys exactly "True" or "False"; integer keys a decimal
// whole number from Min to Max (option groups and lists: the positions of their
// entries); a name prefix the beginning of an identifier or nothing; a module file a
// file whose base name is a class or module name; text keys any text.
enum class Type { Text, Boolean, Integer, NamePrefix, ModuleFile, PatternList };

// How a predefined configuration sets a key.
enum class Pick {
  None,     // not touched by any configuration
  Conf,     // by configuration: A, B, C for 0, 1, 2 (B and C default to A)
  WhenST1,  // A when the server type is 1 (SQL Server), else B
  WhenST3,  // A when the server type is 3 (Oracle), else B
  WhenST4,  // A when the server type is 4 (PostgreSQL), else B
  ConnPfg,  // the profile's connection string (Server.ConnPfg) of that moment
};

// Which default option sum of the generated class a Boolean key feeds.
enum class Sum { None, Options, ADOExec };

struct Key {
  const char* Section;
  const char* Name;
  Type type = Type::Text;
  int32_t Min = 0;
  int32_t Max = 0;
  Pick How = Pick::None;
  const char* A = nullptr;
  const char* B = nullptr;
  const char* C = nullptr;
  Sum InSum = Sum::None;
  const char* Flag = nullptr;  // the flag or constant name in that sum
  const char* Cond = nullptr;  // the code library condition a "True" value turns on

  constexpr Key Option(const char* flag) const { return With(Sum::Options, flag); }
  constexpr Key ExecOption(const char* flag) const { return With(Sum::ADOExec, flag); }
  constexpr Key Condition(const char* cond) const {
    Key k = *this;
    k.Cond = cond;
    return k;
  }

 private:
  constexpr Key With(Sum sum, const char* flag) const {
    Key k = *this;
    k.InSum = sum;
    k.Flag = flag;
    return k;
  }
};

// Every key, in section and list order.
std::span<const Key> Keys();
// The row of Section.Name (letter case ignored); nullptr when there is none.
const Key* Find(std::string_view Section, std::string_view Name);
// The names of a section's keys joined by commas, in table order.
std::string SectionKeys(std::string_view Section);
// The value configuration Conf (0, 1 or 2) gives a key on server type ServerType; the
// key must be one a configuration sets (How is not None).
std::string ConfValue(const Key& k, int32_t Conf, int32_t ServerType, const std::string& ConnPfg);

}  // namespace pf::MProfileKeys
