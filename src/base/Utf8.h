#pragma once
// Counting characters of UTF-8 text: a character is a byte that does not continue a
// sequence, so malformed bytes count one each and a count never splits a character.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pf::Utf8 {

inline constexpr bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Calls Word with each eight bytes of s in turn (as one integer), the last ones padded with
// zero bytes, which are 7-bit and continue no sequence. Whole generated classes are read so.
template <class F>
inline void ForEachWord(std::string_view s, F&& Word) {
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    Word(w);
  }
  if (i < s.size()) {
    uint64_t w = 0;
    std::memcpy(&w, s.data() + i, s.size() - i);
    Word(w);
  }
}

// The number of characters of s: a continuation byte is one whose top bit is set and next
// bit clear.
inline size_t Length(std::string_view s) {
  constexpr uint64_t kLowBits = 0x0101010101010101ull;
  size_t continuations = 0;
  // Each byte of the mask is 0 or 1: the multiplication sums them into the top byte (at
  // most 8), without a call for the bit count where the processor has no instruction.
  ForEachWord(s, [&](uint64_t w) {
    continuations += static_cast<size_t>((((w >> 7) & ~(w >> 6) & kLowBits) * kLowBits) >> 56);
  });
  return s.size() - continuations;
}

// True when every byte of s is 7-bit.
inline bool IsAscii(std::string_view s) {
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  uint64_t any = 0;
  ForEachWord(s, [&any](uint64_t w) { any |= w; });
  return (any & kHighBits) == 0;
}

}  // namespace pf::Utf8
