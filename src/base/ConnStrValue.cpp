#include "base/ConnStrValue.h"

#include "base/SourceText.h"

namespace pf::ConnStrValue {

size_t Read(std::string_view s, size_t i, std::string* value, size_t* begin, size_t* end) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (begin) *begin = i;
  if (i < s.size() && (s[i] == '"' || s[i] == '\'' || s[i] == '{')) {
    const char close = s[i] == '{' ? '}' : s[i];
    ++i;
    while (i < s.size()) {
      if (s[i] == close) {
        if (i + 1 < s.size() && s[i + 1] == close) {
          if (value) *value += close;
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      if (value) *value += s[i];
      ++i;
    }
    while (i < s.size() && s[i] != ';') ++i;  // anything after the closing quote is dropped
    if (end) *end = srctext::RTrimAny(s.substr(0, i), srctext::kWhiteSpace).size();
    return i;
  }
  const size_t start = i;
  while (i < s.size() && s[i] != ';') ++i;
  const std::string_view plain = srctext::TrimSpace(s.substr(start, i - start));
  if (value) *value = std::string(plain);
  if (end) *end = plain.empty() ? start : static_cast<size_t>(plain.data() - s.data()) + plain.size();
  return i;
}

}  // namespace pf::ConnStrValue
