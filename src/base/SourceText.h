#pragma once
// Small helpers for scanning text: trimming blanks (spaces only, as the generated language
// trims) or white space, upper-casing, replacing, walking CR LF separated lines and joining
// lines without empty ones. The one place for trimming in the program.
// Case-insensitive tests: NoCase.h.
//
// Case changes apply to ASCII letters; other bytes (UTF-8 sequences) pass unchanged.

#include <cstddef>
#include <string>
#include <string_view>

#include "base/NoCase.h"

namespace pf::srctext {

inline constexpr std::string_view kCrLf = "\r\n";

inline constexpr char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
// Upper-cases the first character of s in place.
inline void RaiseFirst(std::string& s) {
  if (!s.empty()) s[0] = ToUpperAscii(s[0]);
}

// s without the leading / trailing characters that occur in `chars`. One character is
// compared directly: the set form searches the set once per character of s.
inline std::string_view LTrimAny(std::string_view s, std::string_view chars) {
  const size_t i = chars.size() == 1 ? s.find_first_not_of(chars[0]) : s.find_first_not_of(chars);
  return i == std::string_view::npos ? std::string_view() : s.substr(i);
}
inline std::string_view RTrimAny(std::string_view s, std::string_view chars) {
  const size_t i = chars.size() == 1 ? s.find_last_not_of(chars[0]) : s.find_last_not_of(chars);
  return i == std::string_view::npos ? std::string_view() : s.substr(0, i + 1);
}

// Blanks are spaces only, as the generated language's Trim and the code library see them.
inline constexpr std::string_view kBlanks = " ";
// White space: blanks, tabs and line ends, as typed into fields, files and connection strings.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

inline std::string_view LTrimBlanks(std::string_view s) { return LTrimAny(s, kBlanks); }
inline std::string_view RTrimBlanks(std::string_view s) { return RTrimAny(s, kBlanks); }
inline std::string_view TrimBlanks(std::string_view s) { return RTrimBlanks(LTrimBlanks(s)); }
inline std::string_view TrimSpace(std::string_view s) { return RTrimAny(LTrimAny(s, kWhiteSpace), kWhiteSpace); }

// Every occurrence of `from` replaced by `to`, scanning left to right without overlap.
inline std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size() + (to.size() > from.size() ? text.size() / 8 : 0));
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string_view::npos; pos = hit + from.size()) {
    out.append(text, pos, hit - pos);
    out += to;
  }
  out.append(text, pos, std::string_view::npos);
  return out;
}

// Walks the pieces of `text` split at CR LF, in order; an empty text is one empty piece.
// Usage: for (LineCursor c(text); c.Next(line);) ...
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (done_) return false;
    const size_t p = text_.find(kCrLf, pos_);
    if (p == std::string_view::npos) {
      line = text_.substr(pos_);
      done_ = true;
    } else {
      line = text_.substr(pos_, p - pos_);
      pos_ = p + 2;
    }
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  bool done_ = false;
};

// Joins lines with CR LF so that the result equals joining them all and then replacing
// CR LF CR LF by CR LF until none is left: every run of line breaks that encloses only
// empty lines becomes one line break (a leading or trailing empty line leaves one break).
//   LineJoiner j(out);  for each line: j.Add(line);
class LineJoiner {
 public:
  // Where the joined text stands: handed from one joiner to the next when a text is joined
  // in pieces, so that the pieces join as one text would.
  struct Position {
    bool First = true;        // no line written yet
    bool AtBreak = false;     // the last line written was empty: its break is written
    bool ExtraBreak = false;  // the next break is written twice
  };

  explicit LineJoiner(std::string& out) : out_(out) {}
  LineJoiner(std::string& out, Position at) : out_(out), at_(at) {}

  // Starts the next line (writes the pending break) and appends its text.
  void Add(std::string_view line) {
    BeginLine();
    Append(line);
  }
  // Two-step form for callers that write a line in pieces: BeginLine, then Append calls.
  void BeginLine() {
    if (at_.First) {
      at_.First = false;
      return;
    }
    if (!at_.AtBreak) {
      out_ += kCrLf;
      if (at_.ExtraBreak) out_ += kCrLf;
      at_.AtBreak = true;
    }
    at_.ExtraBreak = false;
  }
  void Append(std::string_view piece) {
    if (piece.empty()) return;
    out_ += piece;
    at_.AtBreak = false;
  }
  // True when the line being written follows a line break (it is not the text's first line).
  bool AfterBreak() const { return at_.AtBreak; }
  // The break written after the current line becomes two (an empty line follows it).
  void DoubleNextBreak() { at_.ExtraBreak = true; }
  Position At() const { return at_; }

 private:
  std::string& out_;
  Position at_;
};

}  // namespace pf::srctext
