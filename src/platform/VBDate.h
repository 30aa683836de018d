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

// Local time of the program's clock.
DateTime Now();
DateTime FromTimeT(std::time_t t);
double ToSerial(const DateTime& d);
DateTime FromSerial(double serial);

// Picture letters (case-insensitive): d dd ddd dddd, m mm mmm mmmm (minutes right
// after an hour), n nn, y yy yyyy, h hh, s ss, AM/PM am/pm A/P a/p; text in double
// quotes and characters after "\" are copied; other characters are copied as they are.
std::string Format(const DateTime& d, std::string_view picture);

}  // namespace pf::VBDate
