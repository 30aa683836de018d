#include "base/VBFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/VBDate.h"

namespace pf::VBFormat {

namespace {

bool ParseNumber(std::string_view text, double& out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

std::string FormatNumber(double value, std::string_view picture) {
  const size_t first = picture.find_first_of("#0"), last = picture.find_last_of("#0");
  const std::string_view prefix = picture.substr(0, first), suffix = picture.substr(last + 1);
  const std::string_view body = picture.substr(first, last - first + 1);
  const size_t point = body.find('.');
  const std::string_view whole = body.substr(0, point);
  const std::string_view decimals = point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
  int places = 0, minWhole = 0;
  for (char c : decimals) places += c == '#' || c == '0';
  for (char c : whole) minWhole += c == '0';
  const bool grouped = whole.find(',') != std::string_view::npos;

  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", places, std::fabs(value));
  std::string digits = buf;
  std::string fraction;
  if (const size_t dot = digits.find('.'); dot != std::string::npos) {
    fraction = digits.substr(dot + 1);
    digits.resize(dot);
  }
  // Optional decimal places ("#") drop their trailing zeros.
  size_t required = 0;
  for (char c : decimals) required += c == '0';
  while (fraction.size() > required && fraction.back() == '0') fraction.pop_back();
  digits.erase(0, digits.find_first_not_of('0'));
  if (digits.size() < static_cast<size_t>(minWhole)) digits.insert(0, minWhole - digits.size(), '0');
  if (grouped)
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), 1, ',');
  const bool negative = value < 0 && (digits.find_first_not_of("0,") != std::string::npos ||
                                      fraction.find_first_not_of('0') != std::string::npos);
  std::string out(prefix);
  if (negative) out += '-';
  out += digits;
  if (!fraction.empty() || decimals.find('0') != std::string_view::npos) out += "." + fraction;
  out += suffix;
  return out;
}

}  // namespace

std::string Format(std::string_view value, std::string_view picture) {
  double number = 0;
  if (ParseNumber(value, number)) {
    if (picture.find_first_of("#0") == std::string_view::npos) return std::string(value);
    return FormatNumber(number, picture);
  }
  VBDate::DateTime d;
  if (VBDate::Parse(value, d)) return VBDate::Format(d, picture);
  return std::string(value);
}

}  // namespace pf::VBFormat
