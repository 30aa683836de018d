#include <gtest/gtest.h>

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
