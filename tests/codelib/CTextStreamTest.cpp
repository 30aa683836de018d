#include <gtest/gtest.h>

#include <filesystem>

#include "codelib/CTextStream.h"
#include "errors/AppError.h"
#include "support/TestEnv.h"

using namespace pf;

namespace {

TEST(CTextStream, ScrambledFormIsFixed) {
  // (c + p + K) mod 128 with p counted from 1.
  const unsigned k = CTextStream::kScrambleOffset;
  const std::string s = CTextStream::Scramble("AB\x7F");
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(static_cast<unsigned char>(s[0]), (65 + 1 + k) % 128);
  EXPECT_EQ(static_cast<unsigned char>(s[1]), (66 + 2 + k) % 128);
  EXPECT_EQ(static_cast<unsigned char>(s[2]), (127 + 3 + k) % 128);
  // The position wraps: the character at position 129 is scrambled like position 1.
  const std::string long1 = CTextStream::Scramble(std::string(129, 'A'));
  EXPECT_EQ(long1[128], long1[0]);
}

TEST(CTextStream, RoundTripIsExactForSevenBitTextOfAnyLength) {
  std::string text;
  for (size_t len = 0; len <= 2100; ++len) {
    EXPECT_EQ(CTextStream::Unscramble(CTextStream::Scramble(text)), text) << "length " << len;
    text += static_cast<char>((len * 37 + 11) % 128);
  }
}

TEST(CTextStream, ArbitraryBytesUnscrambleToSevenBitText) {
  std::string bytes;
  for (int rep = 0; rep < 3; ++rep)
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  const std::string text = CTextStream::Unscramble(bytes);
  ASSERT_EQ(text.size(), bytes.size());
  for (char c : text) EXPECT_LT(static_cast<unsigned char>(c), 128);
  // Characters of 128 and above keep their low seven bits.
  EXPECT_EQ(CTextStream::Unscramble(CTextStream::Scramble("\xC3\xA4x")), "\x43\x24x");
}

TEST(CTextStream, FilesPlainAndScrambled) {
  pftest::TempDir dir;
  CTextStream out;
  out.Text = std::string("line 1\r\nline 2\0end", 17);
  out.SaveToFile(dir.file("a.cls"), false);
  out.SaveToFile(dir.file("a.dat"), true);
  EXPECT_EQ(pftest::ReadAll(dir.file("a.cls")), out.Text);
  EXPECT_EQ(pftest::ReadAll(dir.file("a.dat")), CTextStream::Scramble(out.Text));

  CTextStream in;
  in.LoadFromFile(dir.file("a.dat"), true);
  EXPECT_EQ(in.Text, out.Text);
  in.LoadFromFile(dir.file("a.cls"), false);
  EXPECT_EQ(in.Text, out.Text);

  // Saving replaces a longer file completely and leaves no temporary file behind.
  out.Text = "x";
  out.SaveToFile(dir.file("a.cls"), false);
  EXPECT_EQ(pftest::ReadAll(dir.file("a.cls")), "x");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(CTextStream, FileErrorsNameThePath) {
  pftest::TempDir dir;
  CTextStream s;
  s.Text = "keep";
  s.SaveToFile(dir.file("keep.cls"), false);
  const AppError e = pftest::Raised([&] { s.LoadFromFile(dir.file("missing.dat"), true); });
  EXPECT_EQ(e.Number, ERR_FILE_NOT_FOUND);
  EXPECT_NE(e.Description.find(dir.file("missing.dat")), std::string::npos) << e.Description;
  EXPECT_EQ(s.Text, "keep");
  EXPECT_THROW(s.SaveToFile(dir.file("no/such/folder.dat"), true), AppError);
}

}  // namespace
