#pragma once
// Counting characters of UTF-8 text: a character is a byte that does not continue a
// sequence, so malformed bytes count one each and a count never splits a character.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
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

// The length of the well-formed UTF-8 sequence at s[i] (1 to 4), 0 when the bytes there
// are not one (a stray continuation byte, a cut sequence, an overlong form, a surrogate,
// beyond U+10FFFF).
inline size_t SequenceLength(std::string_view s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return 1;
  const size_t len = c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k)
    if (!IsContinuationByte(s[i + k])) return 0;
  const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90))
    return 0;
  return len;
}

// True when s is well-formed UTF-8.
inline bool IsValid(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t len = SequenceLength(s, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

// s as it may be shown on a terminal or in one line of a listing: control characters as
// escapes ("\r", "\n", "\t", "\x1B", "\x00", "\xC2\x9B"), and each byte that is not part of a
// well-formed UTF-8 character as "\xHH", so that a name can neither move the cursor nor
// split a line, and shows what it really holds.
inline std::string Escaped(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char u = static_cast<unsigned char>(s[i]);
    const size_t len = SequenceLength(s, i);
    // U+0080 to U+009F are control characters too (terminals take U+009B for ESC [).
    const bool c1 = len == 2 && u == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
    if ((len > 1 && !c1) || (len == 1 && u >= 0x20 && u != 0x7F)) {
      out.append(s, i, len);
      i += len;
      continue;
    }
    if (u == '\r') {
      out += "\\r";
    } else if (u == '\n') {
      out += "\\n";
    } else if (u == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    }
    ++i;
  }
  return out;
}

}  // namespace pf::Utf8
