#include "builder/MADOUtils.h"

#include <array>

#include "text/MMethUtils.h"
#include "errors/ErrGuard.h"

namespace pf::MADOUtils {

namespace {

// The entry at Index of a comma-separated name list; the first entry outside the list.
std::string ListEntry(std::string_view List, int32_t Index) {
  const std::vector<std::string_view> names = MMethUtils::uSplit(List, ',');
  const bool inList = Index >= 0 && static_cast<size_t>(Index) < names.size();
  return std::string(names.empty() ? std::string_view() : names[inList ? static_cast<size_t>(Index) : 0]);
}

}  // namespace

std::string GetConstName(std::string_view NameValueList, int32_t Value) {
  return ErrGuard(
      "GetConstName(NameValueList,Value)",
      [&] {
        // "=" and "," around the code keep 3 from finding "=131,".
        const std::string key = "=" + std::to_string(Value) + ",";
        const size_t at = NameValueList.find(key);
        Faultnet31::Check(at != std::string_view::npos, ERR_CONST_NAME_NOT_FOUND, "Didn't find name for constant: %1",
                          Value);
        const size_t comma = NameValueList.rfind(',', at);
        const size_t start = comma == std::string_view::npos ? 0 : comma + 1;
        return std::string(NameValueList.substr(start, at - start));
      },
      NameValueList, Value);
}

std::string adoGetVBDefaultType(int32_t ADOType) {
  return ErrGuard(
      "adoGetVBDefaultType(ADOType)",
      [&]() -> std::string {
        switch (ADOType) {
          case 2: case 16: return "Integer";
          case 3: case 18: case 19: case 20: case 21: return "Long";
          case 4: return "Single";
          case 5: case 14: case 131: return "Double";
          case 6: return "Currency";
          case 7: case 133: case 134: case 135: return "Date";
          case 8: case 129: case 130: case 200: case 201: case 202: case 203: return "String";
          case 11: return "Boolean";
          case 17: return "Byte";
          case 0: case 9: case 10: case 12: case 13: case 64: case 72: case 128: case 132: case 136: case 138:
          case 139: case 204: case 205: return "Variant";
          default: return {};
        }
      },
      ADOType);
}

std::string adoCorrectVBType(std::string_view DefaultType, int32_t ADOType, bool UseDoubleForSingle,
                             bool UseDoubleForMoney, bool UseStringForGUID, bool UseLongForInt) {
  return ErrGuard(
      "MADOUtils.adoCorrectVBType(DefaultType,ADOType,UseDoubleForSingle,UseDoubleForMoney,"
      "UseStringForGUID,UseLongForInt)",
      [&]() -> std::string {
        switch (ADOType) {
          case 2: case 16: return UseLongForInt ? "Long" : "Integer";
          case 17: return UseLongForInt ? "Long" : "Byte";
          case 4: return UseDoubleForSingle ? "Double" : "Single";
          case 6: return UseDoubleForMoney ? "Double" : "Currency";
          case 14: case 131: return "Double";
          case 72: return UseStringForGUID ? "String" : "Variant";
          default: return std::string(DefaultType);
        }
      },
      DefaultType, ADOType, UseDoubleForSingle, UseDoubleForMoney, UseStringForGUID, UseLongForInt);
}

std::string uCurLocAsString(int32_t LocIndex) {
  return ErrGuard(
      "MADOUtils.uCurLocAsString(LocIndex)", [&] { return ListEntry("adUseClient,adUseServer", LocIndex); },
      LocIndex);
}

std::string uCurTypeAsString(int32_t TypeIndex) {
  return ErrGuard(
      "MADOUtils.uCurTypeAsString(TypeIndex)",
      [&] { return ListEntry("adOpenForwardOnly,adOpenKeyset,adOpenDynamic,adOpenStatic", TypeIndex); }, TypeIndex);
}

std::string uLockTypeAsString(int32_t TypeIndex) {
  return ErrGuard(
      "MADOUtils.uLockTypeAsString(TypeIndex)",
      [&] {
        return ListEntry("adLockReadOnly,adLockPessimistic,adLockOptimistic,adLockBatchOptimistic", TypeIndex);
      },
      TypeIndex);
}

int32_t ParamSize(int32_t ADOType, int32_t CatalogueSize) {
  // The longest values, as SQL Server's text, image and ntext hold them: 2^31-1 characters
  // or bytes, and 2^30-1 Unicode characters, whose two bytes each still fit a Long byte count
  // ("ntext, text, and image (Transact-SQL)",
  // https://learn.microsoft.com/en-us/previous-versions/sql/sql-server-2008-r2/ms187993(v=sql.105)).
  // Both are above PostgreSQL's limit of 1 GB per value. What a driver says of long text
  // (psqlODBC's 8190 characters) is its description, not the value's limit: not kept.
  constexpr int32_t kLongest = 2147483647, kLongestWide = 1073741823;
  // A variable-length number holds up to 255 decimal digits ("Precision of Numeric Data
  // Types", OLE DB Programmer's Reference, DBTYPE_VARNUMERIC). Its length in bytes is that
  // of the DB_VARNUMERIC structure: precision, scale and sign, one byte each, then the
  // value's bytes, least significant first; 10^255 needs 848 bits, 106 bytes.
  constexpr int32_t kLongestVarNumeric = 3 + 106;
  switch (ADOType) {
    case 129:  // adChar
    case 200:  // adVarChar
    case 128:  // adBinary
    case 204:  // adVarBinary
      return CatalogueSize > 0 ? CatalogueSize : kLongest;
    case 130:  // adWChar
    case 202:  // adVarWChar
      return CatalogueSize > 0 ? CatalogueSize : kLongestWide;
    case 139:  // adVarNumeric: its length in bytes
      return CatalogueSize > 0 ? CatalogueSize : kLongestVarNumeric;
    case 201:  // adLongVarChar
    case 205:  // adLongVarBinary
      return kLongest;
    case 203:  // adLongVarWChar
      return kLongestWide;
    default:
      return 0;
  }
}

bool IsWideInteger(int32_t ADOType) { return ADOType == 19 || ADOType == 20 || ADOType == 21; }

std::string GetVBType(const VBTypeSettings& Stt, int32_t ADOType, std::string_view ParamName,
                      std::string_view NativeType, int32_t ParamNumScale) {
  return ErrGuard(
      "CSPConstructor.GetVBType(ADOType,NativeType,ParamNumScale)",
      [&] {
        std::string t = adoGetVBDefaultType(ADOType);
        if (Stt.SrvrType == 1 || Stt.SrvrType == 2) {
          t = adoCorrectVBType(t, ADOType, Stt.MSUseDblForFloat, Stt.MSUseDblForMoney, Stt.MSUseStrForGuid,
                               Stt.MSUseLongForInts);
        } else if (Stt.SrvrType == 3) {
          const bool floating = NativeType == "FLOAT" || NativeType == "NUMBER";
          if (floating && Stt.OraLongForZeroScale && ParamNumScale == 0) {
            t = "Long";
          } else if (floating && Stt.OraForceLong && MMethUtils::uPatternMatch(ParamName, Stt.OraForceLongPttns, false)) {
            t = "Long";
          }
          t = adoCorrectVBType(t, ADOType, true, true, false, true);
        }
        // No integer type of the language holds a 64-bit or unsigned 32-bit value: a Long
        // overflows on the first value above 2^31 (after the server has done its work). A
        // Variant takes the Decimal the data-access layer fills in.
        if (IsWideInteger(ADOType)) t = "Variant";
        return t;
      },
      ADOType, NativeType, ParamNumScale);
}

}  // namespace pf::MADOUtils
