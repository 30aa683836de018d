#pragma once
// ADO type and constant names for the generated class: the VB type an ADO data type code
// maps to, its correction by the profile's type switches, constant-name lookup in a
// name-value list, the names of cursor locations, cursor types and lock types, and the
// per-server choice of a parameter's VB type.

#include <cstdint>
#include <string>
#include <string_view>

namespace pf::MADOUtils {

// The name-value lists: a comma at both ends and between entries, each entry "name=code".
inline constexpr std::string_view adoDataTypeList =
    ",adBigInt=20,adBinary=128,adBoolean=11,adBSTR=8,adChapter=136,adChar=129,adCurrency=6,adDate=7,"
    "adDBDate=133,adDBTime=134,adDBTimeStamp=135,adDecimal=14,adDouble=5,adEmpty=0,adError=10,adFileTime=64,"
    "adGUID=72,adIDispatch=9,adInteger=3,adIUnknown=13,adLongVarBinary=205,adLongVarChar=201,"
    "adLongVarWChar=203,adNumeric=131,adPropVariant=138,adSingle=4,adSmallInt=2,adTinyInt=16,"
    "adUnsignedBigInt=21,adUnsignedInt=19,adUnsignedSmallInt=18,adUnsignedTinyInt=17,adUserDefined=132,"
    "adVarBinary=204,adVarChar=200,adVariant=12,adVarNumeric=139,adVarWChar=202,adWChar=130,";
inline constexpr std::string_view adoParamDirectionList =
    ",adParamInput=1,adParamOutput=2,adParamInputOutput=3,adParamReturnValue=4,adParamUnknown=0,";

// Raised by GetConstName for a code the list does not hold (in the message range).
constexpr int32_t ERR_CONST_NAME_NOT_FOUND = static_cast<int32_t>(0x8004106Bu);

// The name of the first entry whose code is Value. Raises ERR_CONST_NAME_NOT_FOUND with
// "Didn't find name for constant: <Value>" when there is none.
std::string GetConstName(std::string_view NameValueList, int32_t Value);

// The VB type name of an ADO data type code, or the empty text for an unknown code.
std::string adoGetVBDefaultType(int32_t ADOType);

// DefaultType corrected for the type switches: 16- and 8-bit integers to Long, Single and
// Currency to Double, GUID to String when asked; decimal and numeric always to Double.
std::string adoCorrectVBType(std::string_view DefaultType, int32_t ADOType, bool UseDoubleForSingle,
                             bool UseDoubleForMoney, bool UseStringForGUID, bool UseLongForInt);

// Constant names by settings-page position (not ADO code); an index outside the list gives
// the first name.
std::string uCurLocAsString(int32_t LocIndex);
std::string uCurTypeAsString(int32_t TypeIndex);
std::string uLockTypeAsString(int32_t TypeIndex);

// The profile keys that decide a parameter's VB type, as the method constructor caches them.
struct VBTypeSettings {
  int32_t SrvrType = 0;  // 0 Access, 1 SQL Server, 2 Sybase, 3 Oracle, 4 PostgreSQL
  bool MSUseLongForInts = false;
  bool MSUseDblForFloat = false;
  bool MSUseDblForMoney = false;
  bool MSUseStrForGuid = false;
  bool OraLongForZeroScale = false;
  bool OraForceLong = false;
  std::string OraForceLongPttns;
};

// Whether an ADO data type code is an integer type wider than Long (adUnsignedInt,
// adBigInt, adUnsignedBigInt). GetVBType declares these Variant on every server type.
bool IsWideInteger(int32_t ADOType);

// The Size a parameter of ADO type ADOType is passed with, from the size the catalogue lists.
// ADO refuses to append a parameter of a variable-length type (string, binary, variable-
// length number) whose Size is 0 (error 3708, "Parameter object is improperly defined").
// Short ones keep a positive catalogue size; a long one, or a short one the catalogue gives
// no size (0, -1 for a type without a limit, or no number), gets the longest value its type
// holds, so that nothing is cut. Every other type is passed with Size 0.
int32_t ParamSize(int32_t ADOType, int32_t CatalogueSize);

// The VB type of one stored-procedure parameter on the profile's server type. Records its
// failures (an invalid OraForceLongPttns pattern) under the method constructor's frame
// name "CSPConstructor.GetVBType(ADOType,NativeType,ParamNumScale)": callers add no frame.
std::string GetVBType(const VBTypeSettings& Stt, int32_t ADOType, std::string_view ParamName,
                      std::string_view NativeType, int32_t ParamNumScale);

}  // namespace pf::MADOUtils
