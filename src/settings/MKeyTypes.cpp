#include "settings/MKeyTypes.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "base/NoCase.h"
#include "base/SourceText.h"
#include "errors/Faultnet31.h"
#include "settings/CSettings.h"
#include "text/MMethUtils.h"
#include "text/VBSource.h"
#include "xml/bwXMLBrowser.h"

namespace pf::MKeyTypes {

namespace {

enum class Kind { Boolean, Integer, NamePrefix, ModuleFile };

struct KeyDef {
  const char* Section;
  const char* Key;
  Kind kind;
  int64_t Min = 0;
  int64_t Max = 0;
};

constexpr int64_t kMaxLong = std::numeric_limits<int32_t>::max();

constexpr KeyDef kKeys[] = {
    {"Server", "SrvrType", Kind::Integer, 0, 3},
    {"StoredProc", "AddSPMethods", Kind::Boolean},
    {"StoredProc", "AddOraFunctions", Kind::Boolean},
    {"StoredProc", "AddExecSPByName", Kind::Boolean},
    {"StoredProc", "MethUseFilterInc", Kind::Boolean},
    {"StoredProc", "MethUseFilterExc", Kind::Boolean},
    {"StoredProc", "ByRefVal", Kind::Integer, 0, 2},
    {"StoredProc", "TypeModel", Kind::Integer, 0, 2},
    {"StoredProc", "RetValType", Kind::Integer, 0, 1},
    {"StoredProc", "PrmConvToWCap", Kind::Boolean},
    {"StoredProc", "PrmFirstCap", Kind::Boolean},
    {"StoredProc", "PrmAddTypePfx", Kind::Boolean},
    {"StoredProc", "PrmAddPfx", Kind::NamePrefix},
    {"StoredProc", "MethConvToWCap", Kind::Boolean},
    {"StoredProc", "MethFirstCap", Kind::Boolean},
    {"StoredProc", "MethAddPfx", Kind::NamePrefix},
    {"StoredProc", "OraLongForZeroScale", Kind::Boolean},
    {"StoredProc", "OraForceLong", Kind::Boolean},
    {"StoredProc", "NullForZeroNums", Kind::Boolean},
    {"StoredProc", "MSUseLongForInts", Kind::Boolean},
    {"StoredProc", "MSUseDblForFloat", Kind::Boolean},
    {"StoredProc", "MSUseDblForMoney", Kind::Boolean},
    {"StoredProc", "MSUseStrForGuid", Kind::Boolean},
    {"AddnlFunc", "Instancing", Kind::Integer, 0, 3},
    {"AddnlFunc", "AddExecSQL", Kind::Boolean},
    {"AddnlFunc", "COMPlus", Kind::Boolean},
    {"AddnlFunc", "COMPMTSSetting", Kind::Integer, 0, 4},
    {"AddnlFunc", "COMPObjControl", Kind::Boolean},
    {"AddnlFunc", "COMPObjConstruct", Kind::Boolean},
    {"AddnlFunc", "ImplClassIFace", Kind::Boolean},
    {"AddnlFunc", "Batch", Kind::Boolean},
    {"AddnlFunc", "MultipleRS", Kind::Boolean},
    {"AddnlFunc", "RSMethods", Kind::Boolean},
    {"AddnlFunc", "ValFmt", Kind::Boolean},
    {"AddnlFunc", "XMLBasic", Kind::Boolean},
    {"AddnlFunc", "XMLAdvanced", Kind::Boolean},
    {"AddnlFunc", "Trans", Kind::Integer, 0, 3},
    {"AddnlFunc", "ConnSrcType", Kind::Integer, 0, 3},
    {"AddnlFunc", "LinkFileMode", Kind::Integer, 0, 2},
    {"AddnlFunc", "ErrIfRegFailed", Kind::Boolean},
    {"AddnlFunc", "EventsClass", Kind::Boolean},
    {"AddnlFunc", "AddTestConn", Kind::Boolean},
    {"AddnlFunc", "AddADOVersion", Kind::Boolean},
    {"ErrHndl", "UseFaultnet", Kind::Boolean},
    {"ErrHndl", "AddStopOnError", Kind::Boolean},
    {"ErrHndl", "DisClassOnError", Kind::Boolean},
    {"ErrHndl", "LogToEvtLog", Kind::Boolean},
    {"ErrHndl", "LogToFile", Kind::Boolean},
    {"ErrHndl", "LogToDB", Kind::Boolean},
    {"ErrHndl", "LogInOtherDB", Kind::Boolean},
    {"IniOptions", "ErrReraise", Kind::Boolean},
    {"IniOptions", "ErrSetAbort", Kind::Boolean},
    {"IniOptions", "ErrDisCommit", Kind::Boolean},
    {"IniOptions", "StrLenRaise", Kind::Boolean},
    {"IniOptions", "StrLenTrim", Kind::Boolean},
    {"IniOptions", "NullForEmptyStr", Kind::Boolean},
    {"IniOptions", "NullForZeroDate", Kind::Boolean},
    {"IniOptions", "ConnUseDft", Kind::Boolean},
    {"IniOptions", "CurLocation", Kind::Integer, 0, 1},
    {"IniOptions", "CurType", Kind::Integer, 0, 3},
    {"IniOptions", "LockType", Kind::Integer, 0, 3},
    {"IniOptions", "ConnTimeout", Kind::Integer, 0, kMaxLong},
    {"IniOptions", "CmdTimeout", Kind::Integer, 0, kMaxLong},
    {"IniOptions", "AsyncExec", Kind::Boolean},
    {"IniOptions", "AsyncFetch", Kind::Boolean},
    {"IniOptions", "AsyncFetchNonBlocking", Kind::Boolean},
    {"IniOptions", "AutoConnClose", Kind::Boolean},
    {"IniOptions", "AutoReleaseADO", Kind::Boolean},
    {"IniOptions", "AutoDisconnRset", Kind::Boolean},
    {"IniOptions", "AutoSkipClosed", Kind::Boolean},
    {"IniOptions", "AutoCheckRetVal", Kind::Boolean},
    {"IniOptions", "AsyncWait", Kind::Boolean},
    {"Misc", "ExitOnRun", Kind::Boolean},
    {"Code", "ClassFile", Kind::ModuleFile},
    {"Code", "ParamDefsFile", Kind::ModuleFile},
    {"Code", "ConfirmOverWrite", Kind::Boolean},
    {"Code", "IncCode", Kind::Boolean},
    {"Code", "IncUseTags", Kind::Boolean},
    {"Code", "MemberList", Kind::Boolean},
    {"Code", "NoDBEnums", Kind::Boolean},
    {"Code", "Rmndr", Kind::Boolean},
    {"Code", "RmndrAt", Kind::Boolean},
    {"Code", "ShowCodeInViewer", Kind::Boolean},
};

const KeyDef* Find(std::string_view section, std::string_view key) {
  for (const KeyDef& d : kKeys)
    if (NoCase::Equals(d.Section, section) && NoCase::Equals(d.Key, key)) return &d;
  return nullptr;
}

bool ParseWhole(std::string_view v, int64_t& out) {
  if (v.empty()) return false;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  return ec == std::errc() && end == v.data() + v.size();
}

std::string Accepts(const KeyDef& d) {
  switch (d.kind) {
    case Kind::Boolean:
      return "True or False";
    case Kind::Integer:
      return "a whole number from " + std::to_string(d.Min) + " to " + std::to_string(d.Max);
    case Kind::NamePrefix:
      return "nothing, or the beginning of a name: a letter (A to Z), then letters, digits and underscores";
    case Kind::ModuleFile:
      break;
  }
  return {};
}

std::string Check(const KeyDef& d, std::string_view value) {
  const std::string where = std::string(d.Section) + "." + d.Key;
  switch (d.kind) {
    case Kind::Boolean:
      if (value == "True" || value == "False") return {};
      break;
    case Kind::Integer: {
      int64_t n = 0;
      if (ParseWhole(value, n) && n >= d.Min && n <= d.Max) return {};
      break;
    }
    case Kind::NamePrefix: {
      const std::string_view v = srctext::TrimBlanks(value);
      if (v.empty() || VBSource::IsIdentifier(v)) return {};
      break;
    }
    case Kind::ModuleFile: {
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

std::string CheckKeyValue(std::string_view Section, std::string_view Key, std::string_view Value) {
  const KeyDef* d = Find(Section, Key);
  return d ? Check(*d, Value) : std::string();
}

void RequireKeyValue(std::string_view Section, std::string_view Key, std::string_view Value) {
  const std::string why = CheckKeyValue(Section, Key, Value);
  Faultnet31::Check(why.empty(), ERR_USER_CHECK, "%1", why);
}

std::vector<std::string> LenientValues(CSettings& Settings) {
  std::vector<std::string> out;
  const std::pair<const char*, bwXMLBrowser*> sections[] = {
      {"Server", Settings.xServer.get()},         {"StoredProc", Settings.xStoredProc.get()},
      {"AddnlFunc", Settings.xAddnlFunc.get()},   {"ErrHndl", Settings.xErrHndl.get()},
      {"IniOptions", Settings.xIniOptions.get()}, {"Misc", Settings.xMisc.get()},
      {"Code", Settings.xCode.get()}};
  for (const auto& [section, viewer] : sections) {
    if (!viewer) continue;
    const pugi::xml_node elem = viewer->RootElement();
    for (const KeyDef& d : kKeys) {
      if (std::string_view(d.Section) != section || (d.kind != Kind::Boolean && d.kind != Kind::Integer)) continue;
      const pugi::xml_attribute a = elem.attribute(d.Key);
      if (!a) continue;  // an absent key is no wrong value
      const std::string_view value = a.value();
      if (Check(d, value).empty()) continue;
      const std::string readAs =
          d.kind == Kind::Boolean ? "False" : std::to_string(bwXMLBrowser::SafeLng(Variant(std::string(value))));
      out.push_back(std::string(section) + "." + d.Key + " holds '" + std::string(value) + "', which is read as " +
                    readAs + ".");
    }
  }
  return out;
}

}  // namespace pf::MKeyTypes
