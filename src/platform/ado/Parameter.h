#pragma once
// A command parameter, with the data-access library's codes: Direction
// (ParameterDirectionEnum), Type (DataTypeEnum), Attributes (ParameterAttributesEnum
// bits: 16 signed, 64 nullable, 128 long data).

#include <optional>
#include <string>

#include "platform/ado/Ado.h"

namespace pf::ado {

struct Parameter {
  std::string Name;
  int Direction = adParamInput;
  int Type = adEmpty;
  long Size = 0;
  int Precision = 0;
  int NumericScale = 0;
  int Attributes = 0;
  std::optional<std::string> Value;  // std::nullopt is Null
  std::string TypeName;              // the server's name of its type, where a refresh gave one
};

}  // namespace pf::ado
