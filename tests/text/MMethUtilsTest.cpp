#include "text/MMethUtils.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "errors/ErrGuard.h"
#include "support/TestEnv.h"

using namespace pf;
using namespace pf::MMethUtils;

TEST(MMethUtilsPattern, WildcardsListsAndRanges) {
  // "a*c*c" backtracks over the first "c"; a dash at the end of a list is itself; wildcards
  // inside a list are themselves; an empty list stands for nothing; "?" takes one character,
  // not one byte; letter case is significant; "*" alone takes every name, the empty one too.
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"spGetOrders", "sp*", true}, {"sp", "sp*", true},     {"xsp", "sp*", false},  {"abXcdYc", "a*c*c", true},
      {"abXcdY", "a*c*c", false},   {"sp1", "sp?", true},    {"sp12", "sp?", false}, {"sp12", "sp##", true},
      {"sp1a", "sp##", false},      {"m", "[a-m]", true},    {"n", "[a-m]", false},  {"x9", "[xyz][0-9]", true},
      {"n", "[!a-m]", true},        {"c", "[!a-m]", false},  {"-", "[a-]", true},    {"*", "[*]", true},
      {"a", "[*]", false},          {"]", "]", true},        {"ab", "a[]b", true},   {"\xC3\xA9t\xC3\xA9", "?t?", true},
      {"Sp", "sp", false},          {"odd]name", "*", true}, {"", "*", true},        {"", "?", false}};
  for (const auto& [name, pattern, like] : cases) EXPECT_EQ(uIsLike(name, pattern), like) << name << " " << pattern;
}

TEST(MMethUtilsPattern, ListKeptForManyNamesStillRaisesOnAFaultyPatternWhenReached) {
  // Patterns are compiled when first reached: a name matched before the faulty one passes,
  // and every name that reaches it raises, not just the first.
  const PatternList list("SP_*;[x", false);
  EXPECT_TRUE(list.Matches("sp_orders"));
  EXPECT_FALSE(PatternList("SP_*", true).Matches("sp_orders"));
  for (int i = 0; i < 2; ++i) {
    Faultnet31::Reset();
    EXPECT_EQ(pftest::ExpectFailure([&] { list.Matches("orders"); }, {"Invalid pattern string: [x"}).Number,
              ERR_USER_CHECK);
  }
  Faultnet31::Reset();
  EXPECT_TRUE(list.Matches("SP_x"));
}

TEST(MMethUtilsNames, KeywordsPrefixesAndCharacters) {
  // Operators and statement words are reserved too; longer names that contain them are not.
  for (const char* word : {"date", "DATE", "Scale", "Sub", "select", "Print", "ParamArray", "WithEvents"})
    EXPECT_EQ(uCheckWithVBKeyWords(word), std::string(word) + "0");
  for (const char* word : {"Dated", "Printer", "Name", ""}) EXPECT_EQ(uCheckWithVBKeyWords(word), word);

  EXPECT_EQ(uGetStdTypePrefix("Currency"), "cur");
  EXPECT_EQ(uGetStdTypePrefix("long"), "");

  EXPECT_EQ(uRemovePrefix("SP_GetOrders", "sp_, usp_"), "GetOrders");
  EXPECT_EQ(uRemovePrefix("usp_sp_Get", "sp_, usp_"), "sp_Get");  // one prefix at most
  EXPECT_EQ(uRemovePrefix("sp_Get", "x_;sp_"), "Get");
  EXPECT_EQ(uRemovePrefix("sp_Get", ";sp_"), "Get");  // an empty entry does not stop the search
  EXPECT_EQ(uRemovePrefix("sp_Get", ""), "sp_Get");

  EXPECT_EQ(RemoveSpecChars("Order Date_2 \xC3\xA9t\xC3\xA9!"), "OrderDate2t");

  for (const auto& [name, cap] : std::vector<std::pair<const char*, const char*>>{
           {"CUSTOMER_ID", "CustomerID"}, {"ORDER_ITEM_ID_", "OrderItemID"}, {"customer_first_name", "CustomerFirstName"},
           {"customerName", "CustomerName"}, {"Cust_Id", "CustId"}, {"ADDR2_LINE", "Addr2Line"}, {"__", ""}})
    EXPECT_EQ(uToWordCap(name), cap);

  EXPECT_EQ(uRTrimChars("    AddParam \"x\", adInteger, adParamInput, , , ", ", "),
            "    AddParam \"x\", adInteger, adParamInput");
  EXPECT_EQ(uRTrimChars(", , ", ", "), "");
  EXPECT_EQ(uRTrimChars("", ", "), "");
}

