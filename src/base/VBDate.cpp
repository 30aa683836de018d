#include "base/VBDate.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "base/Clock.h"

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

int Weekday(const DateTime& d) {
  return static_cast<int>(((DaysFromCivil(d.Year, d.Month, d.Day) % 7) + 11) % 7) + 1;
}

namespace {

int DayOfYear(const DateTime& d) {
  return static_cast<int>(DaysFromCivil(d.Year, d.Month, d.Day) - DaysFromCivil(d.Year, 1, 1)) + 1;
}

// Week of the year with weeks starting on Sunday and week 1 holding 1 January.
int WeekOfYear(const DateTime& d) {
  const int jan1 = Weekday(DateTime{d.Year, 1, 1, 0, 0, 0}) - 1;  // 0 = Sunday
  return (DayOfYear(d) - 1 + jan1) / 7 + 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, 0, b);
}

// The named formats, as the pictures they stand for.
std::string_view NamedPicture(std::string_view p) {
  static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
      {"General Date", "c"},
      {"Long Date", "dddd, mmmm d, yyyy"},
      {"Medium Date", "d-mmm-yy"},
      {"Short Date", "m/d/yyyy"},
      {"Long Time", "h:nn:ss AM/PM"},
      {"Medium Time", "hh:nn AM/PM"},
      {"Short Time", "hh:nn"},
  };
  if (p.empty()) return "c";
  for (const auto& [name, picture] : kNamed)
    if (EqualsNoCase(p, name)) return picture;
  return p;
}

}  // namespace

std::string ToText(const DateTime& d) {
  const bool zeroDay = d.Year == 1899 && d.Month == 12 && d.Day == 30;
  const bool midnight = d.Hour == 0 && d.Minute == 0 && d.Second == 0;
  if (zeroDay) return Format(d, "h:nn:ss AM/PM");
  if (midnight) return Format(d, "m/d/yyyy");
  return Format(d, "m/d/yyyy h:nn:ss AM/PM");
}

std::string Format(const DateTime& d, std::string_view picture) {
  const std::string_view p = NamedPicture(picture);
  std::string out;
  out.reserve(p.size() + 8);
  bool afterHour = false;  // an "m" right after an hour means minutes
  bool twelveHour = false;
  for (size_t i = 0; i < p.size(); ++i)
    if (StartsWithNoCase(p, i, "am/pm") || StartsWithNoCase(p, i, "a/p")) twelveHour = true;
  const int weekday = Weekday(d) - 1;
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
    size_t n = RunLength(p, i);
    switch (c) {
      case 'd':
        if (n > 6) n = 6;
        if (n == 1) AppendNum(out, d.Day, 1);
        else if (n == 2) AppendNum(out, d.Day, 2);
        else if (n == 3) out.append(kDayNames[weekday], 3);
        else if (n == 4) out += kDayNames[weekday];
        else if (n == 5) out += Format(d, "Short Date");
        else out += Format(d, "Long Date");
        break;
      case 'm':
        if (n > 4) n = 4;
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
      case 'n':
        if (n > 2) n = 2;
        AppendNum(out, d.Minute, static_cast<int>(n));
        break;
      case 's':
        if (n > 2) n = 2;
        AppendNum(out, d.Second, static_cast<int>(n));
        break;
      case 'y':
        // "yyyy" the year, "yy" its last two digits, a lone "y" the day of the year.
        if (n >= 4) {
          n = 4;
          AppendNum(out, d.Year, 4);
        } else if (n >= 2) {
          n = 2;
          AppendNum(out, d.Year % 100, 2);
        } else {
          AppendNum(out, DayOfYear(d), 1);
        }
        break;
      case 'h': {
        if (n > 2) n = 2;
        int h = d.Hour;
        if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
        AppendNum(out, h, static_cast<int>(n));
        break;
      }
      case 'w':
        if (n > 2) n = 2;
        AppendNum(out, n == 1 ? weekday + 1 : WeekOfYear(d), 1);
        break;
      case 'q':
        n = 1;
        AppendNum(out, (d.Month - 1) / 3 + 1, 1);
        break;
      case 'c':
        n = 1;
        out += ToText(d);
        break;
      case 't':
        if (n >= 5) {
          n = 5;
          out += Format(d, "Long Time");
        } else {
          out.append(p.substr(i, n));
        }
        break;
      default: out.append(p.substr(i, n)); break;
    }
    if (c == 'h') afterHour = true;
    else if (c != ':' && c != ' ' && c != '.') afterHour = false;
    i += n;
  }
  return out;
}

