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
  if (oneOf({"LONG", "VARCHAR", "VARCHAR2"})) return "200";
  // The national character types hold text of any script: they go as the wide types
  // (adWChar, adVarWChar, adLongVarWChar), as the provider for Oracle reports them
  // (DBTYPE_WSTR; Oracle Provider for OLE DB Developer's Guide, appendix A, table A-1,
  // "Data Type Mappings in Rowsets and Parameters"). A narrow type would turn each
  // character outside the client's code page into "?".
  if (oneOf({"NCHAR"})) return "130";
  if (oneOf({"NVARCHAR2"})) return "202";
  if (oneOf({"NCLOB"})) return "203";
  // The large objects go as long data of their kind: the provider reports CLOB as text
  // (DBTYPE_STR) and BLOB and BFILE as bytes (DBTYPE_BYTES), all of them long (same table
  // As adBinary a CLOB's text would be a byte array in a Variant, passed without any
  // conversion between the client's and the database's character sets.
  if (oneOf({"CLOB"})) return "201";
  if (oneOf({"BLOB", "BFILE"})) return "205";
  return "128";  // RAW and every other name
}

}  // namespace pf::MOraUtils
