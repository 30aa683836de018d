#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "builder/MADOUtils.h"
#include "builder/MOraUtils.h"
#include "support/TestEnv.h"

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
  // Text of every kind is a String; binary large objects are byte arrays in a Variant.
  for (const auto& [native, want] : {std::pair{"NCHAR", "130String"},
                                     {"NVARCHAR2", "202String"},
                                     {"nclob", "203String"},
                                     {"CLOB", "201String"},
                                     {"BLOB", "205Variant"},
                                     {"BFILE", "205Variant"}})
    EXPECT_EQ(oraGetADOType(native, 0, 0) + oraType("P_S", native, 0), want);
  EXPECT_EQ(oraType("P_F", "PL/SQL BOOLEAN", 0), "Variant");
  EXPECT_EQ(oraType("P_I", "SMALLINT", 0), "Long");
  EXPECT_EQ(oraType("P_N", "DECIMAL", 2), "Double");
}

// Every ADO data type code on every server type: Access takes the default type as it is,
// SQL Server and Sybase correct it by their four switches (one column each, the others
// off), Oracle by its fixed choice (Single and Currency to Double, small integers to Long):
// the table of tests/data/builder/vb-types.txt.
TEST(MADOUtils, VBTypeOfEveryADOTypeOnEveryServer) {
  enum { Access, MsOff, MsLong, MsDblFloat, MsDblMoney, MsStrGuid, Oracle, Columns };
  struct Row {
    int32_t ADOType;
    std::string VB[Columns];
  };
  std::vector<Row> rows;
  for (const std::string& line : pftest::DataLines("builder/vb-types.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    ASSERT_EQ(f.size(), 1u + Columns) << line;
    rows.push_back({std::stoi(f[0]), {}});
    for (int col = Access; col < Columns; ++col) rows.back().VB[col] = f[col + 1] == "-" ? "" : f[col + 1];
  }
  // Every code of the ADO type list has a row.
  for (size_t at = 1; at < adoDataTypeList.size(); at = adoDataTypeList.find(',', at) + 1) {
    const int32_t code = std::stoi(std::string(adoDataTypeList.substr(adoDataTypeList.find('=', at) + 1)));
    EXPECT_TRUE(std::any_of(std::begin(rows), std::end(rows), [&](const Row& r) { return r.ADOType == code; })) << code;
  }
  for (const Row& r : rows) {
    for (int col = Access; col < Columns; ++col) {
      for (const int32_t server : col == Access   ? std::vector{0, 4}
                                  : col == Oracle ? std::vector{3}
                                                  : std::vector{1, 2}) {
        VBTypeSettings stt;
        stt.SrvrType = server;
        // Access and Oracle ignore the SQL Server switches: all on.
        const bool all = col == Access || col == Oracle;
        stt.MSUseLongForInts = all || col == MsLong;
        stt.MSUseDblForFloat = all || col == MsDblFloat;
        stt.MSUseDblForMoney = all || col == MsDblMoney;
        stt.MSUseStrForGuid = all || col == MsStrGuid;
        EXPECT_EQ(GetVBType(stt, r.ADOType, "P", "", 0), r.VB[col])
            << "ADO type " << r.ADOType << ", server type " << server << ", column " << col;
      }
    }
  }
}

// A parameter's size: no string or binary parameter goes without one (ADO refuses to append
// it), short types keep a listed size, the rest take the longest value their type holds.
TEST(MADOUtils, ParamSize) {
  constexpr int32_t kMax = 2147483647, kWide = 1073741823;
  const struct {
    int32_t Type, Listed, Passed;
  } rows[] = {{200, 255, 255},   {200, 0, kMax},     {200, -1, kMax},  {129, 0, kMax},  {128, 8, 8},
              {204, 0, kMax},    {202, 40, 40},      {202, -1, kWide}, {130, 0, kWide}, {201, 0, kMax},
              {205, kMax, kMax}, {203, 8190, kWide}, {203, 0, kWide},  {139, 19, 19},   {139, 0, 109},
              {139, -1, 109},    {3, 4, 0},          {8, 0, 0},        {135, 16, 0}};
  for (const auto& r : rows) EXPECT_EQ(ParamSize(r.Type, r.Listed), r.Passed) << r.Type << ", listed " << r.Listed;
}
