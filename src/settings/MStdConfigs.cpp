#include "settings/MStdConfigs.h"

#include <iterator>

#include "errors/ErrGuard.h"

namespace pf::MStdConfigs {

namespace {

// How a row's value is chosen.
enum class Pick {
  Conf,     // by configuration: A, B, C for 0, 1, 2 (B and C default to A)
  WhenST1,  // A when the server type is 1 (SQL Server), else B
  WhenST3,  // A when the server type is 3 (Oracle), else B
  ConnPfg,  // the profile's connection string
};

struct Row {
  const char* Section;
  const char* Key;
  Pick How;
  const char* A;
  const char* B = nullptr;
  const char* C = nullptr;
};

constexpr const char* T = "True";
constexpr const char* F = "False";

// clang-format off
constexpr Row kRows[] = {
  {"StoredProc", "AddSPMethods", Pick::Conf, T},
  {"StoredProc", "AddOraFunctions", Pick::Conf, F},
  {"StoredProc", "AddExecSPByName", Pick::Conf, F},
  {"StoredProc", "MethUseFilterInc", Pick::Conf, F},
  {"StoredProc", "MethFilterInc", Pick::Conf, ""},
  {"StoredProc", "MethUseFilterExc", Pick::WhenST1, T, F},
  {"StoredProc", "MethFilterExc", Pick::WhenST1, "dt_*", ""},
  {"StoredProc", "ByRefVal", Pick::Conf, "0"},
  {"StoredProc", "TypeModel", Pick::Conf, "0", "2", "0"},
  {"StoredProc", "RetValType", Pick::Conf, "1"},
  {"StoredProc", "PrmRmvPfx", Pick::Conf, "p_"},
  {"StoredProc", "PrmConvToWCap", Pick::Conf, T},
  {"StoredProc", "PrmFirstCap", Pick::Conf, F},
  {"StoredProc", "PrmAddTypePfx", Pick::Conf, T},
  {"StoredProc", "PrmAddPfx", Pick::Conf, ""},
  {"StoredProc", "MethRmvPfxs", Pick::Conf, "sp_;usp_;sp;usp"},
  {"StoredProc", "MethConvToWCap", Pick::Conf, T},
  {"StoredProc", "MethFirstCap", Pick::Conf, F},
  {"StoredProc", "MethAddPfx", Pick::Conf, "Exec"},
  {"StoredProc", "OraLongForZeroScale", Pick::WhenST3, T, F},
  {"StoredProc", "OraForceLong", Pick::WhenST3, T, F},
  {"StoredProc", "OraForceLongPttns", Pick::WhenST3, "int*", ""},
  {"StoredProc", "NullForZeroNums", Pick::Conf, T},
  {"StoredProc", "NullForZeroNumsPttn", Pick::Conf, "*_id"},
  {"StoredProc", "MSUseLongForInts", Pick::Conf, T},
  {"StoredProc", "MSUseDblForFloat", Pick::Conf, T},
  {"StoredProc", "MSUseDblForMoney", Pick::Conf, T},
  {"StoredProc", "MSUseStrForGuid", Pick::Conf, T},

  {"AddnlFunc", "Instancing", Pick::Conf, "2"},
  {"AddnlFunc", "AddExecSQL", Pick::Conf, T},
  {"AddnlFunc", "COMPlus", Pick::Conf, T, F, F},
  {"AddnlFunc", "COMPMTSSetting", Pick::Conf, "3", "0", "0"},
  {"AddnlFunc", "COMPObjControl", Pick::Conf, T, F, F},
  {"AddnlFunc", "COMPObjConstruct", Pick::Conf, T, F, F},
  {"AddnlFunc", "ImplClassIFace", Pick::Conf, F, T, T},
  {"AddnlFunc", "ConnSrcType", Pick::Conf, "1", "0", "0"},
  {"AddnlFunc", "Batch", Pick::Conf, F},
  {"AddnlFunc", "BatchDateFmt", Pick::Conf, "DD-MMM-YYYY"},
  {"AddnlFunc", "MultipleRS", Pick::Conf, F},
  {"AddnlFunc", "RSMethods", Pick::Conf, T},
  {"AddnlFunc", "ValFmt", Pick::Conf, F},
  {"AddnlFunc", "AddADOVersion", Pick::Conf, T},
  {"AddnlFunc", "AddTestConn", Pick::Conf, T},
  {"AddnlFunc", "XMLBasic", Pick::Conf, F},
  {"AddnlFunc", "XMLAdvanced", Pick::Conf, F},
  {"AddnlFunc", "Trans", Pick::Conf, "0", "2", "2"},
  {"AddnlFunc", "LinkFile", Pick::Conf, ""},
  {"AddnlFunc", "LinkFileMode", Pick::Conf, "1"},
  {"AddnlFunc", "RegSubKey", Pick::Conf, ""},
  {"AddnlFunc", "RegValName", Pick::Conf, ""},
  {"AddnlFunc", "ErrIfRegFailed", Pick::Conf, F},

  {"ErrHndl", "UseFaultnet", Pick::Conf, T},
  {"ErrHndl", "AddStopOnError", Pick::Conf, F},
  {"ErrHndl", "DisClassOnError", Pick::Conf, F, T, F},
  {"ErrHndl", "LogToEvtLog", Pick::Conf, F},
  {"ErrHndl", "LogToFile", Pick::Conf, T},
  {"ErrHndl", "LogFileName", Pick::Conf, "Errors.txt"},
  {"ErrHndl", "LogToDB", Pick::Conf, F},
  {"ErrHndl", "ErrLogSPName", Pick::Conf, "spErrorLogInsert"},
  {"ErrHndl", "LogInOtherDB", Pick::Conf, F},

  {"IniOptions", "ErrReraise", Pick::Conf, T, F, T},
  {"IniOptions", "ErrSetAbort", Pick::Conf, F, T, F},
  {"IniOptions", "ErrDisCommit", Pick::Conf, F},
  {"IniOptions", "StrLenRaise", Pick::Conf, F},
  {"IniOptions", "StrLenTrim", Pick::Conf, T},
  {"IniOptions", "ConnUseDft", Pick::Conf, T},
  {"IniOptions", "ConnDftString", Pick::ConnPfg, ""},
  {"IniOptions", "NullForEmptyStr", Pick::Conf, T},
  {"IniOptions", "NullForZeroDate", Pick::Conf, T},
  {"IniOptions", "AutoConnClose", Pick::Conf, F},
  {"IniOptions", "AutoReleaseADO", Pick::Conf, F},
  {"IniOptions", "AutoDisconnRset", Pick::Conf, F},
  {"IniOptions", "AutoSkipClosed", Pick::Conf, F},
  {"IniOptions", "AutoCheckRetVal", Pick::Conf, F},
  {"IniOptions", "CurLocation", Pick::Conf, "0"},
  {"IniOptions", "CurType", Pick::Conf, "0"},
  {"IniOptions", "LockType", Pick::Conf, "0"},
  {"IniOptions", "ConnTimeout", Pick::Conf, "15"},
  {"IniOptions", "CmdTimeout", Pick::Conf, "60"},
  {"IniOptions", "AsyncExec", Pick::Conf, F},
  {"IniOptions", "AsyncFetch", Pick::Conf, F},
  {"IniOptions", "AsyncFetchNonBlocking", Pick::Conf, F},

  {"Code", "ParamDefsFile", Pick::Conf, ""},
  {"Code", "IncCode", Pick::Conf, F},
  {"Code", "MemberList", Pick::Conf, T},
  {"Code", "NoDBEnums", Pick::Conf, F},
  {"Code", "Rmndr", Pick::Conf, F},
};
// clang-format on

const char* PickValue(const Row& r, int32_t conf, int32_t st) {
  switch (r.How) {
    case Pick::WhenST1:
      return st == 1 ? r.A : r.B;
    case Pick::WhenST3:
      return st == 3 ? r.A : r.B;
    case Pick::Conf:
    case Pick::ConnPfg:
      break;
  }
  if (conf == SC_ASP && r.B) return r.B;
  if (conf == SC_DESKTOP && r.C) return r.C;
  return r.A;
}

}  // namespace

std::vector<ConfValue> StdConfValues(int32_t StdConfType, int32_t ServerType, const std::string& ConnPfg) {
  Faultnet31::Check(StdConfType >= SC_COMPLUS && StdConfType <= SC_DESKTOP, ERR_GENERAL,
                    "Unknown standard configuration %1: expected 0, 1 or 2.", StdConfType);
  std::vector<ConfValue> values;
  values.reserve(std::size(kRows));
  for (const Row& r : kRows) {
    values.push_back({r.Section, r.Key, r.How == Pick::ConnPfg ? ConnPfg : PickValue(r, StdConfType, ServerType)});
  }
  return values;
}

}  // namespace pf::MStdConfigs