namespace {

struct Token {
  enum Kind { Number, Month, Am, Pm, Colon, Dot, Other } kind;
  int value = 0;   // number value or month 1..12
  int digits = 0;  // digits of a number
};

int MonthFromName(std::string_view word) {
  if (word.size() < 3) return 0;
  for (int m = 0; m < 12; ++m) {
    const std::string_view full = kMonthNames[m];
    if (word.size() <= full.size() && StartsWithNoCase(full, 0, word)) return m + 1;
  }
  if (EqualsNoCase(word, "sept")) return 9;
  return 0;
}

bool IsDayName(std::string_view word) {
  if (word.size() < 3) return false;
  for (const char* name : kDayNames) {
    const std::string_view full = name;
    if (word.size() <= full.size() && StartsWithNoCase(full, 0, word)) return true;
  }
  return false;
}

bool Tokenize(std::string_view s, std::vector<Token>& out) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char ch = static_cast<unsigned char>(s[i]);
    if (std::isdigit(ch)) {
      Token t{Token::Number};
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        if (t.digits < 9) t.value = t.value * 10 + (s[i] - '0');
        ++t.digits;
        ++i;
      }
      if (t.digits > 9) return false;
      out.push_back(t);
    } else if (std::isalpha(ch)) {
      size_t j = i;
      while (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
      const std::string_view word = s.substr(i, j - i);
      if (EqualsNoCase(word, "am") || EqualsNoCase(word, "a")) {
        out.push_back({Token::Am});
      } else if (EqualsNoCase(word, "pm") || EqualsNoCase(word, "p")) {
        out.push_back({Token::Pm});
      } else if (int m = MonthFromName(word)) {
        out.push_back({Token::Month, m});
      } else if (EqualsNoCase(word, "t") || EqualsNoCase(word, "z") || IsDayName(word)) {
        // ISO date/time separator, UTC marker, or a day name: nothing to read.
      } else {
        return false;
      }
      i = j;
    } else if (ch == ':') {
      out.push_back({Token::Colon});
      ++i;
    } else if (ch == '.') {
      out.push_back({Token::Dot});
      ++i;
    } else if (ch == '/' || ch == '-' || ch == ',' || std::isspace(ch)) {
      out.push_back({Token::Other});
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return kDays[m - 1];
}

int FullYear(const Token& t) {
  if (t.digits > 2) return t.value;
  return t.value < 30 ? 2000 + t.value : 1900 + t.value;
}

}  // namespace

bool Parse(std::string_view text, DateTime& out) {
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens)) return false;

  // The time: h:n[:s[.fraction]] [AM|PM], or a lone hour followed by AM or PM.
  std::vector<bool> used(tokens.size(), false);
  bool haveTime = false;
  int hour = 0, minute = 0, second = 0;
  size_t timeEnd = 0;
  for (size_t i = 0; i < tokens.size() && !haveTime; ++i) {
    if (tokens[i].kind != Token::Number) continue;
    if (i + 2 < tokens.size() && tokens[i + 1].kind == Token::Colon && tokens[i + 2].kind == Token::Number) {
      haveTime = true;
      hour = tokens[i].value;
      minute = tokens[i + 2].value;
      used[i] = used[i + 1] = used[i + 2] = true;
      timeEnd = i + 3;
      if (timeEnd + 1 < tokens.size() && tokens[timeEnd].kind == Token::Colon &&
          tokens[timeEnd + 1].kind == Token::Number) {
        second = tokens[timeEnd + 1].value;
        used[timeEnd] = used[timeEnd + 1] = true;
        timeEnd += 2;
        if (timeEnd + 1 < tokens.size() && tokens[timeEnd].kind == Token::Dot &&
            tokens[timeEnd + 1].kind == Token::Number) {
          used[timeEnd] = used[timeEnd + 1] = true;  // fractions of a second are dropped
          timeEnd += 2;
        }
      }
    } else {
      size_t j = i + 1;
      while (j < tokens.size() && tokens[j].kind == Token::Other) ++j;
      if (j < tokens.size() && (tokens[j].kind == Token::Am || tokens[j].kind == Token::Pm) &&
          tokens[i].digits <= 2) {
        haveTime = true;
        hour = tokens[i].value;
        used[i] = true;
        timeEnd = i + 1;
      }
    }
  }
  if (haveTime) {
    size_t j = timeEnd;
    while (j < tokens.size() && tokens[j].kind == Token::Other) ++j;
    if (j < tokens.size() && (tokens[j].kind == Token::Am || tokens[j].kind == Token::Pm)) {
      if (hour < 1 || hour > 12) return false;
      if (tokens[j].kind == Token::Am) hour = hour == 12 ? 0 : hour;
      else hour = hour == 12 ? 12 : hour + 12;
      used[j] = true;
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
  }

  // The date: the remaining numbers and month name.
  std::vector<Token> nums;
  int month = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (used[i]) continue;
    switch (tokens[i].kind) {
      case Token::Number: nums.push_back(tokens[i]); break;
      case Token::Month:
        if (month) return false;
        month = tokens[i].value;
        break;
      case Token::Am:
      case Token::Pm:
      case Token::Colon: return false;
      default: break;
    }
  }
  DateTime d;
  if (nums.empty() && !month) {
    if (!haveTime) return false;
  } else {
    int year = 0, day = 0;
    if (month) {
      if (nums.size() == 2) {
        const bool yearFirst = nums[0].digits > 2 || nums[0].value > 31;
        year = FullYear(yearFirst ? nums[0] : nums[1]);
        day = (yearFirst ? nums[1] : nums[0]).value;
      } else if (nums.size() == 1) {
        if (nums[0].digits > 2) {
          year = nums[0].value;
          day = 1;
        } else {
          year = Now().Year;
          day = nums[0].value;
        }
      } else {
        return false;
      }
    } else if (nums.size() == 3) {
      if (nums[0].digits > 2) {
        year = nums[0].value;
        month = nums[1].value;
        day = nums[2].value;
      } else {
        month = nums[0].value;
        day = nums[1].value;
        year = FullYear(nums[2]);
      }
    } else if (nums.size() == 2) {
      if (nums[1].digits > 2) {
        month = nums[0].value;
        year = nums[1].value;
        day = 1;
      } else if (nums[0].digits > 2) {
        year = nums[0].value;
        month = nums[1].value;
        day = 1;
      } else {
        month = nums[0].value;
        day = nums[1].value;
        year = Now().Year;
      }
    } else {
      return false;
    }
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
      return false;
    d.Year = year;
    d.Month = month;
    d.Day = day;
  }
  d.Hour = hour;
  d.Minute = minute;
  d.Second = second;
  out = d;
  return true;
}

}  // namespace pf::VBDate
