#pragma once
// The data-access layer's numeric codes and its own errors. The codes are those of
// the Windows data-access library the generated classes use, so that catalogue
// documents, reports and generated code carry the same numbers on every platform.

#include <cstdint>
#include <string>
#include <string_view>

#include "errors/AppError.h"

namespace pf::ado {

enum DataTypeEnum : int {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adIDispatch = 9,
  adError = 10,
  adBoolean = 11,
  adVariant = 12,
  adIUnknown = 13,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adUnsignedSmallInt = 18,
  adUnsignedInt = 19,
  adBigInt = 20,
  adUnsignedBigInt = 21,
  adFileTime = 64,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adUserDefined = 132,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adChapter = 136,
  adPropVariant = 138,
  adVarNumeric = 139,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};
// OLE DB's DBTYPE_TABLE, the type its SQL Server providers report for a table-valued
// parameter; ADO has no name for it and cannot pass it.
inline constexpr int kOleDbTableType = 143;

enum ParameterDirectionEnum : int {
  adParamUnknown = 0,
  adParamInput = 1,
  adParamOutput = 2,
  adParamInputOutput = 3,
  adParamReturnValue = 4,
};

enum CommandTypeEnum : int {
  adCmdUnspecified = -1,
  adCmdText = 1,
  adCmdTable = 2,
  adCmdStoredProc = 4,
  adCmdUnknown = 8,
};

enum ObjectStateEnum : int {
  adStateClosed = 0,
  adStateOpen = 1,
  adStateConnecting = 2,
  adStateExecuting = 4,
  adStateFetching = 8,
};

enum ParameterAttributesEnum : int {
  adParamSigned = 16,
  adParamNullable = 64,
  adParamLong = 128,
};

enum PersistFormatEnum : int { adPersistADTG = 0, adPersistXML = 1 };
enum StreamReadEnum : int { adReadAll = -1, adReadLine = -2 };
enum CursorTypeEnum : int { adOpenUnspecified = -1, adOpenForwardOnly = 0 };
enum LockTypeEnum : int { adLockUnspecified = -1, adLockReadOnly = 1 };

// Errors of the layer itself carry the data-access library's numbers
// (0x800A0000 + code) so that callers and reports see familiar values.
enum ErrorValueEnum : int {
  adErrInvalidArgument = 3001,
  adErrNoCurrentRecord = 3021,
  adErrItemNotFound = 3265,
  adErrNotReentrant = 3710,
  adErrObjectClosed = 3704,
  adErrObjectOpen = 3705,
  adErrProviderNotFound = 3706,
  adErrInvalidConnection = 3709,
  adErrFeatureNotAvailable = 3251,
};

constexpr int32_t AdoErrorNumber(int code) { return static_cast<int32_t>(0x800A0000u + static_cast<uint32_t>(code)); }
// Failures reported by a provider (the database, the driver, the snapshot file).
constexpr int32_t ProviderErrorNumber = static_cast<int32_t>(0x80004005u);

// The beginning of the text of every failure on a connection whose link to the server
// failed. Such a failure is a plain message (ERR_USER_CHECK), not a fault of the program,
// and it ends a run: callers that skip one failing procedure pass it on.
inline constexpr std::string_view kConnectionLost = "Connection to the server was lost: ";
bool IsConnectionLost(const AppError& e);

// Throws the layer's error `code` with its standard text; `source` names the
// object ("ADODB.Recordset"), `detail` is appended after a blank when given.
[[noreturn]] void ThrowAdoError(int code, std::string_view source, std::string_view detail = {});

// The version the layer reports (connection Version, error reports).
std::string Version();

// Installs the layer into the error library: the version written in report headers
// and the executor ErrLogToDB stores reports with. Call once at start-up.
void RegisterWithErrorLibrary();

}  // namespace pf::ado
