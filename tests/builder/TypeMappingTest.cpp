#include <gtest/gtest.h>

#include "builder/MADOUtils.h"
#include "builder/MOraUtils.h"

using namespace pf;
using namespace pf::MADOUtils;
using pf::MOraUtils::oraGetADOType;

// Oracle numbers become Long by scale or by the parameter's name; the native type name is
// compared exactly.
TEST(MADOUtils, OracleVBTypes) {
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
