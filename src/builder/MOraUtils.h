#pragma once
// Oracle data type names to ADO data type codes (Oracle parameters arrive without an ADO type).

#include <cstdint>
#include <string>
#include <string_view>

namespace pf::MOraUtils {

// The ADO code for an Oracle type name (compared in upper case, untrimmed) as decimal
// text, or "(PL/SQL Boolean is not supported)" for PL/SQL BOOLEAN; the large objects as
// long text (201, 203) or long binary (205); 128 for unknown names.
std::string oraGetADOType(std::string_view OraTypeName, int32_t NumericScale, int32_t Precision);

// True when oraGetADOType knows the name, the binary and large-object types included;
// false for an empty or unknown name, which it passes as binary.
bool IsKnownOraType(std::string_view OraTypeName);

}  // namespace pf::MOraUtils
