#include "errors/Secrets.h"

#include <array>
#include <cctype>
#include <vector>

#include "base/ConnStrValue.h"

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

// The key of the pair whose password word starts at `pos`: from the start of the pair to
// the "=" at `eq`, trimmed and in lower case ("jet oledb:database password").
std::string PairKey(std::string_view text, size_t pos, size_t eq) {
  const size_t sep = text.find_last_of(";\r\n", pos);
  size_t b = sep == std::string_view::npos ? 0 : sep + 1;
  while (b < eq && IsBlank(text[b])) ++b;
  size_t e = eq;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::string key;
  key.reserve(e - b);
  for (size_t i = b; i < e; ++i) key += Lower(text[i]);
  return key;
}

// Calls onValue(pos, eq, begin, end) for every password value of the text, in order: the
// password word at pos, its "=" at eq, the value at [begin, end).
template <typename F>
void ForEachValue(std::string_view text, F onValue) {
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (!KeyBoundary(text, pos)) continue;
    for (std::string_view key : kKeys) {
      if (!MatchesAt(text, pos, key)) continue;
      size_t p = pos + key.size();
      while (p < text.size() && IsBlank(text[p])) ++p;
      if (p >= text.size() || text[p] != '=') continue;
      // The value as the connection-string parser reads it, within its line: a report
      // or a message goes on after a line break.
      size_t lineEnd = text.find_first_of("\r\n", p);
      if (lineEnd == std::string_view::npos) lineEnd = text.size();
      size_t begin = 0, end = 0;
      const size_t pairEnd = ConnStrValue::Read(text.substr(0, lineEnd), p + 1, nullptr, &begin, &end);
      onValue(pos, p, begin, end);
      pos = pairEnd == 0 ? 0 : pairEnd - 1;
      break;
    }
  }
}

}  // namespace

std::string Mask(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;
  ForEachValue(text, [&](size_t, size_t, size_t begin, size_t end) {
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
  ForEachValue(text, [&](size_t, size_t, size_t begin, size_t end) { found = found || end > begin; });
  return found;
}

std::string Unmask(std::string_view shown, std::string_view original) {
  struct Value {
    std::string key;
    std::string_view text;
    bool taken = false;
  };
  std::vector<Value> values;
  ForEachValue(original, [&](size_t pos, size_t eq, size_t begin, size_t end) {
    values.push_back({PairKey(original, pos, eq), original.substr(begin, end - begin)});
  });
  std::string out;
  out.reserve(shown.size() + original.size());
  size_t copied = 0;
  ForEachValue(shown, [&](size_t pos, size_t eq, size_t begin, size_t end) {
    // The n-th pair of a key stands for the n-th pair of that key in the original, so that
    // pairs added, removed or moved around it do not shift which value it gets back.
    const std::string key = PairKey(shown, pos, eq);
    Value* match = nullptr;
    for (Value& v : values)
      if (!v.taken && v.key == key) {
        match = &v;
        break;
      }
    if (!match) return;
    match->taken = true;
    if (shown.substr(begin, end - begin) != kMask || match->text.empty()) return;
    out.append(shown.substr(copied, begin - copied));
    out += match->text;
    copied = end;
  });
  out.append(shown.substr(copied));
  return out;
}

}  // namespace pf::Secrets
