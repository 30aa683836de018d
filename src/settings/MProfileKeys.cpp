#include "settings/MProfileKeys.h"

#include <iterator>
#include <limits>

#include "base/NoCase.h"

namespace pf::MProfileKeys {

namespace {

// What the configurations write into a key; Untouched when none does.
struct Conf {
  Pick How = Pick::None;
  const char* A = nullptr;
  const char* B = nullptr;
  const char* C = nullptr;
};
constexpr Conf Untouched{};
constexpr Conf All(const char* v) { return {Pick::Conf, v}; }
constexpr Conf Per(const char* complus, const char* asp, const char* desktop) {
  return {Pick::Conf, complus, asp, desktop};
}
constexpr Conf OnSqlServer(const char* yes, const char* no) { return {Pick::WhenST1, yes, no}; }
constexpr Conf OnOracle(const char* yes, const char* no) { return {Pick::WhenST3, yes, no}; }
constexpr Conf OnPostgres(const char* yes, const char* no) { return {Pick::WhenST4, yes, no}; }
constexpr Conf ConnPfg{Pick::ConnPfg};

constexpr Key Make(const char* section, const char* name, Type type, int32_t min, int32_t max, Conf c) {
  return {section, name, type, min, max, c.How, c.A, c.B, c.C};
}
constexpr Key Bool(const char* s, const char* k, Conf c = Untouched) { return Make(s, k, Type::Boolean, 0, 0, c); }
constexpr Key Int(const char* s, const char* k, int32_t max, Conf c = Untouched) {
  return Make(s, k, Type::Integer, 0, max, c);
}
constexpr Key Text(const char* s, const char* k, Conf c = Untouched) { return Make(s, k, Type::Text, 0, 0, c); }
constexpr Key Prefix(const char* s, const char* k, Conf c) { return Make(s, k, Type::NamePrefix, 0, 0, c); }
constexpr Key Patterns(const char* s, const char* k, Conf c) { return Make(s, k, Type::PatternList, 0, 0, c); }
constexpr Key ModuleFile(const char* s, const char* k, Conf c = Untouched) {
  return Make(s, k, Type::ModuleFile, 0, 0, c);
}

constexpr int32_t kMaxLong = std::numeric_limits<int32_t>::max();
constexpr const char* T = "True";
constexpr const char* F = "False";
constexpr const char* Srv = "Server";
constexpr const char* SP = "StoredProc";
constexpr const char* AF = "AddnlFunc";
constexpr const char* EH = "ErrHndl";
constexpr const char* IO = "IniOptions";
constexpr const char* Misc = "Misc";
constexpr const char* Code = "Code";
constexpr const char* Pkg = "Packages";

// clang-format off
constexpr Key kKeys[] = {
  Int(Srv, "SrvrType", 4),
  Text(Srv, "ConnPfg"),
  // The PostgreSQL schemas whose routines are read, as a search path names them; empty: the
  // login's search path.
  Text(Srv, "PgSchemas"),

  Bool(SP, "AddSPMethods", All(T)),
  // Most PostgreSQL routines are functions.
  Bool(SP, "AddOraFunctions", OnPostgres(T, F)),
  Bool(SP, "AddExecSPByName", All(F)).Condition("MethExecSPByName"),
  Bool(SP, "MethUseFilterInc", All(F)),
  Patterns(SP, "MethFilterInc", All("")),
  Bool(SP, "MethUseFilterExc", OnSqlServer(T, F)),
  Patterns(SP, "MethFilterExc", OnSqlServer("dt_*", "")),
  Int(SP, "ByRefVal", 2, All("0")),
  Int(SP, "TypeModel", 2, Per("0", "2", "0")),
  Int(SP, "RetValType", 1, All("1")),
  Text(SP, "PrmRmvPfx", All("p_")),
  Bool(SP, "PrmConvToWCap", All(T)),
  Bool(SP, "PrmFirstCap", All(F)),
  Bool(SP, "PrmAddTypePfx", All(T)),
  Prefix(SP, "PrmAddPfx", All("")),
  // PostgreSQL names carry no procedure prefix: "sp" would cut "split_name" to "lit_name".
  Text(SP, "MethRmvPfxs", OnPostgres("", "sp_;usp_;sp;usp")),
  Bool(SP, "MethConvToWCap", All(T)),
  Bool(SP, "MethFirstCap", All(F)),
  Prefix(SP, "MethAddPfx", All("Exec")),
  Bool(SP, "OraLongForZeroScale", OnOracle(T, F)),
  Bool(SP, "OraForceLong", OnOracle(T, F)),
  Text(SP, "OraForceLongPttns", OnOracle("int*", "")),
  Bool(SP, "NullForZeroNums", All(T)),
  Text(SP, "NullForZeroNumsPttn", All("*_id")),
  Bool(SP, "MSUseLongForInts", All(T)),
  Bool(SP, "MSUseDblForFloat", All(T)),
  Bool(SP, "MSUseDblForMoney", All(T)),
  Bool(SP, "MSUseStrForGuid", All(T)),

  Int(AF, "Instancing", 3, All("2")),
  Bool(AF, "AddExecSQL", All(T)),
  Bool(AF, "COMPlus", Per(T, F, F)).Condition("COMP"),
  Int(AF, "COMPMTSSetting", 4, Per("3", "0", "0")),
  Bool(AF, "COMPObjControl", Per(T, F, F)).Condition("IFaceObjectControl"),
  Bool(AF, "COMPObjConstruct", Per(T, F, F)).Condition("IFaceObjectConstruct"),
  Bool(AF, "ImplClassIFace", Per(F, T, T)).Condition("IFaceClass"),
  Bool(AF, "Batch", All(F)).Condition("Batch"),
  Text(AF, "BatchDateFmt", All("DD-MMM-YYYY")),
  Bool(AF, "MultipleRS", All(F)).Condition("MultiRS"),
  Bool(AF, "RSMethods", All(T)),
  Bool(AF, "ValFmt", All(F)).Condition("ValFmt"),
  Bool(AF, "XMLBasic", All(F)),
  Bool(AF, "XMLAdvanced", All(F)),
  Int(AF, "Trans", 3, Per("0", "2", "2")),
  Int(AF, "ConnSrcType", 3, Per("1", "0", "0")),
  Text(AF, "LinkFile", All("")),
  Int(AF, "LinkFileMode", 2, All("1")),
  Text(AF, "RegSubKey", All("")),
  Text(AF, "RegValName", All("")),
  Bool(AF, "ErrIfRegFailed", All(F)),
  Bool(AF, "EventsClass"),
  Bool(AF, "AddTestConn", All(T)).Condition("TestConn"),
  Bool(AF, "AddADOVersion", All(T)).Condition("ADOVersion"),

  Bool(EH, "UseFaultnet", All(T)),
  Bool(EH, "AddStopOnError", All(F)),
  Bool(EH, "DisClassOnError", Per(F, T, F)).Condition("ExitOnError"),
  Bool(EH, "LogToEvtLog", All(F)).Condition("ErrSaveToEvtLog"),
  Bool(EH, "LogToFile", All(T)).Condition("ErrSaveToFile"),
  Text(EH, "LogFileName", All("Errors.txt")),
  Bool(EH, "LogToDB", All(F)).Condition("ErrSaveToDB"),
  Text(EH, "ErrLogSPName", All("spErrorLogInsert")),
  Bool(EH, "LogInOtherDB", All(F)).Condition("UseConnStr4Err"),

  Bool(IO, "ErrReraise", Per(T, F, T)).Option("PFGO_ERR_RAISE"),
  Bool(IO, "ErrSetAbort", Per(F, T, F)).Option("PFGO_ERR_SETABORT"),
  Bool(IO, "ErrDisCommit", All(F)).Option("PFGO_ERR_DISABLECOMMIT"),
  Bool(IO, "StrLenRaise", All(F)).Option("PFGO_STRLEN_RAISE"),
  Bool(IO, "StrLenTrim", All(T)).Option("PFGO_STRLEN_TRIM"),
  Bool(IO, "NullForEmptyStr", All(T)).Option("PFGO_NULL_EMPTYSTR"),
  Bool(IO, "NullForZeroDate", All(T)).Option("PFGO_NULL_ZERODATE"),
  Bool(IO, "ConnUseDft", All(T)).Condition("UseDefaultConn"),
  Text(IO, "ConnDftString", ConnPfg),
  Int(IO, "CurLocation", 1, All("0")),
  Int(IO, "CurType", 3, All("0")),
  Int(IO, "LockType", 3, All("0")),
  Int(IO, "ConnTimeout", kMaxLong, All("15")),
  Int(IO, "CmdTimeout", kMaxLong, All("60")),
  Bool(IO, "AsyncExec", All(F)).ExecOption("adAsyncExecute"),
  Bool(IO, "AsyncFetch", All(F)).ExecOption("adAsyncFetch"),
  Bool(IO, "AsyncFetchNonBlocking", All(F)).ExecOption("adAsyncFetchNonBlocking"),
  Bool(IO, "AutoConnClose", All(F)).Option("PFGO_AUTO_CONNCLOSE"),
  Bool(IO, "AutoReleaseADO", All(F)).Option("PFGO_AUTO_CONNRELEASE"),
  Bool(IO, "AutoDisconnRset", All(F)).Option("PFGO_AUTO_DISCONNECT_RSET"),
  Bool(IO, "AutoSkipClosed", All(F)).Option("PFGO_AUTO_SKIPCLOSED"),
  Bool(IO, "AutoCheckRetVal", All(F)).Option("PFGO_AUTO_CHKRETVAL"),
  Bool(IO, "AsyncWait").Option("PFGO_ASYNC_WAIT"),

  Text(Misc, "RunProject"),
  Bool(Misc, "ExitOnRun"),

  ModuleFile(Code, "ClassFile"),
  ModuleFile(Code, "ParamDefsFile", All("")),
  Bool(Code, "ConfirmOverWrite"),
  Bool(Code, "IncCode", All(F)),
  Text(Code, "IncFileName"),
  Bool(Code, "IncUseTags"),
  Bool(Code, "MemberList", All(T)),
  Bool(Code, "NoDBEnums", All(F)),
  Bool(Code, "Rmndr", All(F)),
  Text(Code, "RmndrText"),
  Bool(Code, "RmndrAt"),
  Text(Code, "RmndrAtMeth"),
  Bool(Code, "ShowCodeInViewer"),

  // The attributes of each Package entry of the section.
  Text(Pkg, "Name"),
  Text(Pkg, "Prefix"),
  Text(Pkg, "Selected"),
};
// clang-format on

}  // namespace

std::span<const Key> Keys() { return kKeys; }

const Key* Find(std::string_view Section, std::string_view Name) {
  for (const Key& k : kKeys)
    if (NoCase::Equals(k.Section, Section) && NoCase::Equals(k.Name, Name)) return &k;
  return nullptr;
}

std::string SectionKeys(std::string_view Section) {
  std::string list;
  for (const Key& k : kKeys) {
    if (Section != k.Section) continue;
    if (!list.empty()) list += ',';
    list += k.Name;
  }
  return list;
}

std::string ConfValue(const Key& k, int32_t Conf, int32_t ServerType, const std::string& ConnPfgText) {
  switch (k.How) {
    case Pick::ConnPfg:
      return ConnPfgText;
    case Pick::WhenST1:
      return ServerType == 1 ? k.A : k.B;
    case Pick::WhenST3:
      return ServerType == 3 ? k.A : k.B;
    case Pick::WhenST4:
      return ServerType == 4 ? k.A : k.B;
    case Pick::Conf:
    case Pick::None:
      break;
  }
  if (Conf == 1 && k.B) return k.B;
  if (Conf == 2 && k.C) return k.C;
  return k.A ? k.A : "";
}

}  // namespace pf::MProfileKeys
