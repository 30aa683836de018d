#include "base/NameTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pf;

// Many names that differ only in their middle, as a catalogue's do: each is found (in
// any case where case is ignored), none is found twice, and a name not added is not found.
TEST(NameTable, FindsEveryNameOfALargeTableAndNoOther) {
  NameMap<int> noCase;
  ExactNameMap<int> exact;
  std::vector<std::string> names;
  for (int i = 0; i < 50000; ++i) names.push_back("usp_Report_" + std::to_string(i) + "_Summary");
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    EXPECT_TRUE(noCase.emplace_copy(names[i], i).second);
    EXPECT_TRUE(exact.emplace_copy(names[i], i).second);
  }
  ASSERT_EQ(noCase.size(), names.size());
  for (int i = 0; i < static_cast<int>(names.size()); i += 7) {
    std::string upper = names[i];
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_NE(noCase.find(upper), nullptr) << upper;
    EXPECT_EQ(noCase.find(upper)->second, i);
    EXPECT_EQ(exact.find(upper), nullptr) << upper;
    ASSERT_NE(exact.find(names[i]), nullptr);
    EXPECT_EQ(exact.find(names[i])->second, i);
    EXPECT_FALSE(noCase.emplace_copy(upper, -1).second);
  }
  EXPECT_FALSE(noCase.count("usp_Report_50000_Summary"));
  EXPECT_FALSE(noCase.count("usp_Report__Summary"));
}

// A table emptied once per procedure goes on working past the point where its clear count
// wraps round, and forgets exactly what it held before each clear.
TEST(NameTable, ClearedTableForgetsItsNamesEveryTime) {
  NameSet scope;
  for (int round = 0; round < 70000; ++round) {
    scope.clear();
    const std::string name = "p" + std::to_string(round);
    ASSERT_FALSE(scope.count(name)) << round;
    ASSERT_FALSE(scope.count("p" + std::to_string(round - 1))) << round;
    scope.insert_copy(name);
    scope.insert_copy("Value");
    ASSERT_TRUE(scope.count(name)) << round;
    ASSERT_TRUE(scope.count("VALUE")) << round;
    ASSERT_EQ(scope.size(), 2u);
  }
}
