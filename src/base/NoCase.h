#pragma once
// Case-insensitive text helpers (ASCII letters only, as the program's names and
// keywords are ASCII). Nothing here allocates except Lower.

#include <cstddef>
#include <string>
#include <string_view>

namespace pf::NoCase {

constexpr char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ToLower(c);
  return out;
}

inline bool Equals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ToLower(a[i]) != ToLower(b[i])) return false;
  return true;
}

inline bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && Equals(s.substr(0, prefix.size()), prefix);
}

inline int Compare(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(ToLower(a[i]));
    const unsigned char y = static_cast<unsigned char>(ToLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Ordering for maps keyed by names that compare case-insensitively; transparent, so
// a std::string_view can be looked up without building a key.
struct Less {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return Compare(a, b) < 0; }
};

}  // namespace pf::NoCase
