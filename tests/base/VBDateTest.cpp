#include "base/VBDate.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/TestEnv.h"

using namespace pf;
using VBDate::DateTime;

DateTime Date(const std::string& text) {
  DateTime d;
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &d.Year, &d.Month, &d.Day, &d.Hour, &d.Minute, &d.Second);
  return d;
}

// The cases of tests/data/base/dates.txt.
TEST(VBDate, FormatAndParse) {
  for (const std::string& line : pftest::DataLines("base/dates.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    if (f[0] == "format") {
      EXPECT_EQ(VBDate::Format(Date(f[1]), f[2]), f[3]) << line;
      continue;
    }
    DateTime d{2000, 1, 1};  // a text that is no date leaves it as it was
    EXPECT_EQ(VBDate::Parse(f[1], d), f[0] == "parse") << line;
    EXPECT_EQ(d, (f[0] == "parse" ? Date(f[2]) : DateTime{2000, 1, 1})) << line;
  }
}

TEST(VBDate, TextReadsBackToTheSameValue) {
  const DateTime samples[] = {{2026, 12, 6, 14, 3, 5}, {2026, 12, 6, 0, 0, 0}, {1899, 12, 30, 0, 0, 0},
                              {1899, 12, 30, 23, 59, 59}, {100, 1, 1, 12, 0, 0}, {9999, 12, 31, 0, 0, 1}};
  for (const DateTime& d : samples) {
    DateTime back{2000, 1, 1, 1, 1, 1};
    ASSERT_TRUE(VBDate::Parse(VBDate::ToText(d), back)) << VBDate::ToText(d);
    EXPECT_EQ(back, d) << VBDate::ToText(d);
  }
  EXPECT_EQ(VBDate::ToText(DateTime{}), "12:00:00 AM");
  EXPECT_EQ(VBDate::ToText(DateTime{2026, 12, 6, 0, 0, 0}), "12/6/2026");
}
