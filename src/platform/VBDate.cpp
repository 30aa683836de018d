#include "platform/VBDate.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/Clock.h"

namespace pf::VBDate {

namespace {
const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Days from 1970-01-01 for a proleptic Gregorian date.
long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr long kSerialEpochDays = -25569;  // 1899-12-30 relative to 1970-01-01

void AppendNum(std::string& out, int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  out += buf;
}

size_t RunLength(std::string_view p, size_t i) {
  const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
  size_t n = 1;
  while (i + n < p.size() && std::tolower(static_cast<unsigned char>(p[i + n])) == c) ++n;
  return n;
}

bool StartsWithNoCase(std::string_view s, size_t i, std::string_view what) {
  if (s.size() - i < what.size()) return false;
  for (size_t k = 0; k < what.size(); ++k)
    if (std::tolower(static_cast<unsigned char>(s[i + k])) != std::tolower(static_cast<unsigned char>(what[k])))
      return false;
  return true;
}
}  // namespace

DateTime FromTimeT(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

DateTime Now() { return FromTimeT(Clock::Now()); }

double ToSerial(const DateTime& d) {
  const long days = DaysFromCivil(d.Year, d.Month, d.Day) - kSerialEpochDays;
  const double frac = (d.Hour * 3600 + d.Minute * 60 + d.Second) / 86400.0;
  // Before the epoch the time still counts forward from the day's start.
  return days >= 0 ? days + frac : days - frac;
}

DateTime FromSerial(double serial) {
  double whole = std::trunc(serial);
  double frac = std::fabs(serial - whole);
  long secs = std::lround(frac * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    whole += serial >= 0 ? 1 : -1;
  }
  DateTime d;
  CivilFromDays(static_cast<long>(whole) + kSerialEpochDays, d.Year, d.Month, d.Day);
  d.Hour = static_cast<int>(secs / 3600);
  d.Minute = static_cast<int>(secs / 60 % 60);
  d.Second = static_cast<int>(secs % 60);
  return d;
}

std::string Format(const DateTime& d, std::string_view p) {
  std::string out;
  out.reserve(p.size() + 8);
  bool afterHour = false;  // an "m" right after an hour means minutes
  bool twelveHour = false;
  for (size_t i = 0; i < p.size(); ++i)
    if (StartsWithNoCase(p, i, "am/pm") || StartsWithNoCase(p, i, "a/p")) twelveHour = true;
  const int weekday = static_cast<int>(((DaysFromCivil(d.Year, d.Month, d.Day) % 7) + 11) % 7);
  for (size_t i = 0; i < p.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
    if (p[i] == '"') {
      const size_t end = p.find('"', i + 1);
      out.append(p.substr(i + 1, (end == std::string_view::npos ? p.size() : end) - i - 1));
      i = end == std::string_view::npos ? p.size() : end + 1;
      continue;
    }
    if (p[i] == '\\' && i + 1 < p.size()) {
      out += p[i + 1];
      i += 2;
      continue;
    }
    if (StartsWithNoCase(p, i, "am/pm")) {
      const bool upper = std::isupper(static_cast<unsigned char>(p[i]));
      out += d.Hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
      i += 5;
      continue;
    }
    if (StartsWithNoCase(p, i, "a/p")) {
      const bool upper = std::isupper(static_cast<unsigned char>(p[i]));
      out += d.Hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
      i += 3;
      continue;
    }
    const size_t n = RunLength(p, i);
    switch (c) {
      case 'd':
        if (n == 1) AppendNum(out, d.Day, 1);
        else if (n == 2) AppendNum(out, d.Day, 2);
        else if (n == 3) out.append(kDayNames[weekday], 3);
        else out += kDayNames[weekday];
        break;
      case 'm':
        if (afterHour && n <= 2) {
          AppendNum(out, d.Minute, static_cast<int>(n));
        } else if (n <= 2) {
          AppendNum(out, d.Month, static_cast<int>(n));
        } else if (n == 3) {
          out.append(kMonthNames[d.Month - 1], 3);
        } else {
          out += kMonthNames[d.Month - 1];
        }
        break;
      case 'n': AppendNum(out, d.Minute, n >= 2 ? 2 : 1); break;
      case 's': AppendNum(out, d.Second, n >= 2 ? 2 : 1); break;
      case 'y':
        if (n <= 2) AppendNum(out, d.Year % 100, 2);
        else AppendNum(out, d.Year, 4);
        break;
      case 'h': {
        int h = d.Hour;
        if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
        AppendNum(out, h, n >= 2 ? 2 : 1);
        break;
      }
      default: out.append(p.substr(i, n)); break;
    }
    if (c == 'h') afterHour = true;
    else if (c != ':' && c != ' ' && c != '.') afterHour = false;
    i += n;
  }
  return out;
}

}  // namespace pf::VBDate
