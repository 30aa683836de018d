#include "errors/Secrets.h"

#include <array>
#include <cctype>

namespace pf::Secrets {

namespace {

constexpr std::array<std::string_view, 2> kKeys = {"password", "pwd"};
constexpr std::string_view kMask = "***";

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool MatchesAt(std::string_view text, size_t pos, std::string_view key) {
  if (text.size() - pos < key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i)
    if (Lower(text[pos + i]) != key[i]) return false;
  return true;
}

// Where a key may begin: the start, or after a separator of pairs or words.
bool KeyBoundary(std::string_view text, size_t pos) {
  if (pos == 0) return true;
  const char c = text[pos - 1];
  return c == ';' || c == '"' || c == '\'' || c == '{' || c == '(' || c == '\r' || c == '\n' || IsBlank(c);
}

// The end of a value that begins at pos: past its closing quote or brace (a doubled one
// stands for itself), else at ";" or a line break.
size_t ValueEnd(std::string_view text, size_t pos) {
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'' || text[pos] == '{')) {
    const char close = text[pos] == '{' ? '}' : text[pos];
    for (size_t i = pos + 1; i < text.size(); ++i) {
      if (text[i] != close) continue;
      if (i + 1 < text.size() && text[i + 1] == close) {
        ++i;
        continue;
      }
      return i + 1;
    }
    return text.size();
  }
  // An unquoted value also ends at a quote: a connection string quoted in a message or a
  // report ends there.
  size_t end = pos;
  while (end < text.size() && text[end] != ';' && text[end] != '\r' && text[end] != '\n' && text[end] != '\'' &&
         text[end] != '"')
    ++end;
  while (end > pos && IsBlank(text[end - 1])) --end;
  return end;
}

// Calls onValue(begin, end) for every password value of the text, in order.
template <typename F>
void ForEachValue(std::string_view text, F onValue) {
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (!KeyBoundary(text, pos)) continue;
    for (std::string_view key : kKeys) {
      if (!MatchesAt(text, pos, key)) continue;
      size_t p = pos + key.size();
      while (p < text.size() && IsBlank(text[p])) ++p;
      if (p >= text.size() || text[p] != '=') continue;
      ++p;
      while (p < text.size() && IsBlank(text[p])) ++p;
      const size_t end = ValueEnd(text, p);
      onValue(p, end);
      pos = end == 0 ? 0 : end - 1;
      break;
    }
  }
}

}  // namespace

std::string Mask(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;
  ForEachValue(text, [&](size_t begin, size_t end) {
    if (end == begin) return;
    out.append(text.substr(copied, begin - copied));
    out += kMask;
    copied = end;
  });
  out.append(text.substr(copied));
  return out;
}

bool HoldsPassword(std::string_view text) {
  bool found = false;
  ForEachValue(text, [&](size_t begin, size_t end) { found = found || end > begin; });
  return found;
}

}  // namespace pf::Secrets
