#include "builder/MOraUtils.h"

#include <initializer_list>

#include "base/NoCase.h"

namespace pf::MOraUtils {

namespace {

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (NoCase::Equals(name, n)) return true;
  return false;
}

}  // namespace

bool IsKnownOraType(std::string_view OraTypeName) {
  return OneOf(OraTypeName, {"NATURAL", "NATURALN", "POSITIVE", "POSITIVEN", "SIGNTYPE", "PLS_INTEGER",
                             "BINARY_INTEGER", "INT", "INTEGER", "SMALLINT", "FLOAT", "PL/SQL BOOLEAN", "NUMBER",
                             "DEC", "DECIMAL", "NUMERIC", "DOUBLE PRECISION", "REAL", "DATE", "CHAR", "LONG",
                             "VARCHAR", "VARCHAR2", "NCHAR", "NVARCHAR2", "BFILE", "BLOB", "CLOB", "NCLOB", "RAW",
                             "LONG RAW"});
}

std::string oraGetADOType(std::string_view OraTypeName, int32_t NumericScale, int32_t Precision) {
  // Compared in upper case: the case of the name does not matter, blanks do.
  const auto oneOf = [&](std::initializer_list<std::string_view> names) { return OneOf(OraTypeName, names); };
  // Tested in this order.
  if (oneOf({"NATURAL", "NATURALN", "POSITIVE", "POSITIVEN", "SIGNTYPE", "PLS_INTEGER", "BINARY_INTEGER", "INT",
             "INTEGER", "SMALLINT"}))
    return "3";
  if (oneOf({"FLOAT"})) return NumericScale <= 9 && Precision == 0 ? "3" : "5";
  if (oneOf({"PL/SQL BOOLEAN"})) return "(PL/SQL Boolean is not supported)";
  if (oneOf({"NUMBER"})) return "5";
  if (oneOf({"DEC", "DECIMAL", "NUMERIC"})) return "131";
  if (oneOf({"DOUBLE PRECISION", "REAL"})) return "5";
  if (oneOf({"DATE"})) return "135";
  if (oneOf({"CHAR"})) return "129";
  if (oneOf({"LONG", "VARCHAR", "VARCHAR2", "NCHAR", "NVARCHAR2"})) return "200";
  return "128";  // BFILE, BLOB, CLOB, RAW and every other name
}

}  // namespace pf::MOraUtils
