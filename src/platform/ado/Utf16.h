#pragma once
// UTF-8 <-> UTF-16 conversion for the ODBC wide-character interface and data link
// files. Invalid input never fails: bad sequences become U+FFFD.

#include <cstdint>
#include <string>
#include <string_view>

namespace pf::ado::Utf16 {

std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(const char16_t* data, size_t length);
inline std::string ToUtf8(std::u16string_view s) { return ToUtf8(s.data(), s.size()); }

}  // namespace pf::ado::Utf16
