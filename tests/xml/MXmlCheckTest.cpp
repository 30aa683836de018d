#include "xml/MXmlCheck.h"

#include <gmock/gmock.h>

#include "support/TestEnv.h"

using namespace pf;
using ::testing::HasSubstr;

// Everything the DOM parser reads without a word but XML does not allow is found, with the
// place of its first character and what is wrong; well-formed documents of every shape
// pass. The cases of tests/data/xml/well-formedness.txt.
TEST(MXmlCheck, DocumentsThatAreNotWellFormedAreFoundWithTheirPlace) {
  for (const std::string& line : pftest::DataLines("xml/well-formedness.txt")) {
    SCOPED_TRACE(line);
    const std::vector<std::string> f = pftest::Fields(line);
    const auto fault = MXmlCheck::CheckDocument(f[0]);
    if (f.size() == 1) {
      EXPECT_FALSE(fault.has_value()) << fault->Reason;
      continue;
    }
    ASSERT_TRUE(fault.has_value());
    EXPECT_THAT(fault->Reason, HasSubstr(f[3]));
    EXPECT_EQ(fault->Line, std::stoi(f[1]));
    EXPECT_EQ(fault->Column, std::stoi(f[2]));
  }
}

TEST(MXmlCheck, TextProblemNamesTheFirstCharacterXmlCannotCarry) {
  EXPECT_EQ(MXmlCheck::TextProblem("tab\tline\r\nend \xE5\x8F\xB0\xF0\x9F\x98\x80 ]]> <&\""), "");
  EXPECT_EQ(MXmlCheck::TextProblem("\xE5\x8F\xB0x\x1B"), "U+001B (character 3), which XML does not allow");
  EXPECT_EQ(MXmlCheck::TextProblem("ab\xEF\xBF\xBF"), "U+FFFF (character 3), which XML does not allow");
  EXPECT_EQ(MXmlCheck::TextProblem(std::string("a\0b", 3)), "U+0000 (character 2), which XML does not allow");
  EXPECT_EQ(MXmlCheck::TextProblem("a\xED\xA0\x80"), "the byte 0xED (byte 2), which is not UTF-8");
  EXPECT_EQ(MXmlCheck::TextProblem("\xC3"), "the byte 0xC3 (byte 1), which is not UTF-8");
}
