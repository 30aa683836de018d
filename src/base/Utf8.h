#pragma once
// Counting characters of UTF-8 text: a character is a byte that does not continue a
// sequence, so malformed bytes count one each and a count never splits a character.

#include <cstddef>
#include <string_view>

namespace pf::Utf8 {

inline constexpr bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The number of characters of s.
inline size_t Length(std::string_view s) {
  size_t n = 0;
  for (char c : s) n += !IsContinuationByte(c);
  return n;
}

}  // namespace pf::Utf8