TEST(MMethUtilsSource, HeadersEndsAndTokens) {
  // Kind as listed, scope with its blank where the header has one, a property's name with its accessor.
  const std::tuple<const char*, bool, const char*, const char*, const char*> headers[] = {
      {"Public Sub Foo(ByVal a As Long)", true, "Sub", "Public ", "Foo"},
      {"  private function Bar() As Long", true, "Function", "Private ", "Bar"},
      {"Friend Property Get Baz()", true, "Property", "Friend", "Get Baz"},
      {"Sub Class_Initialize", true, "Sub", "", "Class_Initialize"},
      {"Public SubTotal As Long", false, "", "", ""},
      {"Private Declare Sub Sleep Lib \"kernel32\" (ByVal ms As Long)", false, nullptr, nullptr, nullptr},
      {"   ", false, nullptr, nullptr, nullptr}};
  for (const auto& [header, ok, kind, scopeWanted, nameWanted] : headers) {
    std::string type, scope, name;
    EXPECT_EQ(uParseMethHeader(header, type, scope, name), ok) << header;
    if (kind) {
      EXPECT_EQ(type + "|" + scope + "|" + name, std::string(kind) + "|" + scopeWanted + "|" + nameWanted);
    }
  }
  EXPECT_TRUE(uIsPublicProcStart("  public property Let X(v)"));
  EXPECT_FALSE(uIsPublicProcStart("Private Sub X()"));
  EXPECT_TRUE(uIsProcEnd("End Function  "));
  EXPECT_FALSE(uIsProcEnd("End If"));
  EXPECT_TRUE(uBeginsWith("   ErrorIn \"C.M\"", {"errorin"}));
  EXPECT_FALSE(uBeginsWith("x", std::vector<std::string>{}));

  EXPECT_EQ(uExtractSecondWord("   End Property  "), "Property");
  EXPECT_EQ(uExtractSecondWord("End"), "");
  EXPECT_EQ(uExtractSecondWord(""), "");

  std::string line = "  Public  Sub X";
  EXPECT_TRUE(uParseToken("public", line));
  EXPECT_EQ(line, "Sub X");
  EXPECT_FALSE(uParseToken("Function", line));
  EXPECT_EQ(line, "Sub X");
  std::string word;
  EXPECT_TRUE(uFindWords("Function ,Sub ", word, line));
  EXPECT_EQ(word, "Sub ");
  EXPECT_EQ(line, "X");
  EXPECT_FALSE(uFindWords("", word, line));
  EXPECT_EQ(word, "");
}

// Formatting drops empty lines inside procedures and turns comment marks "'#" into "'",
// but never inside a string literal.
TEST(MMethUtilsSource, FormatCode) {
  // Leading and trailing empty lines leave one line break each.
  EXPECT_EQ(uFormatCode("\r\n\r\nA\r\n\r\nEnd Sub\r\n\r\n"), "\r\nA\r\nEnd Sub\r\n\r\n");
  EXPECT_EQ(uFormatCode(""), "");
  // A string literal keeps its text; a comment is a comment whatever quotes it holds.
  EXPECT_EQ(uFormatCode("x = \"a'#b\"\"'#\" '#c \"d '#e"), "x = \"a'#b\"\"'#\" 'c \"d 'e");
}

// The line limit counts characters, not bytes.
TEST(MMethUtilsBreak, LimitCountsCharacters) {
  int32_t count = 0;
  EXPECT_EQ(uBreakLine("\xC3\xA9\xC3\xA9,a,bcd", "  ", count, 3, ","), "\xC3\xA9\xC3\xA9, _ \r\n  a, _ \r\n  bcd");
  EXPECT_EQ(count, 3);
}

TEST(MMethUtilsLists, FlagSumAndSettingNames) {
  EXPECT_EQ(uBuildFlagSum("adAsyncExecute,adAsyncFetch,adAsyncFetchNonBlocking", {true, false, true}, " + ", "0"),
            "adAsyncExecute + adAsyncFetchNonBlocking");
  EXPECT_EQ(uBuildFlagSum("a,b", {false, false}, " + ", "0"), "0");
  EXPECT_EQ(uBuildFlagSum("", {}, " + ", "0"), "0");

  Faultnet31::Reset();
  const AppError e = pftest::ExpectFailure(
      [&] {
        uBuildFlagSum("a,b,c", {true, false}, " + ", "0");
      },
      {"Number of flag names in list doesn't match number of flags", "MMethUtils.uBuildFlagSum("});
  EXPECT_EQ(e.Number, ERR_GENERAL);
  Faultnet31::Reset();

  EXPECT_EQ(uMTSSettingAsString(4), "RequiresNewTransaction");
  EXPECT_EQ(uMTSSettingAsString(5), "NotAnMTSObject");
  EXPECT_EQ(uMTSSettingAsString(-1), "NotAnMTSObject");
}
