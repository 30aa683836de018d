#include <gtest/gtest.h>

#include "builder/MADOUtils.h"
#include "builder/MOraUtils.h"
#include "errors/ErrGuard.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::MADOUtils;
using pf::MOraUtils::oraGetADOType;

TEST(MADOUtils, ConstNamesOfNeighbouringCodes) {
  EXPECT_EQ(GetConstName(adoDataTypeList, 8), "adBSTR");
  EXPECT_EQ(GetConstName(adoDataTypeList, 3), "adInteger");  // not adNumeric (131) nor adUnsignedTinyInt (17)
  EXPECT_EQ(GetConstName(adoDataTypeList, 13), "adIUnknown");
  EXPECT_EQ(GetConstName(adoDataTypeList, 200), "adVarChar");
  EXPECT_EQ(GetConstName(adoDataTypeList, 20), "adBigInt");  // first entry
  EXPECT_EQ(GetConstName(adoDataTypeList, 130), "adWChar");  // last entry
  EXPECT_EQ(GetConstName(adoDataTypeList, 0), "adEmpty");
  EXPECT_EQ(GetConstName(adoParamDirectionList, 4), "adParamReturnValue");
  EXPECT_EQ(GetConstName(",a=1,b=1,", 1), "a");  // the first of two entries sharing a code
  EXPECT_EQ(GetConstName("x=5,", 5), "x");       // no leading comma

  Faultnet31::Reset();
  const AppError e = pftest::Raised([&] { GetConstName(adoParamDirectionList, 7); });
  EXPECT_EQ(e.Number, static_cast<int32_t>(0x8004106B));
  EXPECT_EQ(e.Description, "Didn't find name for constant: 7");
  Faultnet31::Reset();
  EXPECT_THROW(GetConstName(adoDataTypeList, -3), AppError);
  Faultnet31::Reset();
}

TEST(MADOUtils, DefaultAndCorrectedTypes) {
  EXPECT_EQ(adoGetVBDefaultType(131), "Double");
  EXPECT_EQ(adoGetVBDefaultType(72), "Variant");
  EXPECT_EQ(adoGetVBDefaultType(17), "Byte");
  EXPECT_EQ(adoGetVBDefaultType(135), "Date");
  EXPECT_EQ(adoGetVBDefaultType(203), "String");
  EXPECT_EQ(adoGetVBDefaultType(206), "");

  EXPECT_EQ(adoCorrectVBType("Single", 4, true, false, false, false), "Double");
  EXPECT_EQ(adoCorrectVBType("Long", 131, false, false, false, false), "Double");
  EXPECT_EQ(adoCorrectVBType("Whatever", 200, true, true, true, true), "Whatever");

  EXPECT_EQ(uLockTypeAsString(2), "adLockOptimistic");
  EXPECT_EQ(uCurLocAsString(5), "adUseClient");
  EXPECT_EQ(uCurLocAsString(1), "adUseServer");
  EXPECT_EQ(uCurTypeAsString(-1), "adOpenForwardOnly");
}

TEST(MADOUtils, VBTypePerServer) {
  VBTypeSettings ms;
  ms.SrvrType = 1;
  EXPECT_EQ(GetVBType(ms, 2, "@n", "", 0), "Integer");
  EXPECT_EQ(GetVBType(ms, 17, "@n", "", 0), "Byte");
  EXPECT_EQ(GetVBType(ms, 72, "@g", "", 0), "Variant");
  ms.MSUseLongForInts = true;
  ms.MSUseStrForGuid = true;
  EXPECT_EQ(GetVBType(ms, 2, "@n", "", 0), "Long");
  EXPECT_EQ(GetVBType(ms, 17, "@n", "", 0), "Long");
  EXPECT_EQ(GetVBType(ms, 72, "@g", "", 0), "String");
  ms.SrvrType = 2;
  ms.MSUseDblForMoney = true;
  EXPECT_EQ(GetVBType(ms, 6, "@m", "", 0), "Double");

  VBTypeSettings access;
  access.MSUseDblForMoney = true;  // not applied on Access
  EXPECT_EQ(GetVBType(access, 6, "m", "", 0), "Currency");
  EXPECT_EQ(GetVBType(access, 2, "m", "", 0), "Integer");

  VBTypeSettings ora;
  ora.SrvrType = 3;
  ora.OraForceLongPttns = "int*";
  const auto oraType = [&](std::string_view name, std::string_view native, int scale, int precision = 0) {
    const std::string code = oraGetADOType(native, scale, precision);
    const int32_t ado = code.find_first_not_of("0123456789") == std::string::npos ? std::stoi(code) : 0;
    return GetVBType(ora, ado, name, native, scale);
  };
  EXPECT_EQ(oraType("P_COUNT", "NUMBER", 0), "Double");
  ora.OraLongForZeroScale = true;
  EXPECT_EQ(oraType("P_COUNT", "NUMBER", 0), "Long");
  EXPECT_EQ(oraType("P_COUNT", "NUMBER", 2), "Double");
  EXPECT_EQ(oraType("P_COUNT", "number", 0), "Double");  // the native name is compared exactly
  ora.OraLongForZeroScale = false;
  ora.OraForceLong = true;
  EXPECT_EQ(oraType("INTCOUNT", "NUMBER", 2), "Long");
  EXPECT_EQ(oraType("P_COUNT", "NUMBER", 2), "Double");
  EXPECT_EQ(oraType("P_D", "DATE", 0), "Date");
  EXPECT_EQ(oraType("P_S", "VARCHAR2", 0), "String");
  EXPECT_EQ(oraType("P_B", "BLOB", 0), "Variant");
  EXPECT_EQ(oraType("P_F", "PL/SQL BOOLEAN", 0), "Variant");
  EXPECT_EQ(oraType("P_I", "SMALLINT", 0), "Long");
  EXPECT_EQ(oraType("P_N", "DECIMAL", 2), "Double");
}

TEST(MOraUtils, OracleTypeNames) {
  EXPECT_EQ(oraGetADOType("pls_integer", 0, 0), "3");
  EXPECT_EQ(oraGetADOType("FLOAT", 9, 0), "3");
  EXPECT_EQ(oraGetADOType("FLOAT", 10, 0), "5");
  EXPECT_EQ(oraGetADOType("FLOAT", 0, 126), "5");
  EXPECT_EQ(oraGetADOType("PL/SQL BOOLEAN", 0, 0), "(PL/SQL Boolean is not supported)");
  EXPECT_EQ(oraGetADOType("Numeric", 0, 0), "131");
  EXPECT_EQ(oraGetADOType("DOUBLE PRECISION", 0, 0), "5");
  EXPECT_EQ(oraGetADOType("RAW", 0, 0), "128");
  EXPECT_EQ(oraGetADOType(" DATE", 0, 0), "128");  // not trimmed
}
