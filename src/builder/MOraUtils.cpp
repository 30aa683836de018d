#include "builder/MOraUtils.h"

#include <initializer_list>

#include "builder/SourceText.h"

namespace pf::MOraUtils {

std::string oraGetADOType(std::string_view OraTypeName, int32_t NumericScale, int32_t Precision) {
  const std::string name = srctext::ToUpper(OraTypeName);
  const auto oneOf = [&](std::initializer_list<std::string_view> names) {
    for (std::string_view n : names)
      if (name == n) return true;
    return false;
  };
  // Tested in this order.
  if (oneOf({"NATURAL", "NATURALN", "POSITIVE", "POSITIVEN", "SIGNTYPE", "PLS_INTEGER", "BINARY_INTEGER", "INT",
             "INTEGER", "SMALLINT"}))
    return "3";
  if (name == "FLOAT") return NumericScale <= 9 && Precision == 0 ? "3" : "5";
  if (name == "PL/SQL BOOLEAN") return "(PL/SQL Boolean is not supported)";
  if (name == "NUMBER") return "5";
  if (oneOf({"DEC", "DECIMAL", "NUMERIC"})) return "131";
  if (oneOf({"DOUBLE PRECISION", "REAL"})) return "5";
  if (name == "DATE") return "135";
  if (name == "CHAR") return "129";
  if (oneOf({"LONG", "VARCHAR", "VARCHAR2", "NCHAR", "NVARCHAR2"})) return "200";
  return "128";  // BFILE, BLOB, CLOB, RAW and every other name
}

}  // namespace pf::MOraUtils
