#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <string>

using namespace pf;

// Counted eight bytes at a time: the count must equal a byte-by-byte count wherever the
// characters fall against the eight-byte steps, also when a whole step is continuation bytes.
TEST(Utf8, LengthMatchesAByteByByteCount) {
  const std::string pieces[] = {
      "a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80\x80\x80\x80\x80\x80\x80\x80", "\xFF"};
  std::string text;
  for (int round = 0; round < 40; ++round) {
    text += pieces[round % 6];
    for (size_t offset = 0; offset < 8 && offset <= text.size(); ++offset) {
      const std::string_view s = std::string_view(text).substr(offset);
      size_t expected = 0;
      for (char c : s) expected += Utf8::IsContinuationByte(c) ? 0 : 1;
      EXPECT_EQ(Utf8::Length(s), expected) << round << " " << offset;
    }
  }
}
