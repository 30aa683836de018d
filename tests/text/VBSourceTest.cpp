#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "text/VBSource.h"

using namespace pf;

namespace {

TEST(VBSource, IdentifiersAreMadeFromAnyName) {
  const std::pair<std::string, std::string> cases[] = {
      {"GetCustomer", "GetCustomer"},  // valid names stay as they are
      {"Say\"Hi\"", "SayHi"},
      {"O'BRIEN", "OBRIEN"},
      {"strBack\\", "strBack"},
      {"two\r\nlines", "twolines"},
      {"Gr\xC3\xB6\xC3\x9F"
       "e",
       "Groesse"},
      {"caf\xC3\xA9", "cafe"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "F"},  // nothing left
      {"1st", "F1st"},
      {"_x", "F_x"},
      {"", "F"},
      {std::string(300, 'a'), std::string(255, 'a')},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(VBSource::MakeIdentifier(in, "F"), out) << in;
    EXPECT_TRUE(VBSource::IsIdentifier(out)) << out;
  }
  EXPECT_FALSE(VBSource::IsIdentifier(std::string(256, 'a')));
  EXPECT_FALSE(VBSource::IsIdentifier("a b"));
}

TEST(VBSource, StringExpressionsKeepEveryCharacter) {
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"", "\"\"", false},
      {"plain", "\"plain\"", false},
      {"say \"hi\"", "\"say \"\"hi\"\"\"", false},
      {"a\r\nb\rc\nd\te", "\"a\" & vbCrLf & \"b\" & vbCr & \"c\" & vbLf & \"d\" & vbTab & \"e\"", false},
      {"\r\n", "vbCrLf", false},
      {"Gr\xC3\xB6\xC3\x9F"
       "e",
       "\"Gr\" & ChrW$(246) & ChrW$(223) & \"e\"", true},
      {"\x01", "Chr$(1)", true},
      {"\xF0\x9F\x98\x80", "ChrW$(55357) & ChrW$(56832)", true},  // above U+FFFF: two halves
      {"x\xFFy", "\"x\" & ChrW$(65533) & \"y\"", true},           // not UTF-8
  };
  for (const auto& [in, out, call] : cases) {
    bool needsCall = !call;
    EXPECT_EQ(VBSource::StringExpr(in, &needsCall), out) << in;
    EXPECT_EQ(needsCall, call) << in;
  }
}

TEST(VBSource, LimitsOfLinesAndContinuations) {
  std::string ok = "x = 1";
  for (int i = 0; i < 24; ++i) ok += " _\r\n  + 1";
  EXPECT_EQ(VBSource::LimitsBroken(ok), "");
  EXPECT_EQ(VBSource::LimitsBroken(ok + " _\r\n  + 1"), "a statement of more than 24 line continuations");
  // Continuations are counted per statement.
  EXPECT_EQ(VBSource::LimitsBroken(ok + "\r\n" + ok), "");
  EXPECT_EQ(VBSource::LimitsBroken(std::string(1023, 'a')), "");
  EXPECT_EQ(VBSource::LimitsBroken("ok\r\n" + std::string(1024, 'a')), "a line of 1024 characters (at most 1023)");
  EXPECT_EQ(VBSource::CommentText("a\r\nb\tc"), "a  b c");
}

}  // namespace
