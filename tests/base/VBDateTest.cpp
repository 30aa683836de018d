#include "base/VBDate.h"

#include <gtest/gtest.h>

#include "support/TestEnv.h"

using namespace pf;
using VBDate::DateTime;

TEST(VBDate, FormatPictures) {
  const DateTime d{2026, 12, 6, 14, 3, 5};
  EXPECT_EQ(VBDate::Format(d, "Mm/Dd/yy Hh:Nn:Ss"), "12/06/26 14:03:05");
  EXPECT_EQ(VBDate::Format(d, "Dd mmm yyyy, Hh:nn "), "06 Dec 2026, 14:03 ");
  EXPECT_EQ(VBDate::Format(d, "dddd d mmmm, h:mm AM/PM"), "Sunday 6 December, 2:03 PM");
  EXPECT_EQ(VBDate::Format(d, "y w ww q"), "340 1 50 4");  // day of year, weekday, week, quarter
  EXPECT_EQ(VBDate::Format(DateTime{2026, 1, 3}, "ww"), "1");  // 1 Jan 2026 is a Thursday
  EXPECT_EQ(VBDate::Format(DateTime{2026, 1, 4}, "ww"), "2");  // the next Sunday starts week 2
  EXPECT_EQ(VBDate::Format(d, "\"at\" \\h h"), "at h 14");
  EXPECT_EQ(VBDate::Format(d, "long date"), "Sunday, December 6, 2026");
  EXPECT_EQ(VBDate::Format(d, "Short Date"), "12/6/2026");
  EXPECT_EQ(VBDate::Format(d, "Medium Time"), "02:03 PM");
  EXPECT_EQ(VBDate::Format(d, ""), "12/6/2026 2:03:05 PM");
  EXPECT_EQ(VBDate::Format(DateTime{2026, 12, 6, 0, 30, 0}, "h:nn a/p"), "12:30 a");
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

TEST(VBDate, ParseForms) {
  pftest::InstallTestEnvironment();
  struct Case {
    const char* text;
    DateTime want;
  } cases[] = {
      {"2026-12-06T14:03:05Z", {2026, 12, 6, 14, 3, 5}},
      {"2026-12-06 14:03:05.250", {2026, 12, 6, 14, 3, 5}},
      {"12/6/26", {2026, 12, 6}},
      {"1/2/99", {1999, 1, 2}},
      {"6 Dec 2026", {2026, 12, 6}},
      {"Dec 6, 2026 2 PM", {2026, 12, 6, 14, 0, 0}},
      {"Sunday, December 6, 2026", {2026, 12, 6}},
      {"06-Dec-2026 12:15 am", {2026, 12, 6, 0, 15, 0}},
      {"14:03", {1899, 12, 30, 14, 3, 0}},
      {"12/6", {2026, 12, 6}},  // the current year
      {" 2024-02-29 ", {2024, 2, 29}},
  };
  for (const Case& c : cases) {
    DateTime d;
    ASSERT_TRUE(VBDate::Parse(c.text, d)) << c.text;
    EXPECT_EQ(d, c.want) << c.text;
  }
  for (const char* bad : {"", "junk", "2023-02-29", "13/1/2026", "25:00", "1:60", "13:00 PM", "1/2/3/4", "12/6/2026 @",
                          "99999999999", "Dec", "5"}) {
    DateTime d{2000, 1, 1};
    EXPECT_FALSE(VBDate::Parse(bad, d)) << bad;
    EXPECT_EQ(d, (DateTime{2000, 1, 1})) << bad;
  }
}

TEST(VBDate, SerialNumbers) {
  EXPECT_DOUBLE_EQ(VBDate::ToSerial(DateTime{2026, 12, 6, 12, 0, 0}), 46362.5);
  EXPECT_EQ(VBDate::FromSerial(-1.25), (DateTime{1899, 12, 29, 6, 0, 0}));
  EXPECT_DOUBLE_EQ(VBDate::ToSerial(DateTime{1899, 12, 29, 6, 0, 0}), -1.25);
  EXPECT_EQ(VBDate::Weekday(DateTime{2026, 12, 6}), 1);
}
