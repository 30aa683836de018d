#pragma once
// The checker's tokenizer: Visual Basic text into tokens, one logical line (physical lines
// joined by continuations) ending in an Eol token, with the findings that only the text
// shows (continuations, unterminated literals). Also the character classes, word tables
// and case-insensitive name tables that the parser shares. Internal to the checker.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/NoCase.h"
#include "vbcheck/VBCheck.h"

namespace pf::vbcheck {

using pf::NoCase::Equals;
using pf::NoCase::ToLower;

// Name tables keyed by views into the checked texts (which outlive the check), compared as VB
// compares names: without regard to case.
struct NoCaseHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const {
    size_t h = 1469598103934665603ull;
    for (char c : s) h = (h ^ static_cast<unsigned char>(ToLower(c))) * 1099511628211ull;
    return h;
  }
};
struct NoCaseEq {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return Equals(a, b); }
};
template <class V>
using NameMap = std::unordered_map<std::string_view, V, NoCaseHash, NoCaseEq>;
using NameSet = std::unordered_set<std::string_view, NoCaseHash, NoCaseEq>;

inline bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}
inline bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '_'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// ---------------------------------------------------------------------------------------------
// Tokens. A logical line (physical lines joined by continuations) ends with an Eol token;
// comments are dropped; ":" separating statements is a Colon token.

enum class TK : unsigned char { Ident, Number, String, Date, Op, Colon, Eol };

struct Token {
  TK Kind;
  char Suffix;  // type-declaration character of an identifier ($ % & ! # @), or 0
  int Line;
  std::string_view Text;  // identifier without its suffix; operator text; literal text
};

// Words after which an operand is expected: a "#" following one of them opens a date literal,
// a "." following one of them is a member of the enclosing With.
bool IsOperatorWord(std::string_view w);
// Keywords, and words that only statements give a meaning (file modes, Open clauses): never
// names to look up.
bool IsReservedWord(std::string_view w);
// Words that can never name a variable, constant, parameter or procedure.
bool IsKeywordName(std::string_view w);
// Names the language and the referenced libraries supply: VBA functions and objects,
// library names used as qualifiers, and the constants of VBA (vbXxx) and ADO (adXxx).
bool IsLibraryName(std::string_view w);

// The tokens of Text; findings of the text itself go to Findings.
std::vector<Token> Lex(std::string_view Text, std::vector<VBFinding>& Findings);

}  // namespace pf::vbcheck
