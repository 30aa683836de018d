#pragma once
// Dates as the generated language and the program's files write them: a calendar
// date and time, its day-number form (days since 30 Dec 1899, time as the fraction),
// and formatting by a picture such as "Mm/Dd/yy Hh:Nn:Ss" or "Dd mmm yyyy, Hh:nn ".

#include <ctime>
#include <string>
#include <string_view>

namespace pf::VBDate {

struct DateTime {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0;
  bool operator==(const DateTime&) const = default;
};

// The zero date (day number 0: 30 Dec 1899, midnight).
inline bool IsZero(const DateTime& d) { return d == DateTime{}; }
// Day of the week, 1 = Sunday ... 7 = Saturday.
int Weekday(const DateTime& d);

// Local time of the program's clock.
DateTime Now();
DateTime FromTimeT(std::time_t t);
double ToSerial(const DateTime& d);
DateTime FromSerial(double serial);

// Picture letters (case-insensitive): d dd ddd dddd, ddddd (short date), dddddd (long
// date), m mm mmm mmmm (minutes right after an hour), n nn, y (day of the year), yy,
// yyyy, h hh, s ss, w (weekday, Sunday = 1), ww (week of the year, weeks start on
// Sunday and the first week holds 1 January), q (quarter), c (general date), ttttt
// (long time), AM/PM am/pm A/P a/p; text in double quotes and characters after "\"
// are copied; other characters are copied as they are. The named formats "General
// Date", "Long Date", "Medium Date", "Short Date", "Long Time", "Medium Time" and
// "Short Time" (any letter case) and an empty picture are understood as well.
std::string Format(const DateTime& d, std::string_view picture);

// The text a date converts to when stored as a string ("General Date"):
// "12/6/2026 2:03:05 PM"; the date alone when the time is midnight, the time alone
// for the zero date's day. Parse reads it back to the same value.
std::string ToText(const DateTime& d);

// Reads a date and/or time as the host's date conversion accepts it: "12/6/2026",
// "12/6/26", "2026-12-06", "2026-12-06T14:03:05", "6 Dec 2026", "Dec 6, 2026",
// "06-Dec-2026", "14:03", "2:03:05 PM" and combinations of a date and a time. Numbers
// in a date without a month name are month/day/year unless the first has 3 or more
// digits (year/month/day). A date without a year takes the current year. Two-digit
// years 0-29 are 2000-2029, 30-99 are 1930-1999. A time alone gives the zero date's
// day. Returns false (and leaves `out` alone) for anything else or an impossible date.
bool Parse(std::string_view text, DateTime& out);

}  // namespace pf::VBDate
