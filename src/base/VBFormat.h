#pragma once
// Formatting a value by a display picture, as the wizard's text boxes show values: a
// number by a number picture, a date by a date picture (VBDate::Format), any other text
// as it is.

#include <string>
#include <string_view>

namespace pf::VBFormat {

// Number pictures are made of "0" (a digit always shown), "#" (a digit shown when
// significant), "," in the whole part (thousands separated by ","), and "." followed by
// the decimal places (rounded half away from zero); characters before the first and
// after the last placeholder are copied. "#,##0.00" shows 1234.5 as "1,234.50", and "#"
// shows 0 as "". A value that is a number but a picture without placeholders, or a
// value that is neither a number nor a date, is returned as it is.
std::string Format(std::string_view value, std::string_view picture);

}  // namespace pf::VBFormat
