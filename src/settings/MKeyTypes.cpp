#include "settings/MKeyTypes.h"

#include <charconv>
#include <cstdint>

#include "base/NoCase.h"
#include "base/SourceText.h"
#include "errors/Faultnet31.h"
#include "settings/CSettings.h"
#include "settings/MProfileKeys.h"
#include "text/MMethUtils.h"
#include "text/VBSource.h"
#include "xml/MXmlCheck.h"
#include "xml/bwXMLBrowser.h"

namespace pf::MKeyTypes {

namespace {

using MProfileKeys::Key;
using MProfileKeys::Type;

bool ParseWhole(std::string_view v, int64_t& out) {
  if (v.empty()) return false;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  return ec == std::errc() && end == v.data() + v.size();
}

std::string Accepts(const Key& d) {
  switch (d.type) {
    case Type::Boolean:
      return "True or False";
    case Type::Integer:
      return "a whole number from " + std::to_string(d.Min) + " to " + std::to_string(d.Max);
    case Type::NamePrefix:
      return "nothing, or the beginning of a name: a letter (A to Z), then letters, digits and underscores";
    case Type::Text:
    case Type::ModuleFile:
    case Type::PatternList:
      break;
  }
  return {};
}

KeyNamer& Namer() {
  static KeyNamer namer = nullptr;
  return namer;
}

std::string KeyName(std::string_view Section, std::string_view Key) {
  std::string where = Namer() ? Namer()(Section, Key) : std::string();
  if (where.empty()) where = std::string(Section) + "." + std::string(Key);
  return where;
}

std::string Check(const Key& d, std::string_view value) {
  const std::string where = KeyName(d.Section, d.Name);
  switch (d.type) {
    case Type::Text:
      return {};
    case Type::Boolean:
      if (value == "True" || value == "False") return {};
      break;
    case Type::Integer: {
      int64_t n = 0;
      if (ParseWhole(value, n) && n >= d.Min && n <= d.Max) return {};
      break;
    }
    case Type::NamePrefix: {
      const std::string_view v = srctext::TrimBlanks(value);
      if (v.size() > VBSource::kMaxNameLength)
        return where + " is too long: " + std::to_string(v.size()) + " characters, where a Visual Basic name has at most " +
               std::to_string(VBSource::kMaxNameLength) + ".";
      if (v.empty() || VBSource::IsIdentifier(v)) return {};
      break;
    }
    case Type::PatternList:
      // Every pattern is compiled once, so that one the filter cannot use is refused here
      // and not by the first run that applies it.
      try {
        for (std::string_view pattern : MMethUtils::uSplit(value, ';')) MMethUtils::uIsLike("", pattern);
        return {};
      } catch (const AppError& e) {
        return where + ": " + e.Description.substr(0, e.Description.find_first_of("\r\n")) + ".";
      }
    case Type::ModuleFile: {
      const std::string why = CheckModuleName(value);
      return why.empty() ? std::string() : where + ": " + why;
    }
  }
  return where + " takes " + Accepts(d) + ", not '" + std::string(value) + "'.";
}

}  // namespace

std::string CheckModuleName(std::string_view FileName) {
  const size_t slash = FileName.find_last_of("\\/");
  std::string_view base = slash == std::string_view::npos ? FileName : FileName.substr(slash + 1);
  base = srctext::TrimBlanks(base.substr(0, base.find('.')));
  if (base.empty()) return {};
  if (VBSource::IsIdentifier(base) && MMethUtils::uCheckWithVBKeyWords(base) == base) return {};
  return "'" + std::string(base) +
         "' cannot name a Visual Basic class or module: the file name before its first full stop must begin with a "
         "letter (A to Z) and hold only letters, digits and underscores (at most 255), and must not be a Visual "
         "Basic keyword.";
}

void SetKeyNamer(KeyNamer namer) { Namer() = namer; }

std::string CheckKeyValue(std::string_view Section, std::string_view Key, std::string_view Value) {
  // The profile is an XML file: a value XML cannot carry would make it one no reader takes.
  if (const std::string bad = MXmlCheck::TextProblem(Value); !bad.empty())
    return KeyName(Section, Key) + " cannot hold " + bad + ".";
  const MProfileKeys::Key* d = MProfileKeys::Find(Section, Key);
  return d ? Check(*d, Value) : std::string();
}

void RequireKeyValue(std::string_view Section, std::string_view Key, std::string_view Value) {
  const std::string why = CheckKeyValue(Section, Key, Value);
  Faultnet31::Check(why.empty(), ERR_USER_CHECK, "%1", why);
}

std::vector<std::string> LenientValues(CSettings& Settings) {
  std::vector<std::string> out;
  for (const Key& d : MProfileKeys::Keys()) {
    if (d.type != Type::Boolean && d.type != Type::Integer) continue;
    const pugi::xml_attribute a = Settings.SectionViewer(d.Section).RootElement().attribute(d.Name);
    if (!a) continue;  // an absent key is no wrong value
    const std::string_view value = a.value();
    if (Check(d, value).empty()) continue;
    const std::string readAs =
        d.type == Type::Boolean ? "False" : std::to_string(bwXMLBrowser::SafeLng(Variant(std::string(value))));
    out.push_back(std::string(d.Section) + "." + d.Name + " holds '" + std::string(value) + "', which is read as " +
                  readAs + ".");
  }
  return out;
}

}  // namespace pf::MKeyTypes
